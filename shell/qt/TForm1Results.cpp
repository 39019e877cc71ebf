// TForm1's results panel ("Cards read"): filling it from the cards read, framing the chosen card in
// the picture, and saving the cards read as a deck.
#include "CardRow.h"
#include "DeckFile.h"
#include "FileAccess.h"
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TForm1Internal.h"

#include <QScrollArea>
#include <QStatusBar>
#include <vector>

namespace Unit1 {

void TForm1::CreateResultsPanel()
{
    results_ = new ResultsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, results_);
    resizeDocks({results_}, {height() / 5}, Qt::Vertical);
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
        if (reading.card == 0)
            return;
        results_->Show(RowFromResult(reading.result, CodeMapInUse(state_.SpecFileName)));
        saveDeck_->setEnabled(true);
        statusBar()->showMessage(QString("Card %1 read").arg(reading.card));
    });
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
            results_->Show(RowFromResult(state_.LastReading.result, map));
            saveDeck_->setEnabled(true);
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
        summary += QString(", %1 to scan again").arg(refused);
    statusBar()->showMessage(summary);
}

void TForm1::AfterProcess()
{
    if (!select1_->isEnabled()) {
        statusBar()->showMessage("No card found: File > Open another scan");
        return;
    }
    const auto count = AcceptedCards(state_).size();
    statusBar()->showMessage(QString("%1 %2: Edit > Read all, or Edit > Select and click a card")
                                 .arg(count)
                                 .arg(count == 1 ? "card" : "cards"));
}

std::string TForm1::SaveDeck(const std::string& path) const
{
    const Deck::CodeMap map = CodeMapInUse(state_.SpecFileName);
    std::vector<Deck::DeckCard> cards;
    for (const CardRow& row : results_->Rows())
        if (row.read)
            cards.push_back(DeckCardOf(row, map, state_.PictureFileName, static_cast<int>(cards.size()) + 1));
    if (cards.empty())
        return "No card of this picture has been read: Edit > Read all cards first";
    const std::string bytes = Deck::WriteDeck(DeckFormatOfPath(path), cards, map);
    const Algemeen::WriteResult written = Algemeen::WriteWholeFile(path, bytes);
    return written.ok ? std::string() : written.message;
}

} // namespace Unit1
