// `korvane-cli read` in batch mode: many pictures (folders, --files-from lists) read on worker
// threads, each with a reader of its own, into JSON lines, a deck and a summary. No console lines
// per picture (they would interleave): standard output gets the summary only, after a line per
// card of pairs read without --jsonl (written in input order as the pairs finish).
#pragma once

#include "Batch.h"
#include "Deck.h"
#include "Options.h"
#include "korvane/PictureFile.h"
#include "korvane/Reader.h"

#include <functional>
#include <istream>
#include <ostream>
#include <string>

namespace Cli {

// A card whose fit quality per hole (FitPerHole) lies below this many percent is listed for review.
// The reported fit qualities divide by one more than the holes found, so a card of n holes fitting
// perfectly reports n / (n + 1): 49.9 % for one hole, 89.8 % for nine; per hole, cards read right
// measure 96 to 100 % (bench/doubt.sh: punched at 100-300 dpi, both card sizes, speck noise up to
// 10 %, grey scans with rough edges; the real scans), so this leaves a margin below the lowest.
inline constexpr double kReviewFitQuality = 90.0;

// The last fit quality (the first, when the fit stopped after one round) per hole found: times
// (n + 1) / n for n holes; 100 for a card without holes, which has nothing to fit.
double FitPerHole(const korvane::CardResult& card);

// The options ask for a batch: a folder, a list, or any option only a batch has.
bool WantsBatch(const ReadOptions& options);

// The card as one object of the JSON lines (and back, for the cards of a resumed output).
Batch::CardRecord RecordOfCard(const korvane::CardResult& card);
// The deck card of a recorded card; false when the card has no punches (it was not decoded).
bool DeckCardOfRecord(const nlohmann::json& content, const std::string& scan, int cardInPicture,
                      Deck::DeckCard& card);

// Reads one picture with a worker's reader (no log, no console): a 1-bit BMP file as it is, any
// other picture binarised and scaled by the reader's picture settings. With a review folder,
// every card that needs a look is saved there as an overlay PNG named after the picture, the card
// and the reasons. A review picture that cannot be written is an extra lost, not the card: its
// message goes to `onReviewFailure` and the card is kept.
Batch::PictureOutcome ReadPictureFile(korvane::Reader& reader, const std::string& file,
                                      const Batch::Deadline& deadline, const std::string& reviewDir,
                                      const std::function<void(const std::string&)>& onReviewFailure = {});

// Runs the batch; returns the exit status (0 all read, 1 a card not read completely, 2 refused).
int RunBatchRead(const ReadOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
                 bool errIsTerminal);

} // namespace Cli
