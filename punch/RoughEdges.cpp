#include "RoughEdges.h"

#include <cmath>
#include <random>
#include <vector>

namespace Punch {

namespace {

// The black pixels joined to the page's border through black 4-neighbours: the background
// around the cards, apart from the black of holes, which the card's white encloses.
std::vector<std::uint8_t> Background(const BMPunit::BitImage& image)
{
    std::vector<std::uint8_t> outside(image.black.size(), 0);
    std::vector<std::size_t> stack;
    auto visit = [&](std::int32_t x, std::int32_t y) {
        const std::size_t i = image.Index(x, y);
        if (image.black[i] != 0 && outside[i] == 0) {
            outside[i] = 1;
            stack.push_back(i);
        }
    };
    for (std::int32_t x = 0; x < image.width; ++x) {
        visit(x, 0);
        visit(x, image.height - 1);
    }
    for (std::int32_t y = 0; y < image.height; ++y) {
        visit(0, y);
        visit(image.width - 1, y);
    }
    const auto width = static_cast<std::size_t>(image.width);
    while (!stack.empty()) {
        const std::size_t i = stack.back();
        stack.pop_back();
        const auto x = static_cast<std::int32_t>(i % width), y = static_cast<std::int32_t>(i / width);
        if (x > 0)
            visit(x - 1, y);
        if (x + 1 < image.width)
            visit(x + 1, y);
        if (y > 0)
            visit(x, y - 1);
        if (y + 1 < image.height)
            visit(x, y + 1);
    }
    return outside;
}

struct Roughening
{
    std::int32_t x, y;
    double radius;
    bool bite; // else a bump
};

// Paints a disc about (x, y): black over card pixels for a bite, white over background pixels
// for a bump.
void PaintDisc(BMPunit::BitImage& image, const std::vector<std::uint8_t>& outside, const Roughening& r)
{
    const auto reach = static_cast<std::int32_t>(std::ceil(r.radius));
    for (std::int32_t dy = -reach; dy <= reach; ++dy)
        for (std::int32_t dx = -reach; dx <= reach; ++dx) {
            const std::int32_t x = r.x + dx, y = r.y + dy;
            if (x < 0 || y < 0 || x >= image.width || y >= image.height ||
                dx * dx + dy * dy > r.radius * r.radius)
                continue;
            const std::size_t i = image.Index(x, y);
            if (r.bite && image.black[i] == 0)
                image.black[i] = 1;
            else if (!r.bite && outside[i] != 0)
                image.black[i] = 0;
        }
}

} // namespace

std::int64_t RoughenEdges(BMPunit::BitImage& image, double radius, std::uint64_t seed)
{
    if (!(radius > 0.0) || image.width < 3 || image.height < 3)
        return 0;
    const std::vector<std::uint8_t> outside = Background(image);
    // Every card pixel with a background 4-neighbour is a place along the edge; each starts a
    // bite or bump with the chance that gives one per kRoughSpacing radii of edge. All are chosen
    // on the edge as drawn, then painted.
    std::mt19937_64 random(seed ^ 0x5eed0fedcaULL);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double chance = 1.0 / (kRoughSpacing * radius);
    std::vector<Roughening> marks;
    for (std::int32_t y = 1; y + 1 < image.height; ++y)
        for (std::int32_t x = 1; x + 1 < image.width; ++x) {
            if (image.Black(x, y))
                continue;
            const bool edge = outside[image.Index(x - 1, y)] != 0 || outside[image.Index(x + 1, y)] != 0 ||
                              outside[image.Index(x, y - 1)] != 0 || outside[image.Index(x, y + 1)] != 0;
            if (!edge || unit(random) >= chance)
                continue;
            marks.push_back({x, y, radius * (0.4 + 0.6 * unit(random)), unit(random) < 0.5});
        }
    for (const Roughening& mark : marks)
        PaintDisc(image, outside, mark);
    return static_cast<std::int64_t>(marks.size());
}

} // namespace Punch
