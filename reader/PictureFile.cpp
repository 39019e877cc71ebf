#include "korvane/PictureFile.h"

#include "BmpLoad.h"
#include "FileAccess.h"
#include "LeptSupport.h"
#include "Resolution.h"
#include "Trace.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

namespace korvane {

namespace {

std::string Number(double value, int decimals)
{
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(decimals);
    out << value;
    return out.str();
}

std::string Tones(const Imaging::ImageInfo& info)
{
    std::string kind = info.Palette ? "palette" : info.Samples >= 3 ? "colour" : "grey";
    if (info.Samples == 4)
        kind += " with alpha";
    return std::to_string(info.Depth) + (info.Depth == 1 ? " bit, " : " bits, ") + kind;
}

const char* PolarityName(Imaging::Polarity holes)
{
    return holes == Imaging::Polarity::LightHoles ? "light-holes" : "dark-holes";
}

// One line per shape of a photo that was looked at as the card and turned down.
void ReportNotCards(const Imaging::ImageInfo& info, Algemeen::Console& console)
{
    for (const Imaging::NotCard& shape : info.NotCards)
        console.Line("Not a card: shape at (" + std::to_string(shape.Left) + ", " +
                     std::to_string(shape.Top) + "), " + std::to_string(shape.Width) + " x " +
                     std::to_string(shape.Height) + " px (" + shape.Why + ")");
}

} // namespace

bool IsOtherPictureFile(const std::string& fileName)
{
    // Anything but a regular file (a pipe would block a plain open) is left to the BMP loader's
    // refusal; the file is opened without waiting and checked once open.
    const Algemeen::FileBytes head = Algemeen::ReadRegularFile(fileName, 32);
    if (head.status != Algemeen::FileStatus::Ok)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.bytes.data());
    const std::size_t size = head.bytes.size();
    // A BMP file of grey or colour pixels is binarised like the other formats; a 1-bit one (or
    // one too short to say) keeps the BMP loader and its header report.
    if (Imaging::IsBmp(bytes, size))
        return size >= 30 && (bytes[28] | (bytes[29] << 8)) > 1;
    return Imaging::IsOtherPicture(bytes, size);
}

namespace {

// The console lines and the opened picture of a decoded file of another format (refused or not).
OpenedPicture OpenDecoded(OpenedPicture opened, Imaging::DecodeResult decoded, Algemeen::Console& console)
{
    const std::string& fileName = opened.File;
    const PictureSettings& settings = opened.Settings;
    if (!decoded.Ok) {
        console.Line(fileName + ": " + decoded.Message);
        opened.Status = OpenStatus::NotAPicture;
        opened.Reason = decoded.Message;
        return opened;
    }
    const Imaging::ImageInfo& info = decoded.Info;
    // Each page of a scanner's multi-page TIFF is a card of its own: reading the first alone would
    // drop the others without a word.
    if (info.Pages > 1) {
        opened.Reason = "the TIFF file holds " + std::to_string(info.Pages) +
                        " pages and Korvane reads one picture a file; save each page as a file of its own";
        console.Line(fileName + ": " + opened.Reason);
        opened.Status = OpenStatus::NotAPicture;
        return opened;
    }
    console.Line("Format = " + info.Format + ", " + Tones(info) +
                 (info.Pages > 1
                      ? ", page " + std::to_string(info.Page + 1) + " of " + std::to_string(info.Pages)
                      : ""));
    console.Line("Width = " + std::to_string(info.Width));
    console.Line("Height = " + std::to_string(info.Height));

    PictureScale& scale = opened.Scale;
    if (info.Perspective) {
        // A straightened photo has the scale of the card's own rectangle, whatever was given.
        scale = {decoded.Picture.PixelsPerMillimetre, "card"};
    } else if (settings.Dpi > 0.0) {
        scale = {settings.Dpi / 25.4, "option"};
    } else if (Imaging::JudgeResolution(info.Ppi) == Imaging::ResolutionVerdict::Plausible) {
        scale = {decoded.Picture.PixelsPerMillimetre, "file"};
    } else if (const double estimate = EstimatePixelsPerMillimetre(decoded.Picture); estimate > 0.0) {
        scale = {estimate, "estimated"};
    } else if (decoded.Picture.PixelsPerMillimetre > 0.0) {
        scale = {decoded.Picture.PixelsPerMillimetre, "file"}; // a suspicious one, but all there is
    }
    const std::string fileSays =
        info.FileHasResolution ? "the file says " + Number(info.Ppi, 0) + " ppi" : "the file has none";
    if (scale.Source == "option")
        console.Line("Resolution = " + Number(settings.Dpi, 0) + " ppi (given; " + fileSays + ")");
    else if (scale.Source == "file")
        console.Line("Resolution = " + Number(info.Ppi, 0) + " ppi (from the file)");
    else if (scale.Source == "card")
        console.Line("Resolution = " + Number(scale.PixelsPerMillimetre * 25.4, 0) +
                     " ppi (the card straightened from its perspective; " + fileSays + ")");
    else if (scale.Source == "estimated")
        console.Line("Resolution = " + Number(scale.PixelsPerMillimetre * 25.4, 0) +
                     " ppi (estimated from the card outlines; " + fileSays + ")");
    else
        console.Line("Resolution = unknown (" + fileSays + ")");

    if (info.Threshold >= 0)
        console.Line("Threshold = " + std::to_string(info.Threshold) + " (" +
                     Imaging::MethodName(info.Method) + ")");
    else
        console.Line("Threshold = none (1 bit per pixel)");
    if (settings.AutoPolarity)
        console.Line(std::string("Polarity = ") + PolarityName(settings.Decoding.Holes) + " (auto)");
    else if (settings.Decoding.Holes == Imaging::Polarity::LightHoles)
        console.Line(std::string("Polarity = ") + PolarityName(settings.Decoding.Holes));
    if (settings.Decoding.Face == Imaging::Side::Front)
        console.Line("Side = front (mirrored)");
    else if (settings.Decoding.Face == Imaging::Side::Auto)
        console.Line("Side = auto (a card lying face up is read from its front)");
    ReportNotCards(info, console);

    if (settings.AutoPolarity && settings.Decoding.Holes == Imaging::Polarity::DarkHoles)
        opened.Decoded = std::move(decoded.Pixels);
    opened.Picture = std::move(decoded.Picture);
    opened.Picture.PixelsPerMillimetre = scale.PixelsPerMillimetre;
    opened.Info = info;
    opened.Status = OpenStatus::Opened;
    opened.Ok = true;
    return opened;
}

} // namespace

OpenedPicture OpenOtherPicture(const std::string& fileName, const PictureSettings& settings,
                               Algemeen::Console& console)
{
    OpenedPicture opened;
    opened.File = fileName;
    opened.Settings = settings;
    Imaging::DecodeOptions decoding = settings.Decoding;
    decoding.LightHolesNext = settings.AutoPolarity && decoding.Holes == Imaging::Polarity::DarkHoles;
    Imaging::DecodeResult decoded = Imaging::DecodeImageFile(fileName, decoding);
    return OpenDecoded(std::move(opened), std::move(decoded), console);
}

OpenedPicture OpenPicture(const std::string& fileName, const PictureSettings& settings,
                          Algemeen::Console& console)
{
    if (IsOtherPictureFile(fileName))
        return OpenOtherPicture(fileName, settings, console);
    OpenedPicture opened;
    opened.File = fileName;
    opened.Settings = settings;
    BMPunit::BmpFile bmp;
    if (!BMPunit::LoadBitmapFile(bmp, fileName, console)) {
        opened.Status = OpenStatus::Missing;
        return opened;
    }
    if (!BMPunit::CheckBitmapHeader(bmp, console)) {
        opened.Status = OpenStatus::NotAPicture;
        return opened;
    }
    opened.Picture = BMPunit::TakePicture(std::move(bmp));
    if (settings.Decoding.Face == Imaging::Side::Front) {
        opened.Picture = MirroredPicture(opened.Picture);
        console.Line("Side = front (mirrored)");
    } else if (settings.Decoding.Face == Imaging::Side::Auto) {
        console.Line("Side = auto (a card lying face up is read from its front)");
    }
    opened.Scale = {opened.Picture.PixelsPerMillimetre, "file"};
    opened.Status = OpenStatus::Opened;
    opened.Ok = true;
    return opened;
}

namespace {

// Outlines smaller than this cannot be a card at the lowest resolution read (50 ppi).
constexpr double kSmallestCardArea =
    0.8 * (Imaging::kCardLengthMm * 50 / 25.4) * (Imaging::kCardWidthMm * 50 / 25.4);

// Area and principal axes of a closed polygon (Green's theorem over its edges, about the first
// point to keep the sums small).
Imaging::OutlineMeasure Measure(const Algemeen::Jordan& ring)
{
    const std::ptrdiff_t n = ring.Length();
    const double x0 = ring[0].X, y0 = ring[0].Y;
    double a = 0, cx = 0, cy = 0, xx = 0, yy = 0, xy = 0;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double x1 = ring[i].X - x0, y1 = ring[i].Y - y0;
        const double x2 = ring[(i + 1) % n].X - x0, y2 = ring[(i + 1) % n].Y - y0;
        const double c = x1 * y2 - x2 * y1;
        a += c;
        cx += (x1 + x2) * c;
        cy += (y1 + y2) * c;
        xx += (x1 * x1 + x1 * x2 + x2 * x2) * c;
        yy += (y1 * y1 + y1 * y2 + y2 * y2) * c;
        xy += (x1 * y2 + 2 * x1 * y1 + 2 * x2 * y2 + x2 * y1) * c;
    }
    a /= 2;
    if (a == 0)
        return {};
    cx /= 6 * a;
    cy /= 6 * a;
    // Second moments about the centroid; the sign of the area (the ring's direction) cancels.
    const double ixx = xx / 12 / a - cx * cx, iyy = yy / 12 / a - cy * cy, ixy = xy / 24 / a - cx * cy;
    const double mean = (ixx + iyy) / 2, spread = std::sqrt((ixx - iyy) * (ixx - iyy) / 4 + ixy * ixy);
    const double area = std::abs(a);
    return {area, std::sqrt(12 * std::max(0.0, mean + spread)), std::sqrt(12 * std::max(0.0, mean - spread))};
}

} // namespace

korvane::Picture MirroredPicture(const korvane::Picture& picture)
{
    if (!picture.IsSound())
        return korvane::Picture{0, 0, picture.PixelsPerMillimetre, {}, 0, 0};
    const Imaging::Lept::PixPtr pix = Imaging::Lept::PixFromPicture(picture);
    pixFlipLR(pix.get(), pix.get());
    korvane::Picture mirrored = Imaging::Lept::PictureFromPix(pix.get());
    mirrored.PixelsPerMillimetre = picture.PixelsPerMillimetre;
    return mirrored;
}

korvane::Picture WithoutPrint(const korvane::Picture& picture, double pixelsPerMillimetre)
{
    const int size =
        std::max(kLeastPrintOpening, static_cast<int>(std::lround(kPrintStrokeMm * pixelsPerMillimetre)));
    if (!picture.IsSound() || !(pixelsPerMillimetre > 0.0) || size > picture.Width || size > picture.Height)
        return picture;
    const Imaging::Lept::PixPtr pix = Imaging::Lept::PixFromPicture(picture);
    pixOpenBrick(pix.get(), pix.get(), size, size);
    korvane::Picture opened = Imaging::Lept::PictureFromPix(pix.get());
    opened.PixelsPerMillimetre = picture.PixelsPerMillimetre;
    return opened;
}

double EstimatePixelsPerMillimetre(const korvane::Picture& picture)
{
    Algemeen::NullConsole silent;
    Algemeen::SystemClock clock; // its timings go nowhere
    Algemeen::RunLog log(silent, clock);
    Algemeen::NoEvents events;
    BMPunit::ContourStore store;
    BMPunit::TraceContours(picture, store, log, events);
    std::vector<Imaging::OutlineMeasure> outlines;
    Algemeen::Jordan ring;
    for (std::int32_t c = 1; c <= store.ContourCount(); ++c) {
        store.ContourPoints(c, ring);
        if (ring.Length() < 16)
            continue;
        const Imaging::OutlineMeasure m = Measure(ring);
        if (m.Area >= kSmallestCardArea)
            outlines.push_back(m);
    }
    return Imaging::PixelsPerMillimetreFromOutlines(outlines);
}

bool RetryPicture(OpenedPicture& opened, Algemeen::Console& console)
{
    PictureSettings& settings = opened.Settings;
    if (!opened.Other()) {
        // A 1-bit BMP file: its light pixels become the dark ones, and nothing else is tried.
        if (!settings.AutoPolarity || settings.Decoding.Holes != Imaging::Polarity::DarkHoles)
            return false;
        for (std::uint8_t& byte : opened.Picture.Bytes)
            byte = static_cast<std::uint8_t>(~byte);
        settings.Decoding.Holes = Imaging::Polarity::LightHoles;
        console.Line("Polarity = light-holes (auto: no card with dark holes)");
        return true;
    }
    korvane::Picture& picture = opened.Picture;
    PictureScale& scale = opened.Scale;
    if (settings.AutoPolarity && settings.Decoding.Holes == Imaging::Polarity::DarkHoles) {
        PictureSettings other = settings;
        other.Decoding.Holes = Imaging::Polarity::LightHoles;
        Algemeen::NullConsole silent;
        std::shared_ptr<const Imaging::DecodedPixels> decoded = std::move(opened.Decoded);
        OpenedPicture base;
        base.File = opened.File;
        base.Settings = other;
        OpenedPicture again =
            decoded ? OpenDecoded(std::move(base), Imaging::BinariseAgain(*decoded, other.Decoding), silent)
                    : OpenOtherPicture(opened.File, other, silent);
        decoded.reset();
        if (again.Ok &&
            (again.Picture.PixelsPerMillimetre > 0 || EstimatePixelsPerMillimetre(again.Picture) > 0)) {
            console.Line("Polarity = light-holes (auto: no card with dark holes)");
            if (again.Info.Perspective)
                console.Line("Resolution = " + Number(again.Scale.PixelsPerMillimetre * 25.4, 0) +
                             " ppi (the card straightened from its perspective)");
            ReportNotCards(again.Info, console);
            settings = other;
            picture = std::move(again.Picture);
            scale = again.Scale;
            opened.Info.Perspective = again.Info.Perspective;
            opened.Info.NotCards = again.Info.NotCards;
            return true;
        }
    }
    if (scale.Source != "file")
        return false;
    const double estimate = EstimatePixelsPerMillimetre(picture);
    if (estimate <= 0 || std::abs(estimate - scale.PixelsPerMillimetre) < 0.02 * scale.PixelsPerMillimetre)
        return false;
    console.Line("Resolution = " + Number(estimate * 25.4, 0) +
                 " ppi (estimated from the card outlines: no card fits at the file's " +
                 Number(scale.PixelsPerMillimetre * 25.4, 0) + " ppi)");
    scale = {estimate, "estimated"};
    picture.PixelsPerMillimetre = estimate;
    return true;
}

} // namespace korvane
