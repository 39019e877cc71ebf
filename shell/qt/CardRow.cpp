#include "CardRow.h"

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

CardRow RowFromReading(const CardReading& reading)
{
    CardRow row;
    row.card = reading.card;
    row.outline = OutlineBox(reading.result.Outline);
    row.verdict = reading.orientation;
    if (!reading.rendered)
        return row;
    row.text = reading.text;
    for (std::size_t k = 0; k < reading.text.size(); ++k)
        if (reading.text[k] == '?')
            row.unknownColumns.push_back(static_cast<int>(k + 1));
    row.fitQuality = reading.hasFitLast ? reading.fitLast : reading.fitFirst;
    return row;
}

std::string ColumnList(const std::vector<int>& columns)
{
    std::string list;
    for (const int c : columns)
        list += (list.empty() ? "" : ", ") + std::to_string(c);
    return list;
}

std::string RowAsTabLine(const CardRow& row)
{
    std::string fit;
    if (row.fitQuality) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f %%", *row.fitQuality);
        fit = buffer;
    }
    return std::to_string(row.card) + '\t' + (row.message.empty() ? row.text : row.message) + '\t' +
           ColumnList(row.unknownColumns) + '\t' + fit + '\t' + row.verdict;
}

} // namespace Unit1
