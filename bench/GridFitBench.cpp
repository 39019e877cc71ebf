// One step of the hole-grid fit for a card with 300 punched holes scanned at 300 dpi: the normal
// equations built by visiting all 960 grid positions per hole, as a plain loop, against
// GridNormalEquations, which visits only the positions that can weigh more than zero.
#include "GridFitReference.h"
#include "Ogenblik.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <set>
#include <utility>

using namespace Ogenblik;
using Algemeen::kolom;
using Algemeen::matrix;

namespace {

struct Card
{
    momenten holes;
    RealPoint O, Dc, Dr;
};

// The card of the benchmark: a card model at 300 dpi laid into the picture turned by 3 degrees,
// its grid carried over as the fit starts it, and 300 holes at distinct random grid positions,
// each a traced-size rectangle a pixel or so off its position.
Card MakeCard()
{
    const double scale = 300.0 / 25.4;
    Ponskaart model;
    model.Scale = scale;
    model.MakeCard(scale);
    model.BuildModel();

    const double angle = 3.0 * std::numbers::pi / 180.0;
    const RealPoint u{std::cos(angle), std::sin(angle)};
    Jordan ring(model.Points.Length());
    for (std::ptrdiff_t k = 0; k < ring.Length(); ++k)
        ring[k] = Algemeen::OffsetPoint(Algemeen::TurnPoint(model.Points[k], u, +1), {1300, 800}, +1);
    Contour specimen;
    specimen.SetPoints(ring);
    specimen.ComputeMoments();
    const BestFitVerdict turn = model.BestFit(specimen);

    Card card;
    InitialGrid(model, turn, specimen.AreaMoments, card.O, card.Dc, card.Dr);
    std::mt19937 random(300);
    std::uniform_real_distribution<double> jitter(-1.0, 1.0);
    std::set<std::pair<int, int>> used;
    card.holes.SetLength(1);
    while (used.size() < 300) {
        const int i = static_cast<int>(random() % 80), j = static_cast<int>(random() % 12);
        if (!used.insert({i, j}).second)
            continue;
        const RealPoint at{i * card.Dc.X + card.O.X + j * card.Dr.X + jitter(random),
                           i * card.Dc.Y + card.O.Y + j * card.Dr.Y + jitter(random)};
        const double w = kHoleWidth * scale / 2, h = kHoleHeight * scale / 2;
        Jordan hole{{-w, -h}, {w, -h}, {w, h}, {-w, h}};
        for (RealPoint& p : hole)
            p = Algemeen::OffsetPoint(Algemeen::TurnPoint(p, u, +1), at, +1);
        Contour c;
        c.SetPoints(hole);
        c.ComputeMoments();
        card.holes.Append(c.AreaMoments);
    }
    return card;
}

const Card& TheCard()
{
    static const Card card = MakeCard();
    return card;
}

void BM_FullLoop(benchmark::State& state)
{
    const Card& card = TheCard();
    matrix M;
    kolom V;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            GridFitReference::FullLoopReference(card.holes, card.O, card.Dc, card.Dr, M, V));
}

void BM_GridNormalEquations(benchmark::State& state)
{
    const Card& card = TheCard();
    matrix M;
    kolom V;
    for (auto _ : state)
        benchmark::DoNotOptimize(GridNormalEquations(card.holes, card.O, card.Dc, card.Dr, M, V));
}

// The two must agree bit for bit on the benchmark's own card, or the figures mean nothing.
bool SameResults()
{
    const Card& card = TheCard();
    matrix M1, M2;
    kolom V1, V2;
    const double t1 = GridFitReference::FullLoopReference(card.holes, card.O, card.Dc, card.Dr, M1, V1);
    const double t2 = GridNormalEquations(card.holes, card.O, card.Dc, card.Dr, M2, V2);
    std::printf("total weight %.6f over %td holes\n", t2, card.holes.Length() - 1);
    return std::memcmp(&t1, &t2, sizeof t1) == 0 && M1 == M2 && V1 == V2;
}

} // namespace

BENCHMARK(BM_FullLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridNormalEquations)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (!SameResults()) {
        std::fprintf(stderr, "GridNormalEquations differs from the full loop\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
