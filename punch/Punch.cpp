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

} // namespace

std::string WritePage(const std::vector<CardOnPage>& cards, const PageOptions& options,
                      const std::string& output)
{
    // The resolution fields hold whole pixels per metre; drawing at exactly that scale keeps the
    // file true to what it shows.
    const auto pixelsPerMetre = static_cast<std::int32_t>(std::llround(options.dpi / 0.0254));
    const double scale = pixelsPerMetre / 1000.0;
    const CardDimensions& card = options.real ? kRealCard : kModelCard;
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
