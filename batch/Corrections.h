// Corrections of a batch's journal: a person's fix of one card, kept as a line appended to the
// finished journal and never written over the reading. The line is
//   {"correct":{"file":F,"card":K},"punches":[80 x "4 octal digits"],"text80":T,"by":"review"}
// where F and K name the card as its reading line does (K = 1..N in its picture). A journal may
// hold several corrections of one card; the last one counts.
#pragma once

#include "CardPunches.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace Batch {

struct Correction
{
    std::string File;                // the picture as the journal names it
    std::int32_t Card = 0;           // 1..N, the card in that picture as the journal counts it
    Algemeen::CardPunches Punches{}; // columns 1 to 80, as the person left them
    std::string Text80;              // the 80 columns through the code table in use
    std::string By = "review";       // who made the correction
};

using CorrectionKey = std::pair<std::string, std::int32_t>;
using CorrectionMap = std::map<CorrectionKey, Correction>;

// The record of a correction, without its LF. Bytes of the file name or text that are not UTF-8
// become U+FFFD. Throws std::invalid_argument when the card is below 1, the file name is empty or
// a column holds bits beyond the 12 rows.
std::string CorrectionLine(const Correction& correction);

// True when the line starts as a correction record does; such a line is never a reading line.
bool LooksLikeCorrection(std::string_view line);

// The correction a journal line holds; none when the line is not a correction record (a reading
// line, or text that is not a JSON object). Throws std::invalid_argument, saying what is wrong,
// for a line that is a correction record but a malformed one (a card below 1, not 80 columns, a
// column that is not 4 octal digits, text80 missing).
std::optional<Correction> ParseCorrection(std::string_view line);

// Appends the correction's line (with LF) to a finished journal with one write and syncs it.
// False, with `error` saying why, when the journal is missing, not a regular file, does not end
// with a whole line, is being written by a batch now (its .part is locked), or cannot be written;
// the journal is then unchanged. Throws std::invalid_argument for a correction CorrectionLine
// refuses.
bool AppendCorrection(const std::string& journal, const Correction& correction, std::string& error);

// The last correction of each card among a journal's lines (lines that are not corrections are
// passed over). Throws std::invalid_argument naming the line (from 1) of a malformed correction.
CorrectionMap CorrectionsOf(std::span<const std::string> lines);
// The same for the journal file at `journal`. Throws std::runtime_error when it cannot be read.
CorrectionMap CorrectionsOf(const std::filesystem::path& journal);

} // namespace Batch
