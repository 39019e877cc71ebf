#include "Photo.h"

#include "FileAccess.h"
#include "LeptSupport.h"
#include "Perspective.h"
#include "TiffDirectory.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace Punch {

namespace {

struct Box
{
    double left, top, right, bottom;
    bool Holds(PagePoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};

Rgb Scaled(Rgb c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

// What lies around the card: a surface of one colour with a table edge across it (another colour
// beyond), a rectangle (a fixture, a box) and rows of short dark bars like print, in the photo's
// corners so that the card mostly lies over plain surface.
class Surface
{
public:
    Surface(std::int32_t width, std::int32_t height, double margin, std::mt19937_64& random)
    {
        static constexpr std::array<Rgb, 5> kSurfaces{
            {{58, 88, 150}, {122, 86, 56}, {112, 112, 108}, {20, 20, 24}, {42, 72, 52}}};
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        base_ = kSurfaces[random() % kSurfaces.size()];
        beyond_ = Scaled(base_, 0.55 + 0.9 * unit(random));
        const double angle = unit(random) * 6.283185307179586;
        nx_ = std::cos(angle);
        ny_ = std::sin(angle);
        // The edge passes through the margin, near one side of the picture.
        const double inset = margin * (0.2 + 0.5 * unit(random));
        const double reach = std::abs(nx_) * width / 2.0 + std::abs(ny_) * height / 2.0;
        offset_ = nx_ * width / 2.0 + ny_ * height / 2.0 + reach - inset;
        const double side = margin * (0.5 + 0.4 * unit(random));
        const bool right = random() % 2 == 1;
        fixture_ = right ? Box{width - side - 4.0, 4.0, width - 4.0, 4.0 + side * 1.4}
                         : Box{4.0, height - side * 1.4 - 4.0, 4.0 + side, height - 4.0};
        fixtureColour_ = unit(random) < 0.5 ? Rgb{205, 205, 210} : Rgb{170, 40, 35};
        // Dark marks on a light surface, light ones (a screen's text) on a dark one.
        markColour_ = base_.r + base_.g + base_.b < 240.0 ? Rgb{200, 200, 190} : Rgb{30, 30, 34};
        // Marks like a line or three of text in the opposite corner.
        const double bar = std::max(2.0, margin / 25.0);
        double y = right ? height - margin * 0.8 : margin * 0.2;
        for (int row = 0; row < 3; ++row, y += bar * 3.0) {
            double x = right ? margin * 0.2 : width - margin * 1.8;
            for (int word = 0; word < 6; ++word) {
                const double length = bar * (2.0 + 5.0 * unit(random));
                marks_.push_back({x, y, x + length, y + bar * 1.5});
                x += length + bar * 2.0;
            }
        }
    }

    Rgb At(PagePoint p) const
    {
        for (const Box& mark : marks_)
            if (mark.Holds(p))
                return markColour_;
        if (fixture_.Holds(p))
            return fixtureColour_;
        return nx_ * p.x + ny_ * p.y > offset_ ? beyond_ : base_;
    }

private:
    Rgb base_, beyond_, fixtureColour_, markColour_;
    double nx_ = 1.0, ny_ = 0.0, offset_ = 0.0;
    Box fixture_{};
    std::vector<Box> marks_;
};

// The light on the scene: falling off from a centre near the middle, with a hot spot of a lamp's
// reflection (not on a light box, which shines evenly through). In a dim room (not on a light box)
// the light is less than half as strong and falls off besides from one side of the picture to the
// other to a third, along a direction drawn from the seed.
class Light
{
public:
    Light(std::int32_t width, std::int32_t height, bool backlit, bool dim, std::mt19937_64& random)
    {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        if (dim && !backlit) {
            const double angle = unit(random) * 6.283185307179586;
            dx_ = std::cos(angle) / std::hypot(width, height);
            dy_ = std::sin(angle) / std::hypot(width, height);
            x0_ = width / 2.0;
            y0_ = height / 2.0;
            level_ = 0.45;
        }
        cx_ = width * (0.35 + 0.3 * unit(random));
        cy_ = height * (0.35 + 0.3 * unit(random));
        radius2_ = 0.25 * (double(width) * width + double(height) * height);
        falloff_ = backlit ? 0.2 : 0.35;
        hot_ = backlit ? 0.0 : 0.25;
        hx_ = width * (0.2 + 0.6 * unit(random));
        hy_ = height * (0.2 + 0.6 * unit(random));
        spread2_ = 2.0 * std::pow(0.1 * std::max(width, height), 2.0);
    }

    double At(double x, double y) const
    {
        const double r2 = (x - cx_) * (x - cx_) + (y - cy_) * (y - cy_);
        const double h2 = (x - hx_) * (x - hx_) + (y - hy_) * (y - hy_);
        const double across = std::clamp(0.5 + (x - x0_) * dx_ + (y - y0_) * dy_, 0.0, 1.0);
        return level_ * (1.0 - kDimFalloff * across * (level_ < 1.0)) *
               (1.0 - falloff_ * std::min(1.0, r2 / radius2_) + hot_ * std::exp(-h2 / spread2_));
    }

private:
    static constexpr double kDimFalloff = 2.0 / 3.0;
    double cx_, cy_, radius2_, falloff_, hot_, hx_, hy_, spread2_;
    double dx_ = 0.0, dy_ = 0.0, x0_ = 0.0, y0_ = 0.0, level_ = 1.0;
};

bool Set(const BMPunit::BitImage& image, std::int32_t x, std::int32_t y)
{
    return image.black[image.Index(x, y)] != 0;
}

// The colour of one sample of the scene: the flat page where the perspective puts it, else the
// surface around it.
Rgb Sample(const FlatPage& flat, PagePoint at, const PhotoLook& look, Rgb card, Rgb surface)
{
    const auto px = static_cast<std::int32_t>(std::floor(at.x * flat.oversample));
    const auto py = static_cast<std::int32_t>(std::floor(at.y * flat.oversample));
    const Rgb lightBox{250, 248, 240};
    if (px < 0 || py < 0 || px >= flat.paper.width || py >= flat.paper.height)
        return surface;
    const bool paper = !Set(flat.paper, px, py);
    if (paper && Set(flat.ink, px, py))
        return look.backlit ? Scaled(card, 0.12) : Rgb{34, 34, 44};
    if (paper)
        return look.backlit ? Scaled(card, 0.3) : card;
    const bool hole = !Set(flat.outline, px, py);
    if (look.backlit)
        return lightBox;
    return hole ? Scaled(surface, 0.45) : surface; // a hole shows the surface in the card's shadow
}

std::uint8_t Byte(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

const std::vector<std::string>& CardColourNames()
{
    static const std::vector<std::string> names{"cream", "brown", "pink", "green", "white"};
    return names;
}

Rgb CardColour(const std::string& name)
{
    if (name == "brown")
        return {188, 150, 104};
    if (name == "pink")
        return {238, 192, 200};
    if (name == "green")
        return {192, 224, 186};
    if (name == "white")
        return {246, 246, 240};
    return {240, 228, 188};
}

ColourPicture PaintPhoto(const FlatPage& flat, const Perspective& perspective, const PhotoLook& look,
                         std::uint64_t seed)
{
    ColourPicture photo;
    photo.width = perspective.Width();
    photo.height = perspective.Height();
    photo.rgb.assign(static_cast<std::size_t>(photo.width) * static_cast<std::size_t>(photo.height) * 3, 0);
    std::mt19937_64 random(seed ^ 0x9E3779B97F4A7C15ull);
    const PagePoint corner = perspective.Map({0.0, 0.0});
    const double margin = std::max(8.0, std::min(corner.x, corner.y));
    const Surface surface(photo.width, photo.height, margin, random);
    const Light light(photo.width, photo.height, look.backlit, look.dim, random);
    const Rgb card = CardColour(look.cardColour);
    std::normal_distribution<double> noise(0.0, 2.5);
    constexpr std::array<double, 2> kSamples{0.25, 0.75};
    for (std::int32_t y = 0; y < photo.height; ++y)
        for (std::int32_t x = 0; x < photo.width; ++x) {
            const Rgb around = surface.At({x + 0.5, y + 0.5});
            Rgb sum;
            for (const double sy : kSamples)
                for (const double sx : kSamples) {
                    const Rgb c = Sample(flat, perspective.Unmap({x + sx, y + sy}), look, card, around);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            const double k = light.At(x + 0.5, y + 0.5) / 4.0;
            std::uint8_t* out =
                &photo.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(photo.width) + x) * 3];
            out[0] = Byte(sum.r * k + noise(random));
            out[1] = Byte(sum.g * k + noise(random));
            out[2] = Byte(sum.b * k + noise(random));
        }
    return photo;
}

void WritePhoto(const ColourPicture& photo, const std::string& format, double ppi, int jpegQuality,
                const std::string& output)
{
    if (std::string refusal = Algemeen::OutputRefusal(output); !refusal.empty())
        throw std::runtime_error(refusal);
    Imaging::Lept::MessageCatcher quiet;
    Imaging::Lept::PixPtr pix(pixCreate(photo.width, photo.height, 32));
    if (!pix)
        throw std::runtime_error("cannot make a picture of " + std::to_string(photo.width) + " x " +
                                 std::to_string(photo.height) + " pixels");
    for (std::int32_t y = 0; y < photo.height; ++y) {
        l_uint32* line = pixGetData(pix.get()) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(pix.get());
        for (std::int32_t x = 0; x < photo.width; ++x) {
            const std::uint8_t* c =
                &photo.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(photo.width) + x) * 3];
            composeRGBPixel(c[0], c[1], c[2], line + x);
        }
    }
    const auto resolution = static_cast<l_int32>(std::lround(ppi));
    pixSetResolution(pix.get(), resolution, resolution);
    l_uint8* data = nullptr;
    std::size_t size = 0;
    int failed = 1;
    if (format == "jpeg")
        failed = pixWriteMemJpeg(&data, &size, pix.get(), jpegQuality, 0);
    else if (format == "tiff")
        failed = pixWriteMemTiff(&data, &size, pix.get(), IFF_TIFF_LZW);
    else if (format == "bmp")
        failed = pixWriteMemBmp(&data, &size, pix.get());
    else
        failed = pixWriteMemPng(&data, &size, pix.get(), 0.0f);
    std::vector<std::uint8_t> bytes;
    if (data) {
        bytes.assign(data, data + size);
        lept_free(data);
    }
    if (failed || bytes.empty())
        throw std::runtime_error("cannot encode the photo as " + format + ": " + quiet.First());
    // Leptonica always writes a resolution into a TIFF file (300 ppi when it has none).
    if (format == "tiff" && resolution == 0 && !Imaging::Tiff::RemoveResolution(bytes))
        throw std::runtime_error("cannot take the resolution out of the TIFF file");
    if (const Algemeen::WriteResult written = Algemeen::WriteWholeFile(output, bytes); !written.ok)
        throw std::runtime_error(written.message);
}

} // namespace Punch
