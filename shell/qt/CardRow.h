// One line of the results panel: what is known about one card read in the shown picture. The
// panel is fed only from this struct, however the card was read.
#pragma once

#include "CodeMap.h"
#include "DeckCard.h"
#include "DeckFile.h"
#include "Unit1.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Unit1 {

struct CardBox
{
    std::int32_t x = 0, y = 0, width = 0, height = 0; // picture pixels
};

struct CardRow
{
    std::int32_t card = 0;            // contour number of the card's outline
    int number = 0;                   // 1 .. n: the card's place among the picture's cards
    std::string text;                 // columns 1-80 through the code table, '?' where no code fits
    std::vector<int> unknownColumns;  // 1-based columns shown as '?'
    std::vector<int> doubtfulColumns; // 1-based columns the evidence leaves in doubt, unknown ones aside
    std::optional<double> fitQuality; // percent, of the last fit (of the first when the last failed)
    std::string verdict;              // orientation verdict; empty while readings carry none
    std::string message;              // why the card was not read; empty when it was
    CardBox outline;                  // bounding box of the card outline
    bool read = false;                // punches, text and fit qualities hold the card's reading
    Deck::CardPunches punches{};      // columns 1-80 as the reader found them
    double fitFirst = 0.0;            // fit qualities in percent
    std::optional<double> fitLast;    // none when the fit stopped after its first round
    Algemeen::RealPoint centre;       // centre of the card outline, picture pixels
    bool complete = false;            // the text line may show it in black (CardResult::Complete)
    Ogenblik::CardGrid grid;          // the fitted grid, when read
    // A card of a pair of pictures: the sides read ("both", "front", "back"; empty for a card of
    // one picture) and the columns where they disagree (also among the doubtful ones).
    std::string sides;
    std::vector<int> disagreeColumns;
};

// The code map of the table in use (the run state's SpecFileName); a map without codes when it
// cannot be read, so that every column shows as unknown.
Deck::CodeMap CodeMapInUse(const std::string& specFileName);

// The deck layout a file name asks for by its extension: .cbn, .bin or .jsonl; text for any other.
Deck::DeckFormat DeckFormatOfPath(const std::string& path);

// The row of a card as the reader gave it: its 80 columns as the reader decoded them, with the
// doubtful ones. A card that was refused, or whose orientation is uncertain, carries the reader's message
// instead of a text.
CardRow RowFromResult(const korvane::CardResult& result, const Deck::CodeMap& map);

// The deck card of a row that was read; `cardInPicture` counts from 1 in the order of the rows.
Deck::DeckCard DeckCardOf(const CardRow& row, const Deck::CodeMap& map, const std::string& scanFile,
                          int cardInPicture);

// The deck of the rows, in their order, written whole to `path` in the layout its extension names;
// a row not read is written as a blank card when `blankForMissing`, else left out. Empty, or what
// went wrong.
std::string WriteRowsAsDeck(const std::vector<CardRow>& rows, const std::string& path, bool blankForMissing,
                            const Deck::CodeMap& map, const std::string& scanFile);

// The question Save deck asks when rows were not read ("1 of 3 cards has no punches to save: ..."),
// with its answers: write a blank card, leave it out, cancel. Empty when every row was read.
std::string MissingCardsQuestion(const std::vector<CardRow>& rows);
inline const std::vector<std::string> kMissingCardsAnswers = {"Write a blank card in its place",
                                                              "Leave it out of the deck", "Cancel"};

// A card whose orientation verdict says it has no cut corner ("uncertain", "from-punches"): it can
// be read both ways up (korvane::Reader::ReadBothWays).
bool WithoutCutCorner(const std::string& verdict);

// The bounding box of a card outline (picture pixels); empty for an empty outline.
CardBox OutlineBox(const Algemeen::Jordan& outline);

// "12, 40" for columns 12 and 40; empty for none.
std::string ColumnList(const std::vector<int>& columns);

// The columns to mark on a card: the unknown ones first, then the doubtful ones, each as the
// four corners of its strip of 12 hole positions in picture pixels (from row 12 to row 9).
struct ColumnStrip
{
    int column = 0; // 1 .. 80
    bool unknown = false;
    std::array<Algemeen::RealPoint, 4> corners;
};
std::vector<ColumnStrip> StripsInDoubt(const CardRow& row);

// One tab-separated line: card number, text, unknown columns, fit quality, verdict (or the message).
std::string RowAsTabLine(const CardRow& row);

} // namespace Unit1
