#include "CodeMap.h"

#include <algorithm>

namespace Deck {

std::optional<char> CodeMap::CharacterOf(ColumnPunches punches) const
{
    const auto code =
        std::find_if(codes_.begin(), codes_.end(), [punches](const Code& c) { return c.punches == punches; });
    if (code == codes_.end())
        return std::nullopt;
    return code->character;
}

std::optional<ColumnPunches> CodeMap::PunchesOf(char character) const
{
    const auto code = std::find_if(codes_.begin(), codes_.end(),
                                   [character](const Code& c) { return c.character == character; });
    if (code == codes_.end())
        return std::nullopt;
    return code->punches;
}

bool CodeMap::Fits(ColumnPunches punches) const
{
    const auto character = CharacterOf(punches);
    return character && PunchesOf(*character) == punches;
}

CodeMapResult CodeMapFromTable(const CodeTableEntries& entries)
{
    CodeMapResult result;
    std::vector<CodeMap::Code> codes;
    for (std::size_t k = 1; k < entries.size(); ++k) {
        const std::string& entry = entries[k];
        if (entry.size() != 1 + kRows) {
            result.message = "code " + std::to_string(k) + " has " + std::to_string(entry.size()) +
                             " characters; a code is its character and " + std::to_string(kRows) +
                             " punch marks";
            return result;
        }
        CodeMap::Code code{entry[0], 0};
        bool matchable = true;
        for (int position = 0; position < kRows; ++position) {
            const char mark = entry[1 + static_cast<std::size_t>(position)];
            matchable = matchable && (mark == 'O' || mark == ' ');
            if (mark == 'O')
                code.punches |= RowBit(position);
        }
        if (matchable)
            codes.push_back(code);
    }
    result.ok = true;
    result.map = CodeMap(std::move(codes));
    return result;
}

CardText DecodeCard(const CardPunches& card, const CodeMap& map)
{
    CardText result;
    result.text80.reserve(kColumns);
    for (int k = 0; k < kColumns; ++k) {
        const auto character = map.CharacterOf(card[static_cast<std::size_t>(k)]);
        result.text80 += character.value_or('?');
        if (!character)
            result.unknownColumns.push_back(k + 1);
    }
    return result;
}

} // namespace Deck
