#include "DeckOutput.h"

#include "CodeTable.h"
#include "FileAccess.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace Cli {

Deck::CodeMapResult LoadCodeMap(const std::string& fileName, korvane::CodeTableEntries* entries)
{
    std::string failure;
    const auto read = korvane::ReadCardSpec(fileName, failure);
    if (!read) {
        Deck::CodeMapResult result;
        result.message = failure;
        return result;
    }
    if (entries != nullptr)
        *entries = *read;
    return Deck::CodeMapFromTable(*read);
}

Deck::DeckCard DeckCardOf(const korvane::CardResult& card, const std::string& scanFile, int cardInPicture)
{
    Deck::DeckCard deckCard;
    deckCard.punches = card.Punches;
    deckCard.text80 = card.Text80;
    deckCard.unknownColumns = card.UnknownColumns80;
    deckCard.scanFile = scanFile;
    deckCard.cardInPicture = cardInPicture;
    deckCard.fitFirst = card.FitFirst;
    if (card.HasFitLast)
        deckCard.fitLast = card.FitLast;
    deckCard.orientation = korvane::OrientationName(card.Orientation);
    deckCard.centre = {static_cast<double>(card.Centre.X), static_cast<double>(card.Centre.Y)};
    return deckCard;
}

void WriteDeckFile(const std::string& fileName, Deck::DeckFormat format,
                   const std::vector<Deck::DeckCard>& cards, const Deck::CodeMap& map)
{
    const std::string bytes = Deck::WriteDeck(format, cards, map);
    if (const Algemeen::WriteResult written = Algemeen::WriteWholeFile(fileName, bytes); !written.ok)
        throw std::runtime_error(written.message);
}

std::string ReadDeckToPunch(const std::string& fileName, const std::string& format,
                            const std::string& codeFile, std::vector<Punch::CardPunches>& cards)
{
    const std::optional<Deck::DeckFormat> layout = Deck::DeckFormatNamed(format);
    if (!layout || *layout == Deck::DeckFormat::Jsonl)
        return "--deck-format: cannot punch from a deck in the layout \"" + format + "\"";
    Deck::CodeMap map;
    if (*layout == Deck::DeckFormat::Text) {
        Deck::CodeMapResult loaded = LoadCodeMap(codeFile);
        if (!loaded.ok)
            return codeFile + ": " + loaded.message;
        map = std::move(loaded.map);
    }
    const Algemeen::FileBytes file = Algemeen::ReadRegularFile(fileName, kMaxPunchedDeckBytes);
    if (file.status == Algemeen::FileStatus::Missing)
        return fileName + ": cannot be read";
    if (file.status != Algemeen::FileStatus::Ok)
        return fileName + ": " + file.message;
    if (!file.complete)
        return fileName + ": larger than " + std::to_string(kMaxPunchedDeckBytes) + " bytes";
    // A text deck's cards are its lines: counted before the parse, so a file of nothing but line
    // ends (millions of blank cards) costs no memory. The binary layouts hold fewer cards than
    // this in kMaxPunchedDeckBytes.
    if (*layout == Deck::DeckFormat::Text) {
        const auto lines = static_cast<std::size_t>(std::count(file.bytes.begin(), file.bytes.end(), '\n')) +
                           (!file.bytes.empty() && file.bytes.back() != '\n' ? 1 : 0);
        if (lines > kMaxPunchedCards)
            return fileName + ": " + std::to_string(lines) + " cards; at most " +
                   std::to_string(kMaxPunchedCards) + " are punched";
    }
    const Deck::DeckRead read = Deck::ReadDeck(*layout, file.bytes, map);
    if (!read.ok)
        return fileName + ": " + read.message;
    if (read.cards.empty())
        return fileName + ": the deck holds no card";
    if (read.cards.size() > kMaxPunchedCards)
        return fileName + ": " + std::to_string(read.cards.size()) + " cards; at most " +
               std::to_string(kMaxPunchedCards) + " are punched";
    cards = read.cards;
    return {};
}

std::string PageFileName(const std::string& output, std::size_t page)
{
    const std::filesystem::path path(output);
    char number[32];
    std::snprintf(number, sizeof number, "-%04zu", page);
    return (path.parent_path() / (path.stem().string() + number + path.extension().string())).string();
}

} // namespace Cli
