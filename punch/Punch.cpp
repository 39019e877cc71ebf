#include "Punch.h"

#include "BmpLoad.h"
#include "Perspective.h"

#include <cmath>

namespace Punch {

namespace {

std::string CheckPageSize(const PageLayout& layout)
{
    const auto pixels = static_cast<std::int64_t>(layout.width) * layout.height;
    if (layout.width <= BMPunit::kMaxSide && layout.height <= BMPunit::kMaxSide &&
        pixels <= BMPunit::kMaxPixels)
        return {};
    return "a page of " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
           " pixels is larger than a scan may be; lower --dpi or punch fewer cards";
}

// The tilted page: drawn flat at twice the scale (once when that would be too large), then seen in
// perspective, each picture pixel from four samples.
std::string DrawTilted(const std::vector<CardOnPage>& cards, const PageOptions& options,
                       const CardDimensions& card, double scale, BMPunit::BitImage& picture)
{
    int oversample = 2;
    PageLayout layout = LayOutPage(cards, card, scale * oversample);
    if (!CheckPageSize(layout).empty()) {
        oversample = 1;
        layout = LayOutPage(cards, card, scale);
    }
    if (std::string problem = CheckPageSize(layout); !problem.empty())
        return problem;
    const Perspective perspective(options.tiltAboutHorizontal, options.tiltAboutVertical,
                                  layout.width / double(oversample), layout.height / double(oversample));
    if (std::string problem = CheckPageSize({perspective.Width(), perspective.Height(), {}});
        !problem.empty())
        return problem;
    picture = WarpPage(RenderPage(cards, layout, card, scale * oversample), perspective, oversample);
    return {};
}

// The flat page under a photo: drawn at twice the photo's scale (once when that would be too
// large), with the ink apart and the cards' outlines without holes.
std::string DrawFlat(const std::vector<CardOnPage>& cards, const CardDimensions& card, double scale,
                     FlatPage& flat)
{
    flat.oversample = 2;
    PageLayout layout = LayOutPage(cards, card, scale * flat.oversample);
    if (!CheckPageSize(layout).empty()) {
        flat.oversample = 1;
        layout = LayOutPage(cards, card, scale);
    }
    if (std::string problem = CheckPageSize(layout); !problem.empty())
        return problem;
    const double fine = scale * flat.oversample;
    flat.paper = RenderPage(cards, layout, card, fine, &flat.ink);
    std::vector<CardOnPage> blank = cards;
    for (CardOnPage& each : blank) {
        each.punches = {};
        each.front = false;
    }
    flat.outline = RenderPage(blank, layout, card, fine);
    return {};
}

std::string WritePhotoPage(const std::vector<CardOnPage>& cards, const PageOptions& options,
                           const CardDimensions& card, double scale, const std::string& output)
{
    FlatPage flat;
    if (std::string problem = DrawFlat(cards, card, scale, flat); !problem.empty())
        return problem;
    const double width = flat.paper.width / double(flat.oversample);
    const double height = flat.paper.height / double(flat.oversample);
    // Room around the page for the surface and what lies on it.
    const double margin = 0.2 * std::max(width, height);
    const Perspective perspective(options.tiltAboutHorizontal, options.tiltAboutVertical, width, height,
                                  margin);
    if (std::string problem = CheckPageSize({perspective.Width(), perspective.Height(), {}});
        !problem.empty())
        return problem;
    const ColourPicture photo = PaintPhoto(flat, perspective, options.photo, options.seed);
    const std::string format = options.scan.format.empty() ? std::string("png") : options.scan.format;
    WritePhoto(photo, format, options.scan.noResolution ? 0.0 : scale * 25.4, options.photo.jpegQuality,
               output);
    return {};
}

} // namespace

std::string WritePage(const std::vector<CardOnPage>& cards, const PageOptions& options,
                      const std::string& output)
{
    // The resolution fields hold whole pixels per metre; drawing at exactly that scale keeps the
    // file true to what it shows.
    const auto pixelsPerMetre = static_cast<std::int32_t>(std::llround(options.dpi / 0.0254));
    const double scale = pixelsPerMetre / 1000.0;
    const CardDimensions& card = options.real ? kRealCard : kModelCard;
    if (options.photo.wanted)
        return WritePhotoPage(cards, options, card, scale, output);
    BMPunit::BitImage page;
    if (options.Tilted()) {
        if (std::string problem = DrawTilted(cards, options, card, scale, page); !problem.empty())
            return problem;
    } else {
        const PageLayout layout = LayOutPage(cards, card, scale);
        if (std::string problem = CheckPageSize(layout); !problem.empty())
            return problem;
        page = RenderPage(cards, layout, card, scale);
    }
    RoughenEdges(page, options.roughEdges * scale, options.seed);
    const auto wanted = std::llround(options.noise * static_cast<double>(page.black.size()));
    const auto flipped = AddSpeckNoise(page, options.noise, options.seed);
    if (flipped < wanted)
        return "--noise: room for only " + std::to_string(flipped) + " of " + std::to_string(wanted) +
               " isolated specks";
    if (options.scan.Wanted())
        return WriteScanPage(page, pixelsPerMetre * 0.0254, options.scan, output);
    BMPunit::WriteFileBytes(output, BMPunit::EncodeBitmap(page, pixelsPerMetre));
    return {};
}

} // namespace Punch
