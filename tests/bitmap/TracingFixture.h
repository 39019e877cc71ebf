// Shared by the tracing and contour store tests: a clean module with a log file in a scratch
// directory, pictures put straight into the module, and small geometry helpers.
#pragma once

#include "BMPunit.h"
#include "TestSupport.h"
#include "TraceSteps.h"

#include <gtest/gtest.h>
#include <random>

class TracingFixture : public ::testing::Test
{
protected:
    TracingFixture() { log.SetLogFileName("Vertolkt.log"); }

    // Encodes the picture as a BMP file's bytes, checks them and keeps the picture they give; the
    // check's console lines are dropped.
    void Load(const BMPunit::BitImage& image, bool topDown = false)
    {
        BMPunit::BmpFile file;
        file.BitmapBytes = BMPunit::EncodeBitmap(image, 11811, topDown);
        file.BitmapFileSize = static_cast<std::int32_t>(file.BitmapBytes.size());
        ASSERT_TRUE(BMPunit::CheckBitmapHeader(file, platform.console));
        picture = BMPunit::TakePicture(std::move(file));
        platform.console.Clear();
    }
    void Trace(const BMPunit::BitImage& image, bool topDown = false)
    {
        Load(image, topDown);
        TraceContours(events);
        platform.console.Clear();
    }
    void Trace(const std::vector<std::string>& rows) { Trace(TestSupport::ParseBitmap(rows)); }

    Algemeen::Jordan Points(std::int32_t c)
    {
        Algemeen::Jordan points;
        store.GetContour(c, points);
        return points;
    }

    // The operations of the unit on this fixture's picture, store and log.
    void TraceContours(Algemeen::EventPump& pump) { BMPunit::TraceContours(picture, store, log, pump); }
    void TracePieces(Algemeen::EventPump& pump) { BMPunit::TracePieces(picture, store, log, pump); }
    void LinkPieces(Algemeen::EventPump& pump) { BMPunit::LinkPieces(store, picture.Width, pump); }
    void IndexContours() { BMPunit::IndexContours(store); }
    void WriteTraceStatistics() { BMPunit::WriteTraceStatistics(picture, store, platform.console); }
    std::int32_t ContourCount() const { return store.ContourCount(); }
    std::int32_t PieceCount() const { return store.PieceCount; }
    std::int32_t BlackPixelCount() const { return store.BlackPixelCount; }
    std::int32_t CurrentContour() const { return store.CurrentContour; }
    void GetContour(std::int32_t c, Algemeen::Jordan& points) { store.GetContour(c, points); }
    Algemeen::RealPoint ContourStartPoint(std::int32_t c) const { return store.ContourStartPoint(c); }
    void DrawContour(Algemeen::DrawingSurface& surface, std::int32_t c, Algemeen::Colour colour) const
    {
        store.DrawContour(surface, c, colour);
    }
    void EraseContour(std::int32_t c) { store.EraseContour(c); }
    bool IsContourErased(std::int32_t c) const { return store.IsContourErased(c); }
    void CompressContour(std::int32_t c) { store.CompressContour(c, platform.console); }

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    Algemeen::RunLog log{platform.console, platform.clock};
    Algemeen::NoEvents events;
    korvane::Picture picture;
    BMPunit::ContourStore store;
};

// Shoelace area with y downwards: positive around white, negative around black.
inline double SignedArea(const Algemeen::Jordan& points)
{
    double sum = 0.0;
    const auto n = points.Length();
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const auto& p = points[k];
        const auto& q = points[(k + 1) % n];
        sum += p.X * q.Y - q.X * p.Y;
    }
    return sum / 2.0;
}

inline BMPunit::BitImage RandomPicture(std::int32_t width, std::int32_t height, double blackShare,
                                       std::mt19937& random)
{
    BMPunit::BitImage image(width, height, false);
    std::bernoulli_distribution black(blackShare);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            image.Set(x, y, black(random));
    return image;
}
