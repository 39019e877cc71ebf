// `korvane-cli read` in batch mode: many pictures (folders, --files-from lists) read on worker
// threads, each with a reader of its own, into JSON lines, a deck and a summary. No console lines
// per picture (they would interleave): standard output gets the summary only.
#pragma once

#include "Batch.h"
#include "Deck.h"
#include "Options.h"
#include "PictureInput.h"
#include "korvane/Reader.h"

#include <functional>
#include <istream>
#include <ostream>
#include <string>

namespace Cli {

// A card whose last fit quality (the first, when the fit stopped after one round) lies below this
// many percent is listed for review. Cards read correctly were measured at 93.3 to 99.1 % (punched
// at 100, 150 and 300 dpi, with and without speck noise; the samples; the real 150 dpi scans), so
// this leaves a margin below the lowest good fit.
inline constexpr double kReviewFitQuality = 90.0;

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
