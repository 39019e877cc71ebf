#include "Summary.h"

namespace Batch {

void Summary::Add(const PictureOutcome& outcome)
{
    ++pictures;
    if (outcome.refused) {
        ++refusals[outcome.reason];
        return;
    }
    ++picturesRead;
    for (const CardRecord& card : outcome.cards) {
        ++cards;
        cardsWithUnknownColumns += card.review.unknownColumns;
        cardsOrientationNotSettled += card.review.orientationUnsettled;
        cardsBelowFitQuality += card.review.lowFitQuality;
        cardsWithDoubtfulColumns += !card.review.doubtfulColumns.empty();
        cardsNeedingReview += card.review.Any();
    }
}

int Summary::ExitStatus() const
{
    if (RefusedPictures() > 0)
        return 2;
    return cardsWithUnknownColumns > 0 || cardsOrientationNotSettled > 0 || cardsWithDoubtfulColumns > 0 ? 1
                                                                                                         : 0;
}

nlohmann::json Summary::ToJson() const
{
    nlohmann::json reasons = nlohmann::json::object();
    for (const auto& [reason, count] : refusals)
        reasons[reason] = count;
    nlohmann::json summary = {{"pictures", pictures},
                              {"picturesRead", picturesRead},
                              {"cards", cards},
                              {"cardsWithUnknownColumns", cardsWithUnknownColumns},
                              {"cardsOrientationNotSettled", cardsOrientationNotSettled},
                              {"cardsBelowFitQuality", cardsBelowFitQuality},
                              {"cardsWithDoubtfulColumns", cardsWithDoubtfulColumns},
                              {"cardsNeedingReview", cardsNeedingReview},
                              {"refusedPictures", RefusedPictures()},
                              {"refusals", reasons},
                              {"exitStatus", ExitStatus()}};
    if (deckMissing) {
        summary["deckMissing"] = *deckMissing;
        nlohmann::json gaps = nlohmann::json::array();
        for (const DeckGap& gap : deckGaps)
            gaps.push_back({{"file", gap.file}, {"card", gap.card}, {"reason", gap.reason}});
        summary["deckGaps"] = gaps;
    }
    return summary;
}

std::vector<std::string> Summary::Lines() const
{
    auto line = [](const char* label, std::size_t value) {
        return std::string(label) + " = " + std::to_string(value);
    };
    std::vector<std::string> lines{
        line("Pictures read", picturesRead),
        line("Cards read", cards),
        line("Cards with unknown columns", cardsWithUnknownColumns),
        line("Cards whose orientation was not settled", cardsOrientationNotSettled),
        line("Cards below the fit-quality threshold", cardsBelowFitQuality),
        line("Refused pictures", RefusedPictures()),
    };
    for (const auto& [reason, count] : refusals)
        lines.push_back("   " + std::to_string(count) + " x " + reason);
    lines.push_back(line("Cards with doubtful columns", cardsWithDoubtfulColumns));
    if (deckMissing && !deckGaps.empty())
        lines.push_back(line(*deckMissing == "blank" ? "Blank cards in the deck for cards not read"
                                                     : "Cards left out of the deck",
                             deckGaps.size()));
    return lines;
}

} // namespace Batch
