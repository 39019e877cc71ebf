// The text deck of card simulators: one card per line. The conventions followed here are those
// of the simulators' card readers as described in the card-format notes of diyessi/Z0ftware
// (doc/cards.md) and in the simh/simh#919 and open-simh/simh#532 threads: CR ignored, tabs to
// 8-column stops, lines cut or blank-padded to 80 columns, "~" alone ends the deck, "~raw"
// followed by 80 groups of 4 octal digits (row 12 most significant) gives any punches of one
// card, and "~eor", "~eof", "~eoi" are 7-8-9, 6-7-9 and 6-7-8-9 punched in column 1.
#include "DeckFile.h"

#include <algorithm>
#include <cstdio>

namespace Deck {

namespace {

constexpr std::string_view kRaw = "~raw";
constexpr std::string_view kEndOfDeck = "~";
constexpr int kTabStop = 8;

struct ControlCard
{
    std::string_view line;
    ColumnPunches column1;
};
constexpr ControlCard kControlCards[] = {
    {"~eor", Row(7) | Row(8) | Row(9)},
    {"~eof", Row(6) | Row(7) | Row(9)},
    {"~eoi", Row(6) | Row(7) | Row(8) | Row(9)},
};

// A byte a text line can carry as a card character: no control character, so that neither tab
// expansion nor line ends change what is read back.
bool Writable(char character)
{
    const auto byte = static_cast<unsigned char>(character);
    return byte >= 0x20 && byte != 0x7F;
}

// The card spelled in the code, or none when a column has no character that punches back to the
// same holes, or the line would start like a control line.
std::optional<std::string> Spelled(const CardPunches& card, const CodeMap& map)
{
    std::string line;
    line.reserve(kColumns);
    for (const ColumnPunches column : card) {
        if (!map.Fits(column))
            return std::nullopt;
        const char character = *map.CharacterOf(column);
        if (!Writable(character))
            return std::nullopt;
        line += character;
    }
    if (line.front() == '~')
        return std::nullopt;
    return line;
}

std::string RawLine(const CardPunches& card)
{
    std::string line(kRaw);
    for (const ColumnPunches column : card)
        line += Octal(column);
    return line;
}

// A character as a message shows it: quoted when printable ASCII, else its byte value.
std::string Describe(char character)
{
    const auto byte = static_cast<unsigned char>(character);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("'") + character + "'";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", byte);
    return code;
}

std::string At(int lineNumber)
{
    return "line " + std::to_string(lineNumber);
}

std::optional<CardPunches> ReadRaw(std::string_view digits, int lineNumber, std::string& message)
{
    std::string packed;
    for (const char c : digits)
        if (c != ' ' && c != '\t')
            packed += c;
    CardPunches card{};
    const auto fail = [&] {
        message = At(lineNumber) + ": " + std::string(kRaw) + " needs 80 groups of 4 octal digits";
        return std::nullopt;
    };
    if (packed.size() != 4 * kColumns)
        return fail();
    for (std::size_t k = 0; k < card.size(); ++k) {
        const auto column = ParseOctal(std::string_view(packed).substr(4 * k, 4));
        if (!column)
            return fail();
        card[k] = *column;
    }
    return card;
}

// The 80 columns of a text line: tabs expanded, blanks added or cut at the end. Nothing beyond
// column 80 is kept, so a line of many tabs costs no more than a short one.
std::optional<std::string> Columns(std::string_view line, int lineNumber, std::string& message)
{
    std::string columns;
    std::size_t width = 0; // columns the line spans so far, beyond 80 too
    bool beyond = false;   // something other than a blank lies beyond column 80
    for (const char c : line) {
        const std::size_t next = c == '\t' ? (width / kTabStop + 1) * kTabStop : width + 1;
        if (width >= kColumns)
            beyond = beyond || (c != ' ' && c != '\t');
        else if (c == '\t')
            columns.append(std::min<std::size_t>(next, kColumns) - width, ' ');
        else
            columns += c;
        width = next;
    }
    if (beyond) {
        message = At(lineNumber) + " has " + std::to_string(width) + " columns; a card holds " +
                  std::to_string(kColumns);
        return std::nullopt;
    }
    columns.resize(kColumns, ' ');
    return columns;
}

std::optional<CardPunches> ReadText(std::string_view line, int lineNumber, const CodeMap& map,
                                    std::string& message)
{
    const auto columns = Columns(line, lineNumber, message);
    if (!columns)
        return std::nullopt;
    CardPunches card{};
    for (std::size_t k = 0; k < card.size(); ++k) {
        const auto punches = map.PunchesOf((*columns)[k]);
        if (!punches) {
            message = At(lineNumber) + ", column " + std::to_string(k + 1) + ": " + Describe((*columns)[k]) +
                      " has no code in the table";
            return std::nullopt;
        }
        card[k] = *punches;
    }
    return card;
}

std::optional<CardPunches> ReadLine(std::string_view line, int lineNumber, const CodeMap& map,
                                    std::string& message)
{
    if (line.substr(0, kRaw.size()) == kRaw)
        return ReadRaw(line.substr(kRaw.size()), lineNumber, message);
    for (const auto& control : kControlCards)
        if (line == control.line) {
            CardPunches card{};
            card[0] = control.column1;
            return card;
        }
    return ReadText(line, lineNumber, map, message);
}

} // namespace

std::string WriteTextDeck(const std::vector<CardPunches>& cards, const CodeMap& map)
{
    std::string bytes;
    for (const auto& card : cards) {
        CheckPunches(card);
        const auto spelled = Spelled(card, map);
        bytes += spelled ? *spelled : RawLine(card);
        bytes += '\n';
    }
    return bytes;
}

DeckRead ReadTextDeck(std::string_view bytes, const CodeMap& map)
{
    DeckRead result;
    int lineNumber = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string line;
        for (const char c : bytes.substr(start, end - start))
            if (c != '\r')
                line += c;
        start = end + 1;
        ++lineNumber;
        if (line == kEndOfDeck)
            break;
        const auto card = ReadLine(line, lineNumber, map, result.message);
        if (!card) {
            result.cards.clear();
            return result;
        }
        result.cards.push_back(*card);
    }
    result.ok = true;
    return result;
}

} // namespace Deck
