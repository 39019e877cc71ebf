#include "CardJson.h"

#include "Deck.h"

namespace Cli {

using nlohmann::json;

namespace {

json PointJson(Algemeen::RealPoint p)
{
    return json::array({p.X, p.Y});
}

} // namespace

json PunchesJson(const Algemeen::CardPunches& punches)
{
    json columns = json::array();
    for (const Deck::ColumnPunches column : punches)
        columns.push_back(Deck::Octal(column));
    return columns;
}

json CardJson(const korvane::CardResult& card, CardDetail detail)
{
    json object;
    object["contour"] = card.Contour;
    if (card.Orientation != korvane::Orientation::Unjudged)
        object["orientation"] = {{"verdict", korvane::OrientationName(card.Orientation)},
                                 {"score", card.OrientationScore},
                                 {"alternative", card.OrientationAlternative}};
    if (card.Decoded)
        object["side"] = card.Front ? "front" : "back";
    if (detail == CardDetail::Picture) {
        json outline = json::array();
        for (const auto& p : card.Outline)
            outline.push_back(PointJson(p));
        object["outline"] = outline;
    } else {
        object["centre"] = json::array({card.Centre.X, card.Centre.Y});
    }
    if (!card.Decoded) {
        object["message"] = card.Message;
        return object;
    }
    object["text"] = card.Text;
    object["text80"] = card.Text80;
    object["punches"] = PunchesJson(card.Punches);
    object["unknownColumns"] = card.UnknownColumns;
    json doubtful = json::array();
    for (const korvane::DoubtfulColumn& column : card.DoubtfulColumns)
        doubtful.push_back({{"column", column.Column}, {"reason", korvane::DoubtReasonName(column.Reason)}});
    object["doubtfulColumns"] = doubtful;
    object["fitQuality"] = {{"first", card.FitFirst},
                            {"last", card.HasFitLast ? json(card.FitLast) : json()}};
    if (detail == CardDetail::Picture) {
        const auto& grid = card.Grid;
        object["grid"] = {{"origin", PointJson(grid.Origin)},
                          {"columnStep", PointJson(grid.ColumnStep)},
                          {"rowStep", PointJson(grid.RowStep)}};
    }
    return object;
}

std::string OrientationOf(const json& card)
{
    const auto orientation = card.find("orientation");
    if (orientation == card.end())
        return "";
    if (orientation->is_string())
        return orientation->get<std::string>();
    if (orientation->is_object())
        return orientation->value("verdict", std::string());
    return "";
}

} // namespace Cli
