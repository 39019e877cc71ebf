#include "CardRow.h"

#include "CodeTable.h"
#include "FileAccess.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Unit1 {

CardBox OutlineBox(const Algemeen::Jordan& points)
{
    if (points.Empty())
        return {};
    double left = points[0].X, right = left, top = points[0].Y, bottom = top;
    for (const auto& p : points) {
        left = std::min(left, p.X);
        right = std::max(right, p.X);
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    const auto x = static_cast<std::int32_t>(std::floor(left));
    const auto y = static_cast<std::int32_t>(std::floor(top));
    return {x, y, static_cast<std::int32_t>(std::ceil(right)) - x + 1,
            static_cast<std::int32_t>(std::ceil(bottom)) - y + 1};
}

bool WithoutCutCorner(const std::string& verdict)
{
    return verdict == korvane::OrientationName(korvane::Orientation::Uncertain) ||
           verdict == korvane::OrientationName(korvane::Orientation::FromPunches);
}

Deck::CodeMap CodeMapInUse(const std::string& specFileName)
{
    std::string failure;
    const auto entries = korvane::ReadCardSpec(specFileName, failure);
    return entries ? Deck::CodeMapFromTable(*entries).map : Deck::CodeMap{};
}

Deck::DeckFormat DeckFormatOfPath(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    if (extension == "cbn")
        return Deck::DeckFormat::Cbn;
    if (extension == "bin")
        return Deck::DeckFormat::Bin;
    if (extension == "jsonl")
        return Deck::DeckFormat::Jsonl;
    return Deck::DeckFormat::Text;
}

CardRow RowFromResult(const korvane::CardResult& result, const Deck::CodeMap& /*map*/)
{
    CardRow row;
    row.card = result.Contour;
    row.outline = OutlineBox(result.Outline);
    row.verdict = korvane::OrientationName(result.Orientation);
    if (!result.Outline.Empty()) {
        for (const auto& p : result.Outline) {
            row.centre.X += p.X;
            row.centre.Y += p.Y;
        }
        row.centre.X /= static_cast<double>(result.Outline.Length());
        row.centre.Y /= static_cast<double>(result.Outline.Length());
    }
    if (!result.Decoded) {
        row.message = result.Message;
        return row;
    }
    row.read = true;
    std::copy(result.Punches.begin(), result.Punches.end(), row.punches.begin());
    row.text = result.Text80;
    row.unknownColumns = result.UnknownColumns80;
    for (const korvane::DoubtfulColumn& doubt : result.DoubtfulColumns)
        if (doubt.Reason != korvane::DoubtReason::Unknown)
            row.doubtfulColumns.push_back(doubt.Column);
    row.fitFirst = result.FitFirst;
    if (result.HasFitLast)
        row.fitLast = result.FitLast;
    row.fitQuality = result.HasFitLast ? result.FitLast : result.FitFirst;
    row.complete = result.Complete();
    row.grid = result.Grid;
    return row;
}

Deck::DeckCard DeckCardOf(const CardRow& row, const Deck::CodeMap& map, const std::string& scanFile,
                          int cardInPicture)
{
    Deck::DeckCard card = Deck::CardFromPunches(row.punches, map);
    card.scanFile = scanFile;
    card.cardInPicture = cardInPicture;
    card.fitFirst = row.fitFirst;
    card.fitLast = row.fitLast;
    card.orientation = row.verdict;
    card.centre = row.centre;
    return card;
}

std::string WriteRowsAsDeck(const std::vector<CardRow>& rows, const std::string& path, bool blankForMissing,
                            const Deck::CodeMap& map, const std::string& scanFile)
{
    std::vector<Deck::DeckCard> cards;
    for (const CardRow& row : rows) {
        if (!row.read && !blankForMissing)
            continue;
        CardRow written = row;
        if (!row.read)
            written.punches = {}; // a blank card holds the card's place
        cards.push_back(DeckCardOf(written, map, scanFile, static_cast<int>(cards.size()) + 1));
    }
    if (cards.empty())
        return "No card of this picture has been read: Edit > Read all cards first";
    const std::string bytes = Deck::WriteDeck(DeckFormatOfPath(path), cards, map);
    const Algemeen::WriteResult written = Algemeen::WriteWholeFile(path, bytes);
    return written.ok ? std::string() : written.message;
}

std::string MissingCardsQuestion(const std::vector<CardRow>& rows)
{
    std::string missing;
    std::size_t count = 0;
    for (const CardRow& row : rows)
        if (!row.read) {
            ++count;
            missing += "\ncard " + std::to_string(row.number) + ": " + row.message;
        }
    if (count == 0)
        return "";
    return std::to_string(count) + " of " + std::to_string(rows.size()) +
           (rows.size() == 1 ? " card has" : " cards have") + " no punches to save:" + missing;
}

std::string ColumnList(const std::vector<int>& columns)
{
    std::string list;
    for (const int c : columns)
        list += (list.empty() ? "" : ", ") + std::to_string(c);
    return list;
}

std::vector<ColumnStrip> StripsInDoubt(const CardRow& row)
{
    std::vector<ColumnStrip> strips;
    if (!row.read)
        return strips;
    // Text column k lies at grid column 80 - k (the grid sees the card from its back); rows run
    // from grid row 0 (row 9) to 11 (row 12). A strip reaches half a step beyond its positions.
    const auto at = [&](double i, double j) {
        const Ogenblik::CardGrid& g = row.grid;
        return Algemeen::RealPoint{g.Origin.X + i * g.ColumnStep.X + j * g.RowStep.X,
                                   g.Origin.Y + i * g.ColumnStep.Y + j * g.RowStep.Y};
    };
    const auto add = [&](int column, bool unknown) {
        const double i = 80 - column;
        strips.push_back(
            {column, unknown, {at(i - 0.5, -0.5), at(i + 0.5, -0.5), at(i + 0.5, 11.5), at(i - 0.5, 11.5)}});
    };
    for (const int c : row.unknownColumns)
        add(c, true);
    for (const int c : row.doubtfulColumns)
        add(c, false);
    return strips;
}

std::string RowAsTabLine(const CardRow& row)
{
    std::string fit;
    if (row.fitQuality) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f %%", *row.fitQuality);
        fit = buffer;
    }
    return std::to_string(row.number) + '\t' + (row.message.empty() ? row.text : row.message) + '\t' +
           ColumnList(row.unknownColumns) + '\t' + fit + '\t' + row.verdict;
}

} // namespace Unit1
