// TForm1's results panel ("Cards read"): filling it from the cards read, framing the chosen card in
// the picture, and saving the cards read as a deck.
#include "AskDialog.h"
#include "CardRow.h"
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TForm1Internal.h"

#include <QScrollArea>
#include <QStatusBar>
#include <algorithm>
#include <filesystem>
#include <vector>

namespace Unit1 {

namespace {

// A card's number in its picture: its place among the accepted cards, from 1.
int CardNumber(const RunState& state, std::int32_t card)
{
    const std::vector<std::int32_t> cards = AcceptedCards(state);
    const auto at = std::find(cards.begin(), cards.end(), card);
    return at == cards.end() ? 0 : static_cast<int>(at - cards.begin()) + 1;
}

} // namespace

void TForm1::CreateResultsPanel()
{
    results_ = new ResultsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, results_);
    resizeDocks({results_}, {height() / 5}, Qt::Vertical);
    connect(results_, &ResultsPanel::RowChosen, this, [this](const CardRow& row) { ShowRow(row); });
    connect(results_, &ResultsPanel::CardChosen, this, [this](const CardBox& box) {
        const QRect r(box.x, box.y, box.width, box.height);
        image1_->SetHighlight(r);
        const QRect shown = image1_->ToWidget(r);
        scroller_->ensureVisible(shown.center().x(), shown.center().y(), shown.width() / 2 + 10,
                                 shown.height() / 2 + 10);
    });
}

void TForm1::PickAt(QPoint p)
{
    Run([&] {
        state_.LastReading = CardReading{};
        Kiezen(*this, state_, MouseButton::Left, p.x(), p.y());
        const CardReading& reading = state_.LastReading;
        if (reading.card == 0) {
            if (state_.PickArmed && state_.Reader)
                statusBar()->showMessage("No card here: click inside the outline of a card");
            return;
        }
        CardRow row = RowFromResult(reading.result, CodeMapInUse(state_.SpecFileName));
        row.number = CardNumber(state_, reading.card);
        results_->Show(row);
        results_->Choose(row.card);
        MarkColumns(row);
        OfferChoices(&row);
        statusBar()->showMessage(QString("Card %1 read").arg(row.number));
    });
}

// The chosen row: its text in the text line as a pick of the card shows it, its doubtful and
// unknown columns marked on the picture.
void TForm1::ShowRow(const CardRow& row)
{
    if (state_.Busy)
        return;
    SetEditColour(row.read && row.complete ? Algemeen::kBlack : Algemeen::kRed);
    SetEditText(row.read ? row.text.substr(0, 72) : row.message);
    MarkColumns(row);
    OfferChoices(&row);
}

void TForm1::MarkColumns(const CardRow& row)
{
    QList<QPolygonF> unknown, doubtful;
    for (const ColumnStrip& strip : StripsInDoubt(row)) {
        QPolygonF polygon;
        for (const Algemeen::RealPoint& p : strip.corners)
            polygon << QPointF(p.X, p.Y);
        (strip.unknown ? unknown : doubtful) << polygon;
    }
    image1_->SetMarks(unknown, doubtful);
}

bool TForm1::AllCardsHaveRows() const
{
    const std::vector<std::int32_t> cards = AcceptedCards(state_);
    for (const std::int32_t card : cards)
        if (std::none_of(results_->Rows().begin(), results_->Rows().end(),
                         [&](const CardRow& row) { return row.card == card; }))
            return false;
    return true;
}

void TForm1::ReadAllCards()
{
    if (state_.Busy || !select1_->isEnabled())
        return;
    // Every accepted card by its own outline, as `korvane-cli read --all` reads them.
    const std::vector<std::int32_t> cards = AcceptedCards(state_);
    const Deck::CodeMap map = CodeMapInUse(state_.SpecFileName);
    for (const std::int32_t card : cards) {
        Run([&] {
            ReadCardByContour(*this, state_, card);
            CardRow row = RowFromResult(state_.LastReading.result, map);
            row.number = CardNumber(state_, card);
            results_->Show(row);
            results_->Choose(card);
            OfferChoices(&row);
        });
        if (!isVisible())
            return;
    }
    int unknown = 0, refused = 0;
    for (const CardRow& row : results_->Rows()) {
        refused += row.message.empty() ? 0 : 1;
        unknown += row.unknownColumns.empty() ? 0 : 1;
    }
    QString summary = QString("%1 %2 read").arg(cards.size()).arg(cards.size() == 1 ? "card" : "cards");
    if (unknown > 0)
        summary += QString(", %1 with unknown columns").arg(unknown);
    if (refused > 0)
        summary += QString(", %1 not read (see the Cards read panel)").arg(refused);
    statusBar()->showMessage(summary);
}

void TForm1::AfterProcess()
{
    if (!select1_->isEnabled()) {
        statusBar()->showMessage(pictureInfo_ + ". No card found: File > Open another scan");
        return;
    }
    const auto count = AcceptedCards(state_).size();
    statusBar()->showMessage(QString("%1 %2: Edit > Read all, or Edit > Select and click a card")
                                 .arg(count)
                                 .arg(count == 1 ? "card" : "cards"));
}

std::string TForm1::SaveDeck(const std::string& path, bool blankForMissing) const
{
    return WriteRowsAsDeck(results_->Rows(), path, blankForMissing, CodeMapInUse(state_.SpecFileName),
                           state_.PictureFileName);
}

std::string TForm1::DeckNameForPicture() const
{
    std::filesystem::path deck(state_.PictureFileName);
    deck.replace_extension(".deck.txt");
    return deck.string();
}

// Saving never drops a card unasked: every card of the picture is read first, and a card that
// gave no punches (face up, orientation uncertain, not decoded) is written blank in its place,
// left out, or the save is cancelled, as the user answers.
void TForm1::SaveDeckOfPicture(std::string path)
{
    if (state_.Busy || AcceptedCards(state_).empty())
        return;
    if (!AllCardsHaveRows())
        ReadAllCards();
    if (state_.Busy || !isVisible())
        return;
    const auto ask = [this](const std::string& text, const std::vector<std::string>& answers) {
        return askChoice ? askChoice(text, answers) : AskWithButtons(this, text, answers, answers.size() - 1);
    };
    if (path.empty()) {
        path = DeckNameForPicture();
        if (std::filesystem::exists(path) && ask(path + " exists. Replace it?", {"Replace", "Cancel"}) != 0)
            return;
    }
    const std::size_t total = results_->Rows().size();
    const auto missing = static_cast<std::size_t>(std::count_if(
        results_->Rows().begin(), results_->Rows().end(), [](const CardRow& row) { return !row.read; }));
    bool blank = false;
    if (const std::string question = MissingCardsQuestion(results_->Rows()); !question.empty()) {
        const std::optional<int> answer = ask(question, kMissingCardsAnswers);
        if (!answer || *answer > 1)
            return;
        blank = *answer == 0;
    }
    if (const std::string problem = SaveDeck(path, blank); !problem.empty()) {
        ShowMessage(problem, "Save deck");
        return;
    }
    const std::size_t read = total - missing;
    QString report = QString("Deck saved: %1 of %2 cards").arg(read).arg(total);
    if (blank)
        report += QString(", %1 blank in place of the cards not read").arg(missing);
    statusBar()->showMessage(report + QString(" in %1").arg(FileNameOnly(path)));
}

} // namespace Unit1
