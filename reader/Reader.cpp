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
    case Orientation::Symmetric:
        return "symmetric";
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

// The mirrored copy of the last picture processed, made when its first face-up card is read, and
// a reader that reads the copy as a front. Its console is open only while it reads a card, so the
// card's fit lines reach the console but no line of processing the copy does.
struct Reader::FrontCopy
{
    class GatedConsole : public Algemeen::Console
    {
    public:
        explicit GatedConsole(Algemeen::Console& to) : to_(to) {}
        void Write(std::string_view text) override
        {
            if (open)
                to_.Write(text);
        }
        void EndLine() override
        {
            if (open)
                to_.EndLine();
        }
        bool open = false;

    private:
        Algemeen::Console& to_;
    };

    FrontCopy(const ReadOptions& options, Algemeen::Console& console) : Console(console)
    {
        ReadOptions front = options;
        front.Console = &Console;
        front.LogFile.clear();
        front.Picture.Decoding.Face = Imaging::Side::Front;
        Reader = std::make_unique<korvane::Reader>(front);
    }

    GatedConsole Console;
    std::unique_ptr<korvane::Reader> Reader;
    Picture Mirrored;
    bool Processed = false, Found = false;
};

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
    const bool processed =
        ProcessSide(picture, options_.Picture.Decoding.Face == Imaging::Side::Front, events);
    sideAuto_ = options_.Picture.Decoding.Face == Imaging::Side::Auto;
    return processed;
}

bool Reader::ProcessSide(const Picture& picture, bool front, Algemeen::EventPump& events)
{
    ReaderContext& reader = *context_;
    reader.Scan = &picture;
    reader.Front = front;
    printless_ = Picture{};
    if (front) {
        // A front is read without its print, which is as dark as the holes.
        double scale = picture.PixelsPerMillimetre;
        if (!(scale > 0.0))
            scale = EstimatePixelsPerMillimetre(picture);
        printless_ = WithoutPrint(picture, scale);
        if (printless_.IsSound())
            reader.Scan = &printless_;
    }
    if (front_) {
        front_->Processed = front_->Found = false;
        front_->Mirrored = Picture{};
    }
    BMPunit::TraceContours(*reader.Scan, reader.Store, reader.Log, events);
    return ProcessPass(reader, events).Found();
}

bool Reader::Process(OpenedPicture& picture, Algemeen::EventPump& events)
{
    const bool front = picture.Settings.Decoding.Face == Imaging::Side::Front;
    bool processed = ProcessSide(picture.Picture, front, events);
    while (!processed && RetryPicture(picture, *console_))
        processed = ProcessSide(picture.Picture, front, events);
    picture.Decoded.reset(); // no retry is left that would binarise it again
    sideAuto_ = picture.Settings.Decoding.Face == Imaging::Side::Auto;
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
    if (result.Orientation == Orientation::FaceUp && sideAuto_ && context_->Scan != nullptr)
        ReadFaceUpAsFront(result);
    return result;
}

std::optional<BothWays> Reader::ReadBothWays(std::int32_t card)
{
    std::optional<BothWays> both = korvane::ReadBothWays(*context_, card);
    if (both)
        both->AsFitted.Centre = both->HalfTurned.Centre = CardCentre(card);
    return both;
}

namespace {

// Carries a card read from the mirrored copy of a picture back into the picture: the pixel with
// x-coordinate x there is W - 1 - x here, a corner of pixels at x is one at W - x.
void MirrorBack(CardResult& card, std::int32_t width)
{
    // The mirror turns the outline's direction round: it is walked backwards to keep it.
    for (Algemeen::RealPoint& point : card.Outline)
        point.X = width - point.X;
    std::reverse(card.Outline.begin(), card.Outline.end());
    card.Grid.Origin.X = (width - 1) - card.Grid.Origin.X;
    card.Grid.ColumnStep.X = -card.Grid.ColumnStep.X;
    card.Grid.RowStep.X = -card.Grid.RowStep.X;
}

} // namespace

bool Reader::ReadFaceUpAsFront(CardResult& card)
{
    const Picture& picture = *context_->Scan;
    if (!front_)
        front_ = std::make_unique<FrontCopy>(options_, *console_);
    FrontCopy& copy = *front_;
    if (!copy.Processed) {
        copy.Mirrored = MirroredPicture(picture);
        Algemeen::NoEvents events;
        copy.Found = copy.Reader->Process(copy.Mirrored, events);
        copy.Processed = true;
    }
    if (!copy.Found)
        return false;
    const std::int32_t mirrored =
        copy.Reader->CardAt({static_cast<double>(picture.Width - 1 - card.Centre.X) + 0.5,
                             static_cast<double>(card.Centre.Y) + 0.5});
    if (mirrored == 0)
        return false;
    console_->Line(kReadAsFront);
    copy.Console.open = true;
    CardResult front;
    try {
        front = copy.Reader->ReadCard(mirrored);
    } catch (...) {
        copy.Console.open = false;
        throw;
    }
    copy.Console.open = false;
    if (front.Orientation == Orientation::FaceUp)
        return false;
    MirrorBack(front, picture.Width);
    front.Contour = card.Contour;
    front.Centre = card.Centre;
    card = std::move(front);
    return true;
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
