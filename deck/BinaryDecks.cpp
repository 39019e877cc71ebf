// The two binary card layouts, 160 bytes per card.
//
// Column binary (.cbn): two 6-bit characters per column, as a 7-track tape record carries them.
// The first holds rows 12, 11, 0, 1, 2, 3 in bits 5 to 0, the second rows 4 to 9; bit 6 makes
// the parity of bits 0 to 6 odd; bit 7 is set on the first byte of each card only. Sources: the
// card-format notes of diyessi/Z0ftware (doc/cards.md); Pierce's "Tools and Formats" page on
// bitsavers (SDS/9xx/diag/magtape/tool.html); the SIMH i7094 documentation (attach -C, .CBN
// files, "two characters per column").
//
// Binary (.bin): one 16-bit word per column, little-endian, rows 12, 11, 0, 1, ..., 9 in bits 15
// to 4 and bits 3 to 0 zero; so the first byte of a column holds rows 6 to 9 in its high nibble.
// The comments of SIMH's sim_card.c and sim_card.h disagree on the byte order; the deck files
// published on bitsavers follow this one. Sources: bitsavers IBM/1130/diagnostics/simhCardFormat.txt;
// open-simh/simh#503.
#include "DeckFile.h"

#include <bit>

namespace Deck {

namespace {

constexpr std::size_t kCardBytes = 2 * kColumns;
constexpr unsigned kParityBit = 0x40;
constexpr unsigned kCardStartBit = 0x80;
constexpr unsigned kSixBits = 077;
constexpr int kBinShift = 4; // the 12 rows sit above 4 zero bits in a bin word

unsigned char WithOddParity(unsigned six)
{
    return static_cast<unsigned char>(std::popcount(six) % 2 == 0 ? six | kParityBit : six);
}

// "card 3, column 7 (byte 328)": where a fault lies, for messages.
std::string Where(std::size_t card, std::size_t column, std::size_t byte)
{
    return "card " + std::to_string(card + 1) + ", column " + std::to_string(column + 1) + " (byte " +
           std::to_string(byte) + ")";
}

// Fails unless the deck is a whole number of cards; otherwise sizes the card list.
bool WholeCards(std::string_view bytes, DeckRead& result)
{
    if (bytes.size() % kCardBytes != 0) {
        result.message = std::to_string(bytes.size()) + " bytes is not a whole number of cards of " +
                         std::to_string(kCardBytes) + " bytes";
        return false;
    }
    result.cards.resize(bytes.size() / kCardBytes);
    return true;
}

DeckRead Failure(DeckRead result, std::string message)
{
    result.cards.clear();
    result.message = std::move(message);
    return result;
}

// What is wrong with one byte of a column-binary card; nullptr when it is sound.
const char* CbnFault(unsigned char byte, bool firstOfCard)
{
    if (((byte & kCardStartBit) != 0) != firstOfCard)
        return firstOfCard ? "the first byte of a card lacks the card-start bit 7"
                           : "bit 7 (card start) is set inside a card";
    if (std::popcount(static_cast<unsigned>(byte & ~kCardStartBit)) % 2 == 0)
        return "parity bit 6 is wrong (bits 0 to 6 must hold an odd number of ones)";
    return nullptr;
}

// What is wrong with a column's two bytes: the fault and which byte (0 or 1) has it; none when
// `text` is null.
struct ColumnFault
{
    const char* text = nullptr;
    std::size_t byte = 0;
};

// A deck of two bytes a column, each column through `decode(first, second, column, punches)`, which
// sets the punches or gives the fault that ends the read, named by card, column and byte.
template <class Decode> DeckRead ReadColumns(std::string_view bytes, Decode decode)
{
    DeckRead result;
    if (!WholeCards(bytes, result))
        return result;
    for (std::size_t c = 0; c < result.cards.size(); ++c)
        for (std::size_t k = 0; k < kColumns; ++k) {
            const std::size_t at = c * kCardBytes + 2 * k;
            const ColumnFault fault =
                decode(static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]), k,
                       result.cards[c][k]);
            if (fault.text != nullptr)
                return Failure(std::move(result), Where(c, k, at + fault.byte) + ": " + fault.text);
        }
    result.ok = true;
    return result;
}

} // namespace

std::string WriteCbnDeck(const std::vector<CardPunches>& cards)
{
    std::string bytes;
    bytes.reserve(cards.size() * kCardBytes);
    for (const auto& card : cards) {
        CheckPunches(card);
        for (std::size_t k = 0; k < card.size(); ++k) {
            unsigned char upper = WithOddParity(card[k] >> 6);
            if (k == 0)
                upper |= kCardStartBit;
            bytes += static_cast<char>(upper);
            bytes += static_cast<char>(WithOddParity(card[k] & kSixBits));
        }
    }
    return bytes;
}

DeckRead ReadCbnDeck(std::string_view bytes)
{
    return ReadColumns(bytes,
                       [](unsigned char upper, unsigned char lower, std::size_t column,
                          ColumnPunches& punches) -> ColumnFault {
                           if (const char* fault = CbnFault(upper, column == 0))
                               return {fault, 0};
                           if (const char* fault = CbnFault(lower, false))
                               return {fault, 1};
                           punches = static_cast<ColumnPunches>((upper & kSixBits) << 6 | (lower & kSixBits));
                           return {};
                       });
}

std::string WriteBinDeck(const std::vector<CardPunches>& cards)
{
    std::string bytes;
    bytes.reserve(cards.size() * kCardBytes);
    for (const auto& card : cards) {
        CheckPunches(card);
        for (const ColumnPunches column : card) {
            const unsigned word = static_cast<unsigned>(column) << kBinShift;
            bytes += static_cast<char>(word & 0xFF);
            bytes += static_cast<char>(word >> 8);
        }
    }
    return bytes;
}

DeckRead ReadBinDeck(std::string_view bytes)
{
    return ReadColumns(
        bytes, [](unsigned char low, unsigned char high, std::size_t, ColumnPunches& punches) -> ColumnFault {
            const unsigned word = low | static_cast<unsigned>(high) << 8;
            if ((word & ((1u << kBinShift) - 1)) != 0)
                return {"bits 3 to 0 of the column word are not zero", 0};
            punches = static_cast<ColumnPunches>(word >> kBinShift);
            return {};
        });
}

} // namespace Deck
