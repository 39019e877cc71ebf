// TForm1's second readings of a card that its outline does not settle: a card without a cut corner
// turned half way (Edit > Turn half way), and a card lying face up read from its front (Edit > Read
// as front). Both show what each way of reading gives; the row, the text line, the marks on the
// picture and a saved deck follow the reading taken.
#include "AskDialog.h"
#include "CardRow.h"
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TForm1Internal.h"

#include <QAction>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <algorithm>
#include <exception>

namespace Unit1 {

namespace {

// "As fitted: TEXT" (all 80 columns) with the columns no code fits, the reading shown now marked.
std::string ReadingLine(const char* name, const korvane::CardResult& reading, bool shown)
{
    // The names padded to one width, so that the two readings' columns stand one under the other.
    const std::string label = std::string(name) + ":";
    std::string line = std::string(shown ? "\u25B6 " : "  ") + label +
                       std::string(label.size() < 17 ? 17 - label.size() : 1, ' ') + reading.Text80;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (!reading.UnknownColumns80.empty())
        line += "   (no code fits column " + ColumnList(reading.UnknownColumns80) + ")";
    return line;
}

} // namespace

const CardRow* TForm1::ChosenRow() const
{
    const int at = results_->Table()->currentRow();
    if (at < 0 || static_cast<std::size_t>(at) >= results_->Rows().size())
        return nullptr;
    return &results_->Rows()[static_cast<std::size_t>(at)];
}

void TForm1::OfferChoices(const CardRow* row)
{
    const bool offer = row != nullptr && WithoutCutCorner(row->verdict);
    if (turnHalfWayButton_ != nullptr)
        turnHalfWayButton_->setVisible(offer);
    if (turnHalfWay_ != nullptr)
        turnHalfWay_->setEnabled(offer);
}

// The card's two readings in a question; the one taken replaces its row. The reading the row shows
// is marked; a card whose punches did not decide shows neither until one is taken.
void TForm1::TurnChosenHalfWay()
{
    const CardRow* chosen = ChosenRow();
    if (state_.Busy || !state_.Reader || chosen == nullptr || !WithoutCutCorner(chosen->verdict))
        return;
    const CardRow row = *chosen;
    std::optional<korvane::BothWays> both;
    try {
        both = state_.Reader->ReadBothWays(row.card);
    } catch (const std::exception& error) {
        ShowError(error.what());
        return;
    }
    if (!both) {
        statusBar()->showMessage(
            QString("Card %1 cannot be read both ways: the code table cannot be read").arg(row.number));
        return;
    }
    int shown = -1;
    for (int k = 0; k < 2; ++k)
        if (row.read && std::equal(row.punches.begin(), row.punches.end(), both->Reading(k).Punches.begin()))
            shown = k;
    const std::string text =
        "Card " + std::to_string(row.number) +
        " has no cut corner: nothing on it but its punches says which way up it lies. Read both ways:\n\n" +
        ReadingLine("As fitted", both->AsFitted, shown == 0) + "\n" +
        ReadingLine("Turned half way", both->HalfTurned, shown == 1) + "\n\n" +
        (shown < 0 ? "The punches do not decide: neither reading is taken yet."
                   : "\u25B6 marks the reading taken now.");
    const std::vector<std::string> answers = {"Take the reading as fitted",
                                              "Take the reading turned half way", "Cancel"};
    const std::optional<int> answer =
        askChoice ? askChoice(text, answers) : AskWithButtons(this, text, answers, answers.size() - 1, true);
    if (!answer || *answer < 0 || *answer > 1)
        return;
    if (*answer == shown) {
        statusBar()->showMessage(QString("Card %1: the reading stays as it was").arg(row.number));
        return;
    }
    TakeReading(both->Reading(*answer), row.number);
    statusBar()->showMessage(QString("Card %1: the reading %2 is taken")
                                 .arg(row.number)
                                 .arg(*answer == 1 ? "turned half way" : "as fitted"));
}

// The row, the text line, the marks and the grid dotted on the picture take this reading of a card.
void TForm1::TakeReading(const korvane::CardResult& reading, int number)
{
    CardRow row = RowFromResult(reading, CodeMapInUse(state_.SpecFileName));
    row.number = number;
    results_->Show(row);
    results_->Choose(row.card);
    ShowRow(row);
    if (state_.GridShown)
        DotGrid(*this, state_, Algemeen::kWhite);
    state_.Grid = reading.Grid;
    state_.GridShown = true;
    DotGrid(*this, state_, Algemeen::kBlack);
    if (state_.LastReading.card == row.card)
        state_.LastReading.result = reading;
}

// The picture is read again with the side left to the reader (as View > Side > Either), and the
// card that lay face up is read at once: the status bar says what it gave as a back and as a front.
void TForm1::ReadChosenAsFront()
{
    if (state_.Busy)
        return;
    const CardRow* chosen = ChosenRow();
    const bool faceUp = chosen != nullptr && chosen->message == korvane::kFaceUp;
    const std::int32_t card = faceUp ? chosen->card : 0;
    const int number = faceUp ? chosen->number : 0;
    SetSide(Imaging::Side::Auto);
    const std::vector<std::int32_t> cards = AcceptedCards(state_);
    if (card == 0 || !select1_->isEnabled() || std::find(cards.begin(), cards.end(), card) == cards.end())
        return;
    Run([&] { ReadCardByContour(*this, state_, card); });
    const korvane::CardResult& front = state_.LastReading.result;
    CardRow row = RowFromResult(front, CodeMapInUse(state_.SpecFileName));
    row.number = number;
    results_->Show(row);
    results_->Choose(card);
    ShowRow(row);
    std::string asFront = front.Decoded ? front.Text : front.Message;
    while (!asFront.empty() && asFront.back() == ' ')
        asFront.pop_back();
    statusBar()->showMessage(
        QString("Card %1 read both ways: as its back, refused (it lies face up); as "
                "its front, %2")
            .arg(number)
            .arg(QString::fromStdString(front.Front ? asFront : "not read: " + asFront)));
}

} // namespace Unit1
