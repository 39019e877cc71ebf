// Cards rendered from text at many resolutions, angles and positions must read back column for
// column.
#include "ReadBack.h"

using namespace E2e;

namespace {

// Every character of the code table, and the blank.
const std::string kAllCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ &-/[.<(+|!$*);^,%_>:#@'=\"";
const std::string kBusinessLine = "PAYROLL 1967 DEPT-42 AMOUNT $1,234.56 (NET) TOTAL=99 #7 @HOME 'OK' <END>";

struct Case
{
    double dpi;
    double angle;
    bool real;
};

std::string Name(const Case& c)
{
    std::string s = std::to_string(static_cast<int>(c.dpi)) + "dpi_" +
                    (c.angle < 0 ? "minus" + std::to_string(static_cast<int>(-c.angle))
                                 : std::to_string(static_cast<int>(c.angle))) +
                    "deg";
    return s + (c.real ? "_real" : "_model");
}

class RoundTrip : public ReadBackTest, public ::testing::WithParamInterface<Case>
{
};

} // namespace

TEST_P(RoundTrip, CardReadsBackExactly)
{
    const Case c = GetParam();
    const auto reading = RenderAndRead({{kBusinessLine, c.angle}}, c.dpi, c.real);
    ASSERT_TRUE(reading.processed) << reading.processMessage << "\n" << reading.console;
    ASSERT_EQ(reading.texts.size(), 1u);
    EXPECT_EQ(reading.texts[0], Columns72(kBusinessLine)) << reading.console;
    EXPECT_TRUE(reading.black[0]);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, RoundTrip,
                         ::testing::Values(Case{100, 0, false}, Case{150, 0, false}, Case{200, 0, false},
                                           Case{300, 0, false}, Case{600, 0, false}, Case{100, 0, true},
                                           Case{150, 0, true}, Case{200, 0, true}, Case{300, 0, true},
                                           Case{600, 0, true}),
                         [](const auto& info) { return Name(info.param); });

INSTANTIATE_TEST_SUITE_P(Angles, RoundTrip,
                         ::testing::Values(Case{200, 3, false}, Case{200, -10, false}, Case{200, 10, true},
                                           Case{150, -4, true}, Case{200, 90, false}, Case{200, -90, true},
                                           Case{200, 180, false}, Case{150, 180, true}, Case{200, 33, false},
                                           Case{300, 137, true}, Case{100, -71, false}, Case{600, 7, true}),
                         [](const auto& info) { return Name(info.param); });

TEST_F(ReadBackTest, EveryCharacterOfTheTableReadsBack)
{
    for (const bool real : {false, true}) {
        const auto reading = RenderAndRead({{kAllCharacters, 2}}, 200, real);
        ASSERT_TRUE(reading.processed) << reading.processMessage;
        EXPECT_EQ(reading.texts.at(0), Columns72(kAllCharacters)) << (real ? "real" : "model");
    }
}

TEST_F(ReadBackTest, PageOfSeveralCardsOneUpsideDown)
{
    const std::vector<CardSpecOnPage> cards{{"FIRST CARD ON THE PAGE", 0},
                                            {"SECOND, TURNED A LITTLE", -6},
                                            {"THIRD, UPSIDE DOWN", 180},
                                            {"FOURTH 4444", 12}};
    const auto reading = RenderAndRead(cards, 150, true);
    ASSERT_TRUE(reading.processed) << reading.processMessage;
    ASSERT_EQ(reading.texts.size(), cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        EXPECT_EQ(reading.texts[i], Columns72(cards[i].text)) << "card " << i + 1;
}

TEST_F(ReadBackTest, SpeckleNoiseOnCardAndBackground)
{
    for (const double dpi : {150.0, 300.0}) {
        const auto reading =
            RenderAndRead({{kBusinessLine, 4}, {"NOISY 0123456789", -3}}, dpi, true, 0.002, 5);
        ASSERT_TRUE(reading.processed) << reading.processMessage;
        EXPECT_EQ(reading.texts.at(0), Columns72(kBusinessLine)) << dpi;
        EXPECT_EQ(reading.texts.at(1), Columns72("NOISY 0123456789")) << dpi;
    }
}

TEST_F(ReadBackTest, BlankCardReadsAsBlanks)
{
    const auto reading = RenderAndRead({{"", 0}}, 200);
    ASSERT_TRUE(reading.processed) << reading.processMessage;
    EXPECT_EQ(reading.texts.at(0), std::string(72, ' '));
    EXPECT_TRUE(reading.black.at(0));
    EXPECT_NE(reading.console.find("Quality of Fit at first =  0.0 %"), std::string::npos) << reading.console;
    EXPECT_EQ(reading.console.find("Quality of Fit at last"), std::string::npos) << "singular: no last line";
}

TEST_F(ReadBackTest, MultiPunchColumnsAndColumnsBeyond72)
{
    // Columns 73 to 80 are punched but never decoded.
    const std::string text = std::string(70, '&') + "=\"" + "ZZZZZZZZ";
    const auto reading = RenderAndRead({{text, 1}}, 200);
    ASSERT_TRUE(reading.processed) << reading.processMessage;
    EXPECT_EQ(reading.texts.at(0), text.substr(0, 72));
}
