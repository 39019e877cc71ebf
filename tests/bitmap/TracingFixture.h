// Shared by the tracing and contour store tests: a clean module with a log file in a scratch
// directory, pictures put straight into the module, and small geometry helpers.
#pragma once

#include "BMPunit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <random>

class TracingFixture : public ::testing::Test
{
protected:
    TracingFixture()
    {
        Algemeen::ResetLog();
        Algemeen::SetLogFileName("Vertolkt.log");
        BMPunit::ResetContourStore();
        BMPunit::RestorePicture(BMPunit::Picture{});
    }
    ~TracingFixture() override
    {
        BMPunit::ResetContourStore();
        BMPunit::RestorePicture(BMPunit::Picture{});
        Algemeen::ResetLog();
    }

    // Encodes the picture as a BMP file's bytes, hands them to the module and checks them; the
    // check's console lines are dropped.
    void Load(const BMPunit::BitImage& image, bool topDown = false)
    {
        BMPunit::Picture picture;
        picture.BitmapBytes = BMPunit::EncodeBitmap(image, 11811, topDown);
        picture.BitmapFileSize = static_cast<std::int32_t>(picture.BitmapBytes.size());
        BMPunit::RestorePicture(std::move(picture));
        ASSERT_TRUE(BMPunit::CheckBitmapHeader());
        platform.console.Clear();
    }
    void Trace(const BMPunit::BitImage& image, bool topDown = false)
    {
        Load(image, topDown);
        BMPunit::TraceContours(events);
        platform.console.Clear();
    }
    void Trace(const std::vector<std::string>& rows) { Trace(TestSupport::ParseBitmap(rows)); }

    static Algemeen::Jordan Points(std::int32_t c)
    {
        Algemeen::Jordan points;
        BMPunit::GetContour(c, points);
        return points;
    }

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    Algemeen::NoEvents events;
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
