#include "Punches.h"

#include <stdexcept>

namespace Deck {

std::string Octal(ColumnPunches column)
{
    if (column > kAllRows)
        throw std::out_of_range("a card column holds 12 rows; got the value " + std::to_string(column));
    std::string digits(4, '0');
    for (int k = 3; k >= 0; --k, column >>= 3)
        digits[static_cast<std::size_t>(k)] = static_cast<char>('0' + (column & 7));
    return digits;
}

std::optional<ColumnPunches> ParseOctal(std::string_view digits)
{
    if (digits.size() != 4)
        return std::nullopt;
    ColumnPunches column = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '7')
            return std::nullopt;
        column = static_cast<ColumnPunches>(column * 8 + (digit - '0'));
    }
    return column;
}

void CheckPunches(const CardPunches& card)
{
    for (std::size_t k = 0; k < card.size(); ++k)
        if (card[k] > kAllRows)
            throw std::out_of_range("column " + std::to_string(k + 1) + " holds bits beyond the 12 rows");
}

} // namespace Deck
