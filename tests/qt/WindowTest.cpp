// The window around the commands: zoom, the results panel, Read all, dialogs that are cancelled,
// drag and drop, closing during a command, start-up warnings. Offscreen, through menus and mouse.
#include "BMPunit.h"
#include "CardRow.h"
#include "ColumnRuler.h"
#include "DeckFile.h"
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <utility>

using namespace Unit1;

namespace {

class WindowTest : public WindowFixture
{
protected:
    WindowTest() { size = QSize(1000, 700); }

    // The sample page of three cards, processed, with the repository's code table at hand.
    void OpenProcessedPage()
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        answer = TestSupport::SourcePath("samples/page.bmp");
        form->Open1()->trigger();
        form->Process1()->trigger();
        ASSERT_TRUE(form->ReadAll()->isEnabled());
    }

    // The first `columns` columns of each line of the sample page's text.
    static std::vector<std::string> PageTexts(std::size_t columns)
    {
        std::ifstream in(TestSupport::SourcePath("samples/page.txt"));
        std::vector<std::string> texts;
        for (std::string line; std::getline(in, line);)
            texts.push_back((line + std::string(columns, ' ')).substr(0, columns));
        return texts;
    }

    QString Status() const { return form->statusBar()->currentMessage(); }
};

} // namespace

TEST_F(WindowTest, OpenFitsThePictureAndSaysWhatItIs)
{
    answer = "big.bmp";
    form->Open1()->trigger();
    EXPECT_TRUE(form->Fitted());
    const QSize room = form->ImageScroller()->maximumViewportSize();
    EXPECT_LE(form->Image1()->width(), room.width());
    EXPECT_LE(form->Image1()->height(), room.height());
    EXPECT_LT(form->Image1()->Zoom(), 1.0);
    EXPECT_EQ(form->windowTitle(), "big.bmp - Korvane");
    // Process ran on Open: the square is no card.
    EXPECT_EQ(Status(), "big.bmp: 900 x 700 pixels, 150 dpi. No card found: File > Open another scan");
    QTest::mouseClick(form->Image1(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Status(), "First Edit > Process, then Edit > Select and click a card");
}

// At every zoom a press lands on the picture pixel under it, and enlarged pixels stay sharp.
TEST_F(WindowTest, ClicksMapToPicturePixelsAtEveryZoom)
{
    answer = "big.bmp";
    form->Open1()->trigger();
    form->Actual()->trigger();
    struct Step
    {
        QAction* action;
        int times;
        double zoom;
    };
    const std::vector<Step> steps{{form->Actual(), 1, 1.0},
                                  {form->ZoomIn(), 1, 1.25},
                                  {form->ZoomIn(), 4, 1.25 * 1.25 * 1.25 * 1.25 * 1.25},
                                  {form->Actual(), 1, 1.0},
                                  {form->ZoomOut(), 3, 1 / (1.25 * 1.25 * 1.25)},
                                  {form->ZoomIn(), 200, 32.0},
                                  {form->ZoomOut(), 400, 1.0 / 32}};
    QSignalSpy pressed(form->Image1(), &ImageArea::Pressed);
    for (const Step& step : steps) {
        for (int i = 0; i < step.times; ++i)
            step.action->trigger();
        const double zoom = form->Image1()->Zoom();
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        EXPECT_NEAR(zoom, step.zoom, 1e-9);
        EXPECT_FALSE(form->Fitted());
        EXPECT_NEAR(form->Image1()->width(), 900 * zoom, 1.0);
        // (A press at widget (0, 0) cannot be sent: QTest takes a null point for the centre.)
        for (const QPoint pixel : {QPoint(1, 2), QPoint(205, 105), QPoint(899, 699)}) {
            const QRect cell = form->Image1()->ToWidget(QRect(pixel, QSize(1, 1)));
            for (const QPoint at : {cell.topLeft(), cell.bottomRight()}) {
                if (at.isNull())
                    continue;
                pressed.clear();
                QTest::mouseClick(form->Image1(), Qt::RightButton, {}, at);
                ASSERT_EQ(pressed.size(), 1);
                const QPoint got = pressed.front().at(1).toPoint();
                if (zoom >= 1.0) {
                    EXPECT_EQ(got, pixel) << "pressed at " << at.x() << "," << at.y();
                } else { // a widget pixel covers several picture pixels
                    EXPECT_LE(std::abs(got.x() - pixel.x()), std::ceil(1 / zoom));
                    EXPECT_LE(std::abs(got.y() - pixel.y()), std::ceil(1 / zoom));
                    EXPECT_TRUE(form->Image1()->ToWidget(QRect(got, QSize(1, 1))).contains(at));
                }
            }
        }
        if (zoom >= 1.0 && zoom < 8.0) {
            form->ImageScroller()->ensureVisible(static_cast<int>(205 * zoom), static_cast<int>(105 * zoom));
            const QImage shown = form->Image1()->grab().toImage();
            const QRect black = form->Image1()->ToWidget(QRect(209, 105, 1, 1));
            const QRect white = form->Image1()->ToWidget(QRect(210, 105, 1, 1));
            EXPECT_EQ(shown.pixelColor(black.bottomRight()), QColor(0, 0, 0));
            EXPECT_EQ(shown.pixelColor(white.topLeft()), QColor(255, 255, 255)) << "no blur across the edge";
        }
    }
    form->Fit()->trigger();
    EXPECT_TRUE(form->Fitted());

    // Ctrl and the wheel zoom by one step per notch; the wheel alone does not zoom.
    form->Actual()->trigger();
    auto wheel = [&](Qt::KeyboardModifiers modifiers) {
        const QPointF at(50, 50);
        QWheelEvent event(at, form->ImageScroller()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form->ImageScroller()->viewport(), &event);
    };
    wheel(Qt::ControlModifier);
    EXPECT_NEAR(form->Image1()->Zoom(), 1.25, 1e-9);
    wheel(Qt::NoModifier);
    EXPECT_NEAR(form->Image1()->Zoom(), 1.25, 1e-9);
}

TEST_F(WindowTest, ReadAllFillsTheResultsPanel)
{
    OpenProcessedPage();
    EXPECT_EQ(Status(), "3 cards: Edit > Read all, or Edit > Select and click a card");
    QTest::mouseClick(form->Image1(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Status(), "To read a card: Edit > Select, then click the card; or Edit > Read all cards");

    EXPECT_TRUE(form->SaveDeckAction()->isEnabled()) << "Save deck reads the cards it needs";
    form->ReadAll()->trigger();
    const std::vector<std::string> expected = PageTexts(80), line = PageTexts(72);
    const auto& rows = form->Results()->Rows();
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(form->Results()->Table()->rowCount(), 3);
    EXPECT_EQ(Status(), "3 cards read");
    const std::vector<std::int32_t> cards = AcceptedCards(form->CurrentRun());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(rows[i].card, cards[i]);
        EXPECT_EQ(rows[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(form->Results()->Table()->item(static_cast<int>(i), 0)->text(), QString::number(i + 1));
        EXPECT_EQ(form->Results()->Table()->item(static_cast<int>(i), 0)->toolTip(),
                  QString("Contour %1").arg(cards[i]));
        EXPECT_EQ(rows[i].text, expected[i]);
        EXPECT_TRUE(rows[i].unknownColumns.empty());
        ASSERT_TRUE(rows[i].fitQuality.has_value());
        EXPECT_GT(*rows[i].fitQuality, 50.0);
        EXPECT_LE(*rows[i].fitQuality, 100.0);
        EXPECT_EQ(rows[i].verdict, "settled");
        EXPECT_TRUE(rows[i].message.empty());
        const CardBox& box = rows[i].outline;
        const Algemeen::IntPoint centre = CardCentre(form->CurrentRun(), cards[i]);
        EXPECT_TRUE(QRect(box.x, box.y, box.width, box.height).contains(centre.X, centre.Y));
        EXPECT_GT(box.width, 500);
    }
    EXPECT_EQ(form->Edit1()->text().toStdString(), line[2]) << "the text line shows the card read last";
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_TRUE(form->Select1()->isEnabled());

    // Selecting a row frames its card and shows its text in the text line; copying gives one
    // tab-separated line per selected row.
    form->Results()->Table()->selectRow(1);
    const CardBox& second = rows[1].outline;
    EXPECT_EQ(form->Image1()->Highlight(), QRect(second.x, second.y, second.width, second.height));
    EXPECT_EQ(form->Edit1()->text().toStdString(), line[1]);
    const QString copied = form->Results()->CopySelected();
    EXPECT_EQ(copied, QString("2\t") + QString::fromStdString(expected[1]) + "\t\t" +
                          QString::number(*rows[1].fitQuality, 'f', 1) + " %\tsettled\n");
    EXPECT_EQ(QApplication::clipboard()->text(), copied);

    // Picking a card again with Select updates its row instead of adding one.
    form->Select1()->trigger();
    const Algemeen::IntPoint centre = CardCentre(form->CurrentRun(), cards[0]);
    QTest::mouseClick(form->Image1(), Qt::LeftButton, {},
                      form->Image1()->ToWidget(QRect(centre.X, centre.Y, 1, 1)).center());
    EXPECT_EQ(form->Results()->Rows().size(), 3u);
    EXPECT_EQ(form->Edit1()->text().toStdString(), line[0]);

    // Save deck writes, in the layout the extension names, the bytes the deck unit gives for the
    // page's texts punched through the same code table.
    const Deck::CodeMap map = CodeMapInUse(form->CurrentRun().SpecFileName);
    std::vector<Deck::DeckCard> punched;
    for (const std::string& text : expected) {
        Deck::CardPunches punches{};
        for (std::size_t c = 0; c < text.size(); ++c)
            punches[c] = map.PunchesOf(text[c]).value_or(0);
        punched.push_back(Deck::CardFromPunches(punches, map));
    }
    ASSERT_TRUE(form->SaveDeckAction()->isEnabled());
    for (const auto& [name, format] :
         {std::pair{"deck.txt", Deck::DeckFormat::Text}, std::pair{"deck.cbn", Deck::DeckFormat::Cbn},
          std::pair{"deck.bin", Deck::DeckFormat::Bin}}) {
        SCOPED_TRACE(name);
        form->chooseDeckFile = [name = std::string(name)] { return std::optional<std::string>(name); };
        form->SaveDeckAction()->trigger();
        std::ifstream in(name, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(bytes, Deck::WriteDeck(format, punched, map));
    }
    form->chooseDeckFile = [] { return std::optional<std::string>("deck.jsonl"); };
    form->SaveDeckAction()->trigger();
    std::ifstream jsonl("deck.jsonl");
    std::vector<std::string> lines;
    for (std::string text; std::getline(jsonl, text);)
        lines.push_back(text);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find("\"" + expected[i] + "\""), std::string::npos) << lines[i];

    // The overlay saved as PNG has the picture's size.
    form->chooseSaveFile = [] { return std::optional<std::string>("overlay.png"); };
    ASSERT_TRUE(form->SaveOverlayAction()->isEnabled());
    form->SaveOverlayAction()->trigger();
    const QImage saved("overlay.png");
    EXPECT_EQ(saved.size(),
              QSize(form->CurrentRun().Shown.Picture.Width, form->CurrentRun().Shown.Picture.Height));
    EXPECT_TRUE(messages.empty()) << "Select says what to do in the status bar, not in a box";

    // A new picture starts an empty list.
    answer = "big.bmp";
    form->Open1()->trigger();
    EXPECT_TRUE(form->Results()->Rows().empty());
    EXPECT_EQ(form->Results()->Table()->rowCount(), 0);
    EXPECT_FALSE(form->ReadAll()->isEnabled());
    EXPECT_FALSE(form->SaveOverlayAction()->isEnabled());
    EXPECT_FALSE(form->SaveDeckAction()->isEnabled());
}

// Cancelling the open dialog keeps the picture, the overlay, the text line and the menus.
TEST_F(WindowTest, CancellingOpenChangesNothing)
{
    struct Case
    {
        const char* name;
        std::function<void()> before;
    };
    const std::vector<Case> cases{
        {"after a card was read",
         [&] {
             OpenProcessedPage();
             form->ReadAll()->trigger();
         }},
        {"after a refused file",
         [&] {
             answer = "big.bmp";
             form->Open1()->trigger();
             answer = "missing.bmp";
             form->Open1()->trigger();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.before();
        const QString text = form->Edit1()->text();
        const QColor colour = form->Edit1()->palette().color(QPalette::Text);
        const QImage shown = form->Image1()->Picture().copy();
        const auto rows = form->Results()->Rows().size();
        const bool process = form->Process1()->isEnabled(), select = form->Select1()->isEnabled();
        const std::string title = form->windowTitle().toStdString();

        answer = std::nullopt;
        form->Open1()->trigger();
        EXPECT_EQ(form->Edit1()->text(), text);
        EXPECT_EQ(form->Edit1()->palette().color(QPalette::Text), colour);
        EXPECT_EQ(form->Image1()->Picture(), shown);
        EXPECT_EQ(form->Results()->Rows().size(), rows);
        EXPECT_EQ(form->Process1()->isEnabled(), process);
        EXPECT_EQ(form->Select1()->isEnabled(), select);
        EXPECT_EQ(form->windowTitle().toStdString(), title);
        EXPECT_TRUE(form->File1()->isEnabled());
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(WindowTest, DroppedPictureOpensAndJoinsRecentFiles)
{
    const struct
    {
        const char* name;
        QList<QUrl> urls;
        QString text;
        bool accepted;
    } drops[] = {
        {"a text", {}, "big.bmp", false},
        // Two different pictures open as a pair (FlowTest); one picture twice is no pair.
        {"one picture twice",
         {QUrl::fromLocalFile(QString::fromStdString(dir.File("big.bmp"))),
          QUrl::fromLocalFile(QString::fromStdString(dir.File("big.bmp")))},
         {},
         false},
        {"a remote file", {QUrl("https://example.invalid/big.bmp")}, {}, false},
        {"one picture", {QUrl::fromLocalFile(QString::fromStdString(dir.File("big.bmp")))}, {}, true},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.name);
        QMimeData data;
        if (!drop.urls.isEmpty())
            data.setUrls(drop.urls);
        if (!drop.text.isEmpty())
            data.setText(drop.text);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), drop.accepted);
        QDropEvent dropped(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &dropped);
        EXPECT_EQ(form->Process1()->isEnabled(), drop.accepted);
    }
    EXPECT_EQ(form->windowTitle(), "big.bmp - Korvane");
    EXPECT_EQ(form->Image1()->AreaSize(), QSize(900, 700));
    const QList<QAction*> recent = form->RecentFiles()->actions();
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(recent.front()->data().toString(),
              QFileInfo(QString::fromStdString(dir.File("big.bmp"))).absoluteFilePath());

    // A recent file opens again without the dialog.
    answer = "missing.bmp";
    form->Open1()->trigger();
    EXPECT_EQ(form->Edit1()->text(), "missing.bmp : does Not exist !!");
    recent.front()->trigger();
    EXPECT_EQ(form->Edit1()->text(), "");
    EXPECT_EQ(form->CurrentRun().PictureFileName, recent.front()->data().toString().toStdString());
}

// A close asked for while a command runs is carried out as soon as the command ends.
TEST_F(WindowTest, CloseDuringACommandClosesAfterIt)
{
    // A noisy picture keeps the process pass busy long enough to let events through.
    BMPunit::BitImage noise(1500, 1500, false);
    std::mt19937 random(17);
    for (int y = 0; y < 1500; ++y)
        for (int x = 0; x < 1500; ++x)
            noise.Set(x, y, random() % 5 == 0);
    BMPunit::WriteFileBytes("noise.bmp", BMPunit::EncodeBitmap(noise, 5906));
    answer = "noise.bmp";
    form->Open1()->trigger();
    bool busyAtClose = false;
    QTimer::singleShot(0, form.get(), [&] {
        busyAtClose = form->CurrentRun().Busy;
        form->close();
        EXPECT_TRUE(form->isVisible()) << "not while the pass runs";
    });
    form->Process1()->trigger();
    ASSERT_TRUE(busyAtClose) << "the close request came while Process ran";
    EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowTest, StartUpWarnsOfAMissingCodeTableAndAboutNamesTheLicence)
{
    QAction* about = nullptr;
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            about = item->text() == "&About Korvane" ? item : about;
    ASSERT_NE(about, nullptr);
    about->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Korvane 0."), std::string::npos);
    EXPECT_NE(messages[0].find("CC BY 4.0"), std::string::npos);

    EXPECT_TRUE(form->StartupWarning()->isVisibleTo(form.get()));
    EXPECT_TRUE(form->StartupWarning()->text().contains("No code table ibmkaart.txt"));
    EXPECT_FALSE(form->StartupWarning()->text().contains("log"));
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    MakeForm();
    EXPECT_FALSE(form->StartupWarning()->isVisibleTo(form.get()));
}

// The text line shows all 72 columns in a fixed-pitch font, and the ruler's columns match its cells.
TEST_F(WindowTest, TextLineShowsAllColumnsAboveTheRuler)
{
    form->resize(1280, 800);
    QApplication::processEvents();
    const QFontMetricsF metrics(form->Edit1()->font());
    EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('M')) << "fixed pitch";
    EXPECT_GE(form->Edit1()->width(), metrics.horizontalAdvance(QString(72, 'M')) + 8);
    EXPECT_TRUE(form->Edit1()->font().bold());
    const ColumnRuler* ruler = form->Ruler();
    const double first = ruler->ColumnLeft(1), last = ruler->ColumnLeft(72);
    EXPECT_NEAR(last - first, 71 * metrics.horizontalAdvance('M'), 1.0);
    EXPECT_LE(ruler->mapTo(form.get(), QPoint(int(last + ruler->ColumnWidth()), 0)).x(),
              form->Edit1()->mapTo(form.get(), QPoint(form->Edit1()->width(), 0)).x());
}

// A card with a column no code fits and a column the evidence doubts: the row names both apart,
// and the panel marks each in the columns and lists them beside the text.
TEST_F(WindowTest, ResultsPanelMarksUnknownAndDoubtfulColumns)
{
    korvane::CardResult result;
    result.Contour = 7;
    result.Decoded = true;
    result.Orientation = korvane::Orientation::Settled;
    result.Text80 = "AB?DE" + std::string(75, ' ');
    result.UnknownColumns80 = {3};
    result.DoubtfulColumns = {{3, korvane::DoubtReason::Unknown}, {5, korvane::DoubtReason::Ink}};
    const CardRow row = RowFromResult(result, Deck::CodeMap{});
    EXPECT_EQ(row.text, result.Text80);
    EXPECT_EQ(row.unknownColumns, std::vector<int>{3});
    EXPECT_EQ(row.doubtfulColumns, std::vector<int>{5}) << "an unknown column is listed as unknown only";

    ResultsPanel panel;
    panel.Show(row);
    const auto* label = qobject_cast<QLabel*>(panel.Table()->cellWidget(0, 1));
    ASSERT_NE(label, nullptr);
    const QString html = label->text();
    EXPECT_TRUE(html.contains("<b style=\"color:#ff0000\">?</b>")) << html.toStdString();
    EXPECT_TRUE(html.contains("background-color:#ffc040\">E</b>")) << html.toStdString();
    EXPECT_EQ(html.count("background-color"), 1) << "only column 5 is marked doubtful";
    EXPECT_EQ(panel.Table()->item(0, 2)->text(), "3; doubtful 5");
}

// The picture shown keeps its colours in a table while there is room: pixels set in 300 colours on
// a scan all show their colour, the table becoming 32-bit colours at the 255th new one, and the
// fitted view (reduced) still shows a block of one colour in that colour.
TEST_F(WindowTest, PixelsKeepTheirColoursBeyondTheColourTable)
{
    QImage scan(40, 40, QImage::Format_Mono);
    scan.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    scan.fill(1);
    ImageArea* image = form->Image1();
    image->SetPicture(scan);
    image->SetAreaSize(40, 40);
    for (int k = 0; k < 300; ++k)
        image->SetPixel(k % 20, k / 20, qRgb(k % 256, k / 256 * 100, 7));
    EXPECT_EQ(image->Picture().format(), QImage::Format_RGB32);
    for (int k = 0; k < 300; ++k)
        ASSERT_EQ(image->Picture().pixel(k % 20, k / 20), qRgb(k % 256, k / 256 * 100, 7)) << k;
    EXPECT_EQ(image->Picture().pixel(30, 30), qRgb(255, 255, 255));
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            image->SetPixel(x, y, qRgb(0, 0, 255));
    image->SetZoom(0.5);
    const QImage shown = image->grab().toImage();
    EXPECT_EQ(shown.pixelColor(15, 15), QColor(0, 0, 255)) << "the blue block, reduced";
}
