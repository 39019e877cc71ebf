// One read card as a JSON object: the one shape of a card in `read --json` and in a batch's JSON
// lines.
#pragma once

#include "korvane/Reader.h"

#include <nlohmann/json.hpp>
#include <string>

namespace Cli {

// What a card's object holds beyond its reading.
enum class CardDetail
{
    Lines,   // a journal line: the card's centre in the picture
    Picture, // --json: the card's outline and fitted grid in picture pixels
};

// The card's contour number, how its orientation was settled ({"verdict", "score",
// "alternative"}), and either its columns (text of 1-72, text80 and punches of all 80, the unknown
// columns, the doubtful columns as [{"column", "reason"}], the fit qualities) or, when its columns
// were not read, `message`.
nlohmann::json CardJson(const korvane::CardResult& card, CardDetail detail);

// A card's 80 columns as `punches` holds them: four octal digits each.
nlohmann::json PunchesJson(const Algemeen::CardPunches& punches);

// The orientation verdict of a card object, in the shape above or as the bare string that journals
// written before held.
std::string OrientationOf(const nlohmann::json& card);

} // namespace Cli
