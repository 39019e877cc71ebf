// Helpers of the deck tests: code maps from table files, and bytes written as hex.
#pragma once

#include "CodeTable.h"
#include "Deck.h"
#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace DeckTesting {

// The code map of a table file of the repository, read by the parser the window decodes with.
inline Deck::CodeMap MapOf(const std::string& relative)
{
    std::ifstream in(TestSupport::SourcePath(relative), std::ios::binary);
    const korvane::ParsedCodeTable parsed = korvane::ParseCodeTable(in);
    EXPECT_TRUE(parsed.Ok) << relative;
    if (!parsed.Ok)
        return {};
    const auto result = Deck::CodeMapFromTable(parsed.Entries);
    EXPECT_TRUE(result.ok) << relative << ": " << result.message;
    return result.map;
}

// Rows by name, as the holes of a character are usually written ("12-8-2").
constexpr Deck::ColumnPunches Holes(std::initializer_list<int> rows)
{
    Deck::ColumnPunches punches = 0;
    for (const int row : rows)
        punches |= Deck::Row(row);
    return punches;
}

// Bytes from hex pairs separated by blanks: "A0 40".
inline std::string Hex(std::string_view pairs)
{
    std::string bytes;
    for (std::size_t k = 0; k < pairs.size(); k += 3)
        bytes += static_cast<char>(std::stoi(std::string(pairs.substr(k, 2)), nullptr, 16));
    return bytes;
}

inline std::string Repeat(const std::string& piece, int times)
{
    std::string result;
    for (int k = 0; k < times; ++k)
        result += piece;
    return result;
}

} // namespace DeckTesting
