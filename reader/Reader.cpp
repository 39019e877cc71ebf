#include "korvane/Reader.h"

#include "Overlay.h"
#include "ProcessPass.h"
#include "ReadCard.h"
#include "ReaderContext.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace korvane {

const char* OrientationName(Orientation orientation)
{
    switch (orientation) {
    case Orientation::Settled:
        return "settled";
    case Orientation::FaceUp:
        return "face-up";
    case Orientation::FromPunches:
        return "from-punches";
    case Orientation::Uncertain:
        return "uncertain";
    case Orientation::NoCutCorner:
        return "no-cut-corner";
    case Orientation::Unjudged:
        break;
    }
    return "";
}

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
    console_ = console;
    Algemeen::Clock* clock = options.Clock;
    if (clock == nullptr) {
        ownClock_ = std::make_unique<Algemeen::SystemClock>();
        clock = ownClock_.get();
    }
    context_ = std::make_unique<ReaderContext>(*console, *clock);
    context_->Log.SetLogFileName(options.LogFile);
    context_->CodeTableFile = options.CodeTableFile;
    if (options.CodeTable) {
        context_->FixedCodeTable = true;
        context_->CodeTable = *options.CodeTable;
        context_->CodeTableIndex = IndexCodes(context_->CodeTable);
    }
}

Reader::~Reader() = default;

bool Reader::Process(const Picture& picture, Algemeen::EventPump& events)
{
    ReaderContext& reader = *context_;
    reader.Scan = &picture;
    BMPunit::TraceContours(picture, reader.Store, reader.Log, events);
    return ProcessPass(reader, events).Found();
}

bool Reader::Process(OpenedPicture& picture, Algemeen::EventPump& events)
{
    bool processed = Process(picture.Picture, events);
    while (!processed && RetryPicture(picture, *console_))
        processed = Process(picture.Picture, events);
    return processed;
}

OpenedPicture Reader::Open(const std::string& fileName)
{
    return OpenPicture(fileName, options_.Picture, *console_);
}

ScanResult Reader::ReadFile(const std::string& fileName, Algemeen::EventPump& events)
{
    ScanResult scan;
    scan.File = fileName;
    OpenedPicture opened = Open(fileName);
    scan.Open = opened.Status;
    scan.Reason = opened.Reason;
    if (!opened.Ok)
        return scan;
    scan.Processed = Process(opened, events);
    scan.Width = opened.Picture.Width;
    scan.Height = opened.Picture.Height;
    scan.PixelsPerMillimetre = opened.Picture.PixelsPerMillimetre;
    scan.Info = opened.Info;
    scan.Scale = opened.Scale;
    scan.Settings = opened.Settings;
    if (!scan.Processed)
        scan.Message = kNotACard;
    else
        for (const std::int32_t card : AcceptedCards()) {
            events.PumpEvents(); // a deadline or a stop ends the work between cards too
            scan.Cards.push_back(ReadCard(card));
        }
    context_->Scan = nullptr;
    scan.Picture = std::move(opened.Picture);
    return scan;
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
    CardResult result = korvane::ReadCard(*context_, card);
    result.Centre = CardCentre(card);
    return result;
}

void Reader::DrawOverlay(Algemeen::DrawingSurface& surface, std::int32_t& paletteIndex)
{
    PrepareOverlay(*context_, surface);
    korvane::DrawOverlay(*context_, surface, paletteIndex);
}

std::size_t Reader::OverlaySteps() const
{
    return korvane::OverlaySteps(*context_);
}

std::vector<Algemeen::IntPoint> GridPixels(const Ogenblik::CardGrid& grid, std::int32_t width,
                                           std::int32_t height)
{
    // A rounded grid coordinate that a 32-bit pixel position can hold.
    auto toPixel = [](double v, std::int32_t& out) {
        const double r = Algemeen::RoundHalfEven(v);
        if (!(r >= -2147483648.0 && r <= 2147483647.0))
            return false;
        out = static_cast<std::int32_t>(r);
        return true;
    };
    std::vector<Algemeen::IntPoint> pixels;
    pixels.reserve(Ogenblik::kGridColumns * Ogenblik::kGridRows);
    for (int i = 0; i < Ogenblik::kGridColumns; ++i)
        for (int m = 0; m < Ogenblik::kGridRows; ++m) {
            const Algemeen::RealPoint p = Ogenblik::GridPosition(grid, i, m);
            std::int32_t x = 0, y = 0;
            if (toPixel(p.X, x) && toPixel(p.Y, y) && x >= 0 && y >= 0 && x < width && y < height)
                pixels.push_back({x, y});
        }
    return pixels;
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

ScanResult ReadFile(const std::string& fileName, const ReadOptions& options)
{
    Reader reader(options);
    Algemeen::NoEvents events;
    return reader.ReadFile(fileName, events);
}

} // namespace korvane
