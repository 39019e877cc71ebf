#include "Punch.h"

#include "BmpLoad.h"

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

} // namespace

std::string WritePage(const std::vector<CardOnPage>& cards, const PageOptions& options,
                      const std::string& output)
{
    // The resolution fields hold whole pixels per metre; drawing at exactly that scale keeps the
    // file true to what it shows.
    const auto pixelsPerMetre = static_cast<std::int32_t>(std::llround(options.dpi / 0.0254));
    const double scale = pixelsPerMetre / 1000.0;
    const CardDimensions& card = options.real ? kRealCard : kModelCard;
    const PageLayout layout = LayOutPage(cards, card, scale);
    if (std::string problem = CheckPageSize(layout); !problem.empty())
        return problem;
    BMPunit::BitImage page = RenderPage(cards, layout, card, scale);
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
