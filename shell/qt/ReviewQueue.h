// The queue of a box of cards under review: every picture of a folder or of a batch's journal, the
// cards read from each with their state (read, doubtful, not read, corrected, accepted), the
// corrections a person makes (holes toggled, characters typed through the code table) with undo and
// redo, and the order F3 walks. No Qt: the review window shows it, the tests drive it directly.
#pragma once

#include "CodeMap.h"
#include "Corrections.h"
#include "Pool.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Unit1 {

enum class CardState
{
    Read,      // decoded, nothing in doubt
    Doubtful,  // decoded with unknown or doubtful columns, or an orientation not settled
    NotRead,   // no punches: refused, face up, orientation uncertain
    Corrected, // a person's correction holds its punches
};

// "read", "doubtful", "not read", "corrected".
const char* StateName(CardState state);

struct ReviewCard
{
    std::size_t picture = 0; // index of its picture in the queue
    int number = 0;          // 1 .. N in its picture, as the journal counts
    std::int32_t contour = 0;
    bool decoded = false;
    std::string message; // why it was not read, when not decoded
    std::string orientation;
    Algemeen::CardPunches read{};    // as the reader found them (blank when not decoded)
    Algemeen::CardPunches punches{}; // as they stand now
    std::vector<int> unknown;        // columns 1 .. 80 no code fits, as read
    std::vector<int> doubtful;       // columns the picture leaves in doubt, unknown ones aside
    bool corrected = false;          // a correction holds `punches` (made now or found in the journal)
    bool accepted = false;           // a person went through it: it left the queue
    bool written = false;            // `kept` came from a correction line in the journal
    Algemeen::CardPunches kept{};    // as the journal last says: its correction, else the reading

    CardState State() const;
    bool NeedsLook() const
    {
        return !accepted && State() != CardState::Read && State() != CardState::Corrected;
    }
    bool Edited() const { return punches != read; }
};

struct ReviewPicture
{
    std::string file;
    bool done = false; // its outcome is in
    bool refused = false;
    std::string reason;
    std::vector<std::size_t> cards; // indices into Cards()
};

class ReviewQueue
{
public:
    explicit ReviewQueue(Deck::CodeMap map) : map_(std::move(map)) {}

    // The pictures of a box, in order, none read yet.
    void SetPictures(const std::vector<std::string>& files);
    // The outcome of picture `index` as the batch unit gives it (each card's journal object).
    void AddOutcome(std::size_t index, const Batch::PictureOutcome& outcome);
    // The lines of a batch's journal: its pictures and cards, then the last correction of each card
    // applied (such a card is corrected and no longer needs a look). Throws std::invalid_argument for
    // a malformed correction line.
    void LoadJournal(const std::vector<std::string>& lines);

    const std::vector<ReviewCard>& Cards() const { return cards_; }
    const std::vector<ReviewPicture>& Pictures() const { return pictures_; }
    const ReviewCard& Card(std::size_t card) const { return cards_.at(card); }
    std::size_t PicturesDone() const;
    std::size_t NeedingLook() const;

    // F3 (forward) and Shift+F3: the nearest card after (before) `from` that needs a look, going
    // round the end; from none, the first (last). None when no card needs a look.
    std::optional<std::size_t> NextToLook(std::optional<std::size_t> from, bool forward) const;

    // Corrections, each undoable. `row` counts from the top of the card: 0 is row 12, 1 row 11,
    // 2 row 0, 3 .. 11 rows 1 .. 9.
    void TogglePunch(std::size_t card, int column, int row);
    // Punches the character's code into the column; false (nothing changed) when the code table
    // has no code for it.
    bool TypeCharacter(std::size_t card, int column, char c);
    // Turn half way: the card's punches become those of another reading of it (an edit like the
    // others, undone by Undo; Accept makes it the card's correction).
    void TakeReading(std::size_t card, const Algemeen::CardPunches& punches);
    bool Undo();
    bool Redo();
    // The card a last Undo or Redo changed.
    std::size_t LastChanged() const { return lastChanged_; }

    // Enter: the card leaves the queue. A card with punches gives the correction to append to the
    // journal (its punches as they stand, confirmed or changed); a card without any gives none and
    // stays in the queue.
    std::optional<Batch::Correction> Accept(std::size_t card);
    // The correction line of a card as its punches stand now.
    Batch::Correction CorrectionOf(std::size_t card) const;
    void MarkWritten(std::size_t card)
    {
        cards_.at(card).written = true;
        cards_.at(card).kept = cards_.at(card).punches;
    }
    // Cards accepted whose correction is not in the journal yet.
    std::size_t Unwritten() const;

    // The 80 columns of the punches through the code table, '?' where no code fits.
    std::string TextOf(const Algemeen::CardPunches& punches) const;
    const Deck::CodeMap& Map() const { return map_; }

private:
    struct Edit
    {
        std::size_t card;
        Algemeen::CardPunches before, after;
    };
    void Apply(std::size_t card, const Algemeen::CardPunches& after);
    ReviewCard CardOf(std::size_t picture, int number, const nlohmann::json& content) const;

    Deck::CodeMap map_;
    std::vector<ReviewPicture> pictures_;
    std::vector<ReviewCard> cards_; // in picture order, then card order
    std::vector<Edit> done_, undone_;
    std::size_t lastChanged_ = 0;
};

} // namespace Unit1
