#include "Duplex.h"

#include <cstdio>
#include <filesystem>
#include <random>

namespace Punch {

namespace {

bool Punched(const CardPunches& card, int column, int position)
{
    return (card[static_cast<std::size_t>(column - 1)] & Algemeen::RowBit(position - 1)) != 0;
}

// One position of the card, punched or not as asked, picked evenly; false when there is none.
bool PickPosition(const CardPunches& card, bool punched, std::mt19937_64& random, Damage& damage)
{
    std::vector<std::pair<int, int>> positions;
    for (int column = 1; column <= kCardColumns; ++column)
        for (int position = 1; position <= kColumnRows; ++position)
            if (Punched(card, column, position) == punched)
                positions.emplace_back(column, position);
    if (positions.empty())
        return false;
    const auto& [column, position] = positions[random() % positions.size()];
    damage = {column, position, punched};
    return true;
}

} // namespace

std::vector<DamageRecord> ChooseDamage(const std::vector<CardPunches>& cards, double frontRate,
                                       double backRate, std::uint64_t seed)
{
    std::mt19937_64 random(seed ^ 0xDA3A6Eull);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<DamageRecord> records;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        // Both draws are made for every card, so one rate does not shift the other's choice.
        const bool front = unit(random) < frontRate;
        const bool back = unit(random) < backRate;
        if (!front && !back)
            continue;
        DamageRecord record{i, front, {}};
        const bool cover = random() % 2 == 0;
        if (!(cover && PickPosition(cards[i], true, random, record.damage)))
            PickPosition(cards[i], false, random, record.damage);
        records.push_back(record);
    }
    return records;
}

std::string DescribeDamage(const DamageRecord& record)
{
    const int position = record.damage.position;
    const int row = position == 1 ? 12 : position == 2 ? 11 : position - 3;
    return "damage: card " + std::to_string(record.card + 1) + (record.front ? " front" : " back") +
           " column " + std::to_string(record.damage.column) + " row " + std::to_string(row) +
           (record.damage.covered ? " covered" : " speck");
}

CardOnPage FrontOf(const CardOnPage& back)
{
    CardOnPage front = back;
    front.front = true;
    front.angleDegrees = back.angleDegrees == 0.0 ? 0.0 : -back.angleDegrees;
    front.damage.clear();
    return front;
}

std::string DuplexFileName(const std::string& output, std::size_t number, bool frontSide, bool frontFirst)
{
    const std::filesystem::path path(output);
    const bool first = frontSide == frontFirst;
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "-%04zu-%s-%s", number, first ? "a" : "b",
                  frontSide ? "front" : "back");
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string())).string();
}

} // namespace Punch
