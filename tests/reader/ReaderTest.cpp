// The reader's entry point: values in, values out, one context per reader.
#include "korvane/Reader.h"

#include "BMPunit.h"
#include "CardRenderer.h"
#include "CodeTable.h"
#include "PunchCodes.h"
#include "ReadScan.h"
#include "ReaderInternals.h"
#include "RecordingWindow.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <thread>

namespace {

// Texts of a samples/*.txt file cut to columns 1..72.
std::vector<std::string> Texts(const std::string& name)
{
    std::ifstream in(TestSupport::SourcePath("samples/" + name + ".txt"));
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) {
        line.resize(72, ' ');
        texts.push_back(line);
    }
    return texts;
}

// A scan read with its console lines kept and a clock that stands still.
struct Reading
{
    korvane::ScanResult scan;
    std::string console;
};

Reading Read(const korvane::Picture& picture, const std::string& logFile = "")
{
    Algemeen::StringConsole console;
    TestSupport::FakeClock clock;
    korvane::ReadOptions options;
    options.Console = &console;
    options.Clock = &clock;
    options.LogFile = logFile;
    Reading reading{korvane::ReadScan(picture, options), {}};
    reading.console = console.Text();
    return reading;
}

void ExpectSame(const korvane::ScanResult& a, const korvane::ScanResult& b)
{
    ASSERT_EQ(a.Cards.size(), b.Cards.size());
    for (std::size_t k = 0; k < a.Cards.size(); ++k) {
        const auto &x = a.Cards[k], &y = b.Cards[k];
        EXPECT_EQ(x.Contour, y.Contour);
        EXPECT_EQ(x.Text, y.Text);
        EXPECT_EQ(x.Punches, y.Punches);
        EXPECT_EQ(x.FitFirst, y.FitFirst);
        EXPECT_EQ(x.FitLast, y.FitLast);
        EXPECT_EQ(x.Grid.Origin, y.Grid.Origin);
        EXPECT_EQ(x.Grid.ColumnStep, y.Grid.ColumnStep);
        EXPECT_EQ(x.Outline, y.Outline);
    }
}

class ReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        const auto table = Punch::ReadCodeTable("ibmkaart.txt");
        ASSERT_TRUE(table.ok);
        codes = table.codes;
    }
    // A page of cards of the model's size, one below the other.
    korvane::Picture Page(const std::vector<std::pair<std::string, double>>& cards, double dpi)
    {
        std::vector<Punch::CardOnPage> page;
        for (const auto& [text, angle] : cards)
            page.push_back({Punch::PunchText(text, codes).punches, angle});
        const auto layout = Punch::LayOutPage(page, Punch::kModelCard, dpi / 25.4);
        return TestSupport::PictureOf(Punch::RenderPage(page, layout, Punch::kModelCard, dpi / 25.4),
                                      static_cast<std::int32_t>(std::lround(dpi / 0.0254)));
    }

    TestSupport::ScratchDir dir;
    std::vector<Punch::CardCode> codes;
};

} // namespace

TEST_F(ReaderTest, SamplesReadToTheirTextsWithPunchesThatEncodeThem)
{
    for (const std::string name : {"card-01", "card-02", "page"}) {
        const Reading reading =
            Read(TestSupport::LoadPicture(TestSupport::SourcePath("samples/" + name + ".bmp")));
        ASSERT_TRUE(reading.scan.Processed) << name;
        std::vector<std::string> texts;
        for (const auto& card : reading.scan.Cards) {
            EXPECT_TRUE(card.Complete()) << name;
            EXPECT_TRUE(card.UnknownColumns.empty());
            EXPECT_EQ(card.Orientation, korvane::Orientation::Settled);
            // The punches are the code table's patterns of the text, column for column.
            for (std::size_t k = 0; k < 72; ++k) {
                const Punch::CardCode* code = Punch::FindCode(codes, card.Text[k]);
                ASSERT_NE(code, nullptr);
                EXPECT_EQ(card.Punches[k], code->pattern) << name << " column " << k + 1;
            }
            texts.push_back(card.Text);
        }
        // The page's last card is upside down and lies lowest; cards come by contour number, which
        // follows their top edges.
        EXPECT_EQ(texts, Texts(name)) << name;
    }
}

// The entry point and the window's commands are one reader: the same console lines, card for card,
// also when the window's reader serves again for the next picture (a page after a card after a page).
TEST_F(ReaderTest, ConsoleLinesAreThoseOfTheWindowsCommands)
{
    TestSupport::CapturedPlatform platform;
    Unit1::RunState state(platform.console, platform.clock);
    Unit1::RecordingWindow window;
    Unit1::Starten(window, state);
    const korvane::Reader* reader = nullptr;
    for (const std::string name : {"page", "card-02", "page"}) {
        const std::string scan = TestSupport::SourcePath("samples/" + name + ".bmp");
        const Reading reading = Read(TestSupport::LoadPicture(scan), "Vertolkt.log");
        window.QueueDialogAnswer(scan);
        Unit1::Open1Click(window, state);
        platform.console.Clear(); // the header report is the loader's, not the reader's
        Unit1::Process1Click(window, state);
        for (const std::int32_t card : Unit1::AcceptedCards(state))
            Unit1::ReadAcceptedCard(window, state, card);
        EXPECT_EQ(reading.console, platform.console.Text()) << name;
        EXPECT_NE(reading.console.find("Contouring pass I = 0 ms\n"), std::string::npos);
        if (reader != nullptr) {
            EXPECT_EQ(state.Reader.get(), reader) << "the same reader serves again";
        }
        reader = state.Reader.get();
    }
    Unit1::Stoppen(window, state);
}

// Rings of card shape one inside the other, each a card outline: every one is read by its own
// outline, never the innermost again; a click still finds the innermost card that holds it.
TEST_F(ReaderTest, NestedCardsAreEachReadByTheirOwnOutline)
{
    const double scale = 600 / 25.4;
    const auto width = static_cast<std::int32_t>(std::lround((Ogenblik::kCardLength + 20) * scale));
    const auto height = static_cast<std::int32_t>(std::lround((Ogenblik::kCardHeight + 20) * scale));
    // Inside the card of the model's size shrunk by `inset` pixels on every side (the cut corner
    // cut along a parallel line), the card lying with its cut corner at the top right.
    auto inside = [&](double x, double y, double inset) {
        const double left = 10 * scale + inset, top = 10 * scale + inset;
        const double right = (10 + Ogenblik::kCardLength) * scale - inset;
        const double bottom = (10 + Ogenblik::kCardHeight) * scale - inset;
        if (x < left || x > right || y < top || y > bottom)
            return false;
        // The cut: the line through (right - 6 mm, top) and (right, top + 11 mm), moved in.
        const double a = Ogenblik::kCutAlongHeight, b = Ogenblik::kCutAlongLength;
        const double u = (x - (right - b * scale)) * a - (y - top) * b;
        return u <= 0.0;
    };
    BMPunit::BitImage image(width, height, true);
    constexpr int kRings = 6;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            int depth = 0;
            for (int r = 0; r < 2 * kRings; ++r)
                depth += inside(x + 0.5, y + 0.5, 2.0 * r) ? 1 : 0;
            image.Set(x, y, depth % 2 == 0);
        }
    const korvane::Picture picture = TestSupport::PictureOf(image, 23622);
    const Reading reading = Read(picture);
    ASSERT_TRUE(reading.scan.Processed);
    EXPECT_EQ(reading.scan.Cards.size(), std::size_t{kRings}) << "every white ring is a card outline";

    // korvane-cli read --all: each card once.
    BMPunit::WriteFileBytes("rings.bmp", BMPunit::EncodeBitmap(image, 23622));
    Cli::ReadOptions options;
    options.scan = "rings.bmp";
    options.all = options.json = true;
    std::ostringstream out, err;
    Cli::RunRead(options, out, err);
    const auto result = nlohmann::json::parse(out.str());
    std::set<std::int32_t> contours;
    for (const auto& card : result["cards"])
        contours.insert(card["contour"].get<std::int32_t>());
    EXPECT_EQ(contours.size(), reading.scan.Cards.size())
        << "no card read twice: " << out.str().substr(0, 400);

    korvane::Reader reader;
    Algemeen::NoEvents events;
    ASSERT_TRUE(reader.Process(picture, events));
    const auto cards = reader.AcceptedCards();
    for (const std::int32_t card : cards) {
        const Algemeen::IntPoint centre = reader.CardCentre(card);
        EXPECT_EQ(reader.CardAt({double(centre.X), double(centre.Y)}), cards.back())
            << "the centre lies in the innermost";
    }
}

// The click index answers as the plain walk over every accepted card does.
TEST_F(ReaderTest, ClickFindsTheCardThePlainWalkFinds)
{
    const std::string text = "&-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const korvane::Picture picture = Page({{text, 25}, {text, -35}, {text, 150}, {text, 5}, {"", 90}}, 40);
    korvane::Reader reader;
    Algemeen::NoEvents events;
    ASSERT_TRUE(reader.Process(picture, events));
    const auto cards = reader.AcceptedCards();
    ASSERT_EQ(cards.size(), 5u);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> x(-20, picture.Width + 20), y(-20, picture.Height + 20);
    Ogenblik::Contour outline;
    int inside = 0;
    for (int k = 0; k < 4000; ++k) {
        const Algemeen::RealPoint p{std::floor(x(random)), std::floor(y(random))};
        std::int32_t expected = 0;
        for (const std::int32_t card : cards) {
            korvane::ContextOf(reader).Store.ContourPoints(card, outline.Points);
            if (outline.Contains(p))
                expected = card;
        }
        EXPECT_EQ(reader.CardAt(p), expected) << p.X << "," << p.Y;
        inside += expected != 0 ? 1 : 0;
    }
    EXPECT_GT(inside, 400) << "enough points fall on cards";
}

// Two readers on two threads give what the same two reads give one after the other (run it in a
// KORVANE_TSAN build to have the thread sanitizer watch them).
TEST_F(ReaderTest, TwoThreadsReadAsTwoReadsInTurn)
{
    const korvane::Picture page = TestSupport::LoadPicture(TestSupport::SourcePath("samples/page.bmp"));
    const korvane::Picture card = TestSupport::LoadPicture(TestSupport::SourcePath("samples/card-02.bmp"));
    const Reading pageAlone = Read(page, "page.log");
    const Reading cardAlone = Read(card, "card.log");
    for (int round = 0; round < 3; ++round) {
        Reading pageBeside, cardBeside;
        std::thread first([&] { pageBeside = Read(page, "page.log"); });
        std::thread second([&] { cardBeside = Read(card, "card.log"); });
        first.join();
        second.join();
        EXPECT_EQ(pageBeside.console, pageAlone.console);
        EXPECT_EQ(cardBeside.console, cardAlone.console);
        ExpectSame(pageBeside.scan, pageAlone.scan);
        ExpectSame(cardBeside.scan, cardAlone.scan);
    }
    EXPECT_EQ(TestSupport::ReadFileText("page.log"),
              "Contouring pass I = 0 ms\r\nContouring pass II = 0 ms\r\nPunched inside / outside = 0 ms\r\n"
              "Contouring pass I = 0 ms\r\nContouring pass II = 0 ms\r\nPunched inside / outside = 0 ms\r\n"
              "Contouring pass I = 0 ms\r\nContouring pass II = 0 ms\r\nPunched inside / outside = 0 ms\r\n"
              "Contouring pass I = 0 ms\r\nContouring pass II = 0 ms\r\nPunched inside / outside = 0 ms\r\n")
        << "each reader's log lines in its own file";
}

// The code table is read for every card: an edit between two cards of one page counts at the
// next card, and so does putting the file back.
TEST_F(ReaderTest, AnEditedTableCountsAtTheNextCard)
{
    const std::string original = TestSupport::ReadFileText("ibmkaart.txt");
    std::string edited = original;
    // Line 12 holds the code characters: the punches of "S" now read "Q".
    std::size_t line = 0;
    for (int k = 0; k < 11; ++k)
        line = edited.find('\n', line) + 1;
    edited[edited.find('S', line + 4)] = 'Q';
    ASSERT_EQ(edited.size(), original.size());

    korvane::Reader reader;
    Algemeen::NoEvents events;
    const korvane::Picture page = TestSupport::LoadPicture(TestSupport::SourcePath("samples/page.bmp"));
    ASSERT_TRUE(reader.Process(page, events));
    const auto cards = reader.AcceptedCards();
    ASSERT_EQ(cards.size(), 3u);
    const std::vector<std::string> texts = Texts("page");
    EXPECT_EQ(reader.ReadCard(cards[0]).Text, texts[0]);
    TestSupport::WriteFileText("ibmkaart.txt", edited);
    std::string expected = texts[1];
    std::replace(expected.begin(), expected.end(), 'S', 'Q');
    EXPECT_EQ(reader.ReadCard(cards[1]).Text, expected);
    TestSupport::WriteFileText("ibmkaart.txt", original);
    EXPECT_EQ(reader.ReadCard(cards[2]).Text, texts[2]);
    EXPECT_EQ(reader.ReadCard(cards[1]).Text, texts[1]);
}

// A file read by one call: what it held, why a refused one was refused (the decoder's words), and
// every card's 80 columns decoded once, the same with the code table read per card or handed in.
TEST_F(ReaderTest, ReadFileOpensDecodesAndRefusesWithItsReason)
{
    std::ofstream("broken.png") << "\x89PNG\r\n\x1a\n-- cut short";
    korvane::ReadOptions fromFile;
    fromFile.LogFile = "";
    korvane::ReadOptions handedIn = fromFile;
    std::string failure;
    const auto table = korvane::ReadCardSpec("ibmkaart.txt", failure);
    ASSERT_TRUE(table) << failure;
    handedIn.CodeTable = std::make_shared<korvane::CodeTableEntries>(*table);
    handedIn.CodeTableFile = "no-such-table.txt";

    struct Case
    {
        std::string file;
        korvane::OpenStatus open;
        std::size_t cards;
    };
    const Case cases[] = {
        {"no-such-picture.bmp", korvane::OpenStatus::Missing, 0},
        {"broken.png", korvane::OpenStatus::NotAPicture, 0},
        {TestSupport::SourcePath("samples/page.bmp"), korvane::OpenStatus::Opened, 3},
    };
    std::ifstream lines(TestSupport::SourcePath("samples/page.txt"));
    std::vector<std::string> page;
    for (std::string line; std::getline(lines, line);)
        page.push_back(line.substr(0, 80) + std::string(80 - std::min<std::size_t>(80, line.size()), ' '));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const korvane::ScanResult a = korvane::ReadFile(c.file, fromFile);
        const korvane::ScanResult b = korvane::ReadFile(c.file, handedIn);
        EXPECT_EQ(a.Open, c.open);
        EXPECT_EQ(a.Processed, c.open == korvane::OpenStatus::Opened);
        // Only a decoder of the other formats has words of its own: the BMP loader wrote lines.
        EXPECT_EQ(a.Reason.empty(), c.open != korvane::OpenStatus::NotAPicture) << a.Reason;
        ASSERT_EQ(a.Cards.size(), c.cards);
        ExpectSame(a, b);
        for (std::size_t k = 0; k < a.Cards.size(); ++k) {
            EXPECT_EQ(a.Cards[k].Text80, page[k]);
            EXPECT_EQ(a.Cards[k].Text80.substr(0, 72), a.Cards[k].Text);
            EXPECT_EQ(a.Cards[k].Text80, b.Cards[k].Text80);
        }
    }
}

// A card without a cut corner read both ways: the reading the punches choose is ReadCard's, the
// other is the same holes numbered from the other corner (column k as column 81 - k, the rows
// upside down); both are decoded and flagged, and asking writes no console line. A card with a
// cut corner has no second reading.
TEST_F(ReaderTest, AnUncutCardIsReadBothWays)
{
    struct Case
    {
        const char* text;
        bool noCut;
        bool decided; // the punches choose one reading (digits read as digits both ways up)
    };
    const Case cases[] = {{"UPSIDE DOWN WITHOUT CUT", true, true},
                          {"LETTERS READ THE RIGHT WAY", true, true},
                          {"1234", true, false},
                          {"WITH ITS CUT", false, true}};
    std::vector<Punch::CardOnPage> page;
    for (const Case& c : cases) {
        page.push_back({Punch::PunchText(c.text, codes).punches, 0.0});
        page.back().noCut = c.noCut;
    }
    page[0].angleDegrees = 180.0;
    const double scale = 150 / 25.4;
    const korvane::Picture picture = TestSupport::PictureOf(
        Punch::RenderPage(page, Punch::LayOutPage(page, Punch::kModelCard, scale), Punch::kModelCard, scale),
        5906);
    Algemeen::StringConsole console;
    korvane::ReadOptions options;
    options.Console = &console;
    options.LogFile.clear();
    korvane::Reader reader(options);
    Algemeen::NoEvents events;
    ASSERT_TRUE(reader.Process(picture, events));
    const std::vector<std::int32_t> cards = reader.AcceptedCards();
    ASSERT_EQ(cards.size(), std::size(cases));
    // Cards come by contour number, which follows their top edges: in the order of the page.
    for (std::size_t n = 0; n < cards.size(); ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(c.text);
        const korvane::CardResult read = reader.ReadCard(cards[n]);
        const std::string before = console.Text();
        const std::optional<korvane::BothWays> both = reader.ReadBothWays(cards[n]);
        EXPECT_EQ(console.Text(), before) << "no console line";
        if (!c.noCut) {
            EXPECT_EQ(read.Orientation, korvane::Orientation::Settled);
            EXPECT_FALSE(both.has_value());
            continue;
        }
        ASSERT_TRUE(both.has_value());
        const std::string text = std::string(c.text) + std::string(72 - std::string(c.text).size(), ' ');
        if (!c.decided) {
            EXPECT_EQ(both->Chosen, -1);
            EXPECT_EQ(read.Orientation, korvane::Orientation::Uncertain);
            EXPECT_TRUE(both->Reading(0).Text == text || both->Reading(1).Text == text);
        } else {
            ASSERT_NE(both->Chosen, -1);
            EXPECT_EQ(both->Reading(both->Chosen).Text, text);
            EXPECT_EQ(both->Reading(both->Chosen).Punches, read.Punches);
            EXPECT_FALSE(both->Reading(1 - both->Chosen).UnknownColumns.empty());
        }
        for (int k = 0; k < 2; ++k) {
            const korvane::CardResult& reading = both->Reading(k);
            EXPECT_TRUE(reading.Decoded);
            EXPECT_EQ(reading.Orientation, korvane::Orientation::FromPunches);
            EXPECT_FALSE(reading.Complete());
            EXPECT_TRUE(reading.Evidence != nullptr);
            EXPECT_EQ(reading.Centre.X, read.Centre.X);
            for (int column = 1; column <= 80; ++column) {
                const Algemeen::ColumnPunches turned = both->Reading(1 - k).Punches[80 - column];
                Algemeen::ColumnPunches back = 0;
                for (int row = 0; row < 12; ++row)
                    back |= static_cast<Algemeen::ColumnPunches>(((turned >> row) & 1u) << (11 - row));
                EXPECT_EQ(reading.Punches[column - 1], back) << "column " << column;
            }
        }
    }
}
