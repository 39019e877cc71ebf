#include "DeckGaps.h"

namespace Cli {

namespace {

// "box/a.png: card 2" or "box/a.png" for a whole picture.
std::string Where(const Batch::DeckGap& gap)
{
    return gap.card == 0 ? gap.file : gap.file + ": card " + std::to_string(gap.card);
}

} // namespace

std::optional<MissingCards> MissingCardsNamed(std::string_view name)
{
    if (name == "skip")
        return MissingCards::Skip;
    if (name == "blank")
        return MissingCards::Blank;
    if (name == "stop")
        return MissingCards::Stop;
    return std::nullopt;
}

void DeckGaps::Add(Batch::DeckGap gap, const Deck::CodeMap& map, std::vector<Deck::DeckCard>& deck,
                   std::ostream& err)
{
    switch (mode_) {
    case MissingCards::Skip:
        err << "korvane-cli: " << Where(gap) << ": left out of the deck (" << gap.reason << ")\n";
        break;
    case MissingCards::Blank: {
        err << "korvane-cli: " << Where(gap) << ": a blank card in the deck in its place (" << gap.reason
            << ")\n";
        Deck::DeckCard blank = Deck::CardFromPunches(Deck::CardPunches{}, map);
        blank.scanFile = gap.file;
        blank.cardInPicture = static_cast<int>(gap.card);
        blank.missing = gap.reason;
        deck.push_back(std::move(blank));
        break;
    }
    case MissingCards::Stop:
        err << "korvane-cli: " << Where(gap) << ": not read (" << gap.reason << ")\n";
        break;
    }
    gaps_.push_back(std::move(gap));
}

bool DeckGaps::MayWrite(const std::string& deckFile, std::ostream& err) const
{
    if (mode_ != MissingCards::Stop || gaps_.empty())
        return true;
    err << "korvane-cli: " << deckFile << ": not written: " << gaps_.size()
        << (gaps_.size() == 1 ? " card was" : " cards were") << " not read (--missing stop)\n";
    return false;
}

void DeckGaps::Complete(Batch::Summary& summary) const
{
    summary.deckMissing = modeName_;
    summary.deckGaps = gaps_;
}

} // namespace Cli
