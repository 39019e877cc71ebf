#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace Unit1 {

// Asks a question with one button per answer and waits for the person. The first answer is the
// default (Enter); `escapeAnswer` is the one Escape gives. Returns the index of the answer chosen, or
// nothing when the box was closed without one. With `columns`, the text is set in a fixed-pitch font,
// each line unbroken, so that lines of card columns stay one under the other.
std::optional<int> AskWithButtons(QWidget* parent, const std::string& text,
                                  const std::vector<std::string>& answers, std::size_t escapeAnswer,
                                  bool columns = false);

} // namespace Unit1
