// Rendering cards from text and reading them back through the window's commands.
#pragma once

#include "BMPunit.h"
#include "CardRenderer.h"
#include "PunchCodes.h"
#include "RecordingWindow.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace E2e {

struct CardSpecOnPage
{
    std::string text;
    double angle = 0.0;
};

struct PageReading
{
    bool processed = false;
    std::string processMessage;
    std::vector<std::string> texts; // per card, in page order: the text line after its pick
    std::vector<bool> black;        // the text line was black
    std::string console;
    korvane::PictureScale scale; // where the picture's resolution came from
};

// Works in a scratch directory holding a copy of the repository's code table.
class ReadBackTest : public ::testing::Test
{
protected:
    ReadBackTest();

    // Renders the cards (one below the other) into page.bmp, then Open, Process and, per card,
    // Select and a left click at the card's centre.
    PageReading RenderAndRead(const std::vector<CardSpecOnPage>& cards, double dpi, bool real = false,
                              double noise = 0.0, std::uint64_t seed = 1);
    // Renders the cards as RenderAndRead does into page.bmp and gives the card centres.
    std::vector<Algemeen::IntPoint> RenderPage(const std::vector<CardSpecOnPage>& cards, double dpi,
                                               bool real = false, double noise = 0.0, std::uint64_t seed = 1);
    // Open, Process and a pick at each point; pictures other than BMP files read with the settings.
    PageReading Read(const std::string& scan, const std::vector<Algemeen::IntPoint>& picks,
                     const korvane::PictureSettings& settings = {});

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    std::vector<Punch::CardCode> codes;
};

// Columns 1..72 of a card text, blank-padded.
std::string Columns72(const std::string& text);

} // namespace E2e
