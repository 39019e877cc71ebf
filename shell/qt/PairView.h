// PairView: the two sides of a duplex pair next to each other, the front on the left. The two
// pictures are read together (the front mirrored and without its print, the back as a back, both
// with the main window's picture options) and their cards fused, one reading per physical card.
// Each side shows the chosen card upright with the fused text over its columns; the columns where
// the sides disagree are marked amber on both, unknown ones red. The results panel has a row per
// card with its fused text, red when a column is in doubt, and names the disagreeing columns.
// File > Save deck writes the fused cards.
#pragma once

#include "CardRow.h"
#include "SideFusion.h"

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;

namespace Unit1 {

class CardView;
class ResultsPanel;

// The row of the results panel of one card of a pair (`index` from 0), from its fused reading.
CardRow RowOfPairedCard(const PairReading& pair, std::size_t index);

class PairView : public QMainWindow
{
    Q_OBJECT
public:
    PairView(const std::string& codeTable, const korvane::PictureSettings& settings,
             QWidget* parent = nullptr);

    // Reads the pair and shows its first card; false (the reason in `problem`) when neither side
    // can be read.
    bool Open(const std::string& frontFile, const std::string& backFile, std::string* problem = nullptr);
    // Reads the pair again with front and back the other way round.
    void SwapSides();
    // Shows the card of this index (from 0) on both sides.
    void ShowCard(std::size_t index);
    // Writes the fused cards to `path` (the layout by its extension), asking first about a card
    // neither side read, as the main window's Save deck does. Empty, or what went wrong (or
    // "cancelled").
    std::string SaveDeck(const std::string& path);

    const PairReading& Reading() const { return pair_; }
    double MillisecondsToRead() const { return milliseconds_; }
    ResultsPanel* Results() const { return results_; }
    CardView* FrontView() const { return front_; }
    CardView* BackView() const { return back_; }
    QAction* SaveDeckAction() const { return saveDeck_; }
    QAction* SwapAction() const { return swap_; }

    // Replaceable dialogs, as the main window's.
    std::function<std::optional<int>(const std::string& text, const std::vector<std::string>& answers)>
        askChoice;
    std::function<std::optional<std::string>()> chooseDeckFile;

private:
    void ShowSide(CardView* view, bool front, std::size_t index);
    void ChooseAndSaveDeck();

    std::string codeTable_;
    korvane::PictureSettings settings_;
    Deck::CodeMap map_;
    PairReading pair_;
    double milliseconds_ = 0.0;
    QImage frontScan_, backScan_; // each side's picture as shown, made when first shown
    CardView* front_ = nullptr;
    CardView* back_ = nullptr;
    QLabel* frontTitle_ = nullptr;
    QLabel* backTitle_ = nullptr;
    ResultsPanel* results_ = nullptr;
    QAction* saveDeck_ = nullptr;
    QAction* swap_ = nullptr;
};

} // namespace Unit1
