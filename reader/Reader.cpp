#include "korvane/Reader.h"

#include "ProcessPass.h"
#include "ReadCard.h"
#include "ReaderContext.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace korvane {

const AcceptedCard* ReaderContext::FindCard(std::int32_t contour) const
{
    const auto at = std::lower_bound(Cards.begin(), Cards.end(), contour,
                                     [](const AcceptedCard& c, std::int32_t n) { return c.Contour < n; });
    return at != Cards.end() && at->Contour == contour ? &*at : nullptr;
}

Reader::Reader(const ReadOptions& options) : options_(options)
{
    Algemeen::Console* console = options.Console;
    if (console == nullptr) {
        ownConsole_ = std::make_unique<Algemeen::NullConsole>();
        console = ownConsole_.get();
    }
    Algemeen::Clock* clock = options.Clock;
    if (clock == nullptr) {
        ownClock_ = std::make_unique<Algemeen::SystemClock>();
        clock = ownClock_.get();
    }
    context_ = std::make_unique<ReaderContext>(*console, *clock);
    context_->Log.SetLogFileName(options.LogFile);
    context_->CodeTableFile = options.CodeTableFile;
}

Reader::~Reader() = default;

bool Reader::Process(const Picture& picture, Algemeen::EventPump& events)
{
    ReaderContext& reader = *context_;
    reader.Scan = &picture;
    BMPunit::TraceContours(picture, reader.Store, reader.Log, events);
    return ProcessPass(reader, events).Found();
}

std::vector<std::int32_t> Reader::AcceptedCards() const
{
    std::vector<std::int32_t> cards;
    for (const auto& card : context_->Cards)
        cards.push_back(card.Contour);
    return cards;
}

std::int32_t Reader::CardAt(Algemeen::RealPoint point) const
{
    const ReaderContext& reader = *context_;
    std::vector<std::int32_t> candidates;
    reader.Index.Candidates(point, candidates);
    Ogenblik::Contour outline;
    for (const std::int32_t card : candidates) {
        reader.Store.ContourPoints(card, outline.Points);
        if (outline.Contains(point))
            return card;
    }
    return 0;
}

Algemeen::IntPoint Reader::CardCentre(std::int32_t card) const
{
    Ogenblik::Contour outline;
    context_->Store.ContourPoints(card, outline.Points);
    outline.ComputeMoments();
    const auto c = outline.AreaMoments.Centre;
    auto whole = [](double v) {
        return static_cast<std::int32_t>(std::clamp(std::floor(v), -2147483648.0, 2147483647.0));
    };
    return {whole(c.X), whole(c.Y)};
}

CardResult Reader::ReadCard(std::int32_t card)
{
    return korvane::ReadCard(*context_, card);
}

ScanResult ReadScan(const Picture& picture, const ReadOptions& options)
{
    ScanResult scan;
    scan.Width = picture.Width;
    scan.Height = picture.Height;
    scan.PixelsPerMillimetre = picture.PixelsPerMillimetre;
    Reader reader(options);
    Algemeen::NoEvents events;
    scan.Processed = reader.Process(picture, events);
    if (!scan.Processed) {
        scan.Message = kNotACard;
        return scan;
    }
    for (const std::int32_t card : reader.AcceptedCards())
        scan.Cards.push_back(reader.ReadCard(card));
    return scan;
}

} // namespace korvane
