// The real Qt window under the offscreen platform, driven through its menus and the mouse.
#include "TForm1.h"

#include "BMPunit.h"
#include "Imaging.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace Unit1;

namespace {

class TForm1Test : public WindowFixture
{
protected:
    QColor EditTextColour() const { return form->Edit1()->palette().color(QPalette::Text); }
};

} // namespace

TEST_F(TForm1Test, StartsWithCaptionMenusAndWelcome)
{
    EXPECT_EQ(form->windowTitle(), "Korvane");
    EXPECT_EQ(form->Open1()->text(), "&Open\u2026");
    EXPECT_EQ(form->Exit1()->text(), "E&xit");
    EXPECT_EQ(form->Process1()->text(), "&Process");
    EXPECT_EQ(form->Select1()->text(), "&Select");
    EXPECT_EQ(form->Edit1()->text(), "Content of IBM PunchCards");
    EXPECT_EQ(EditTextColour(), QColor(0, 0, 255));
    EXPECT_TRUE(form->Edit1()->isReadOnly());
    EXPECT_TRUE(form->Edit1()->font().bold());
    EXPECT_FALSE(form->Process1()->isEnabled());
    EXPECT_FALSE(form->Select1()->isEnabled());
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_FALSE(QFontInfo(QApplication::font()).family().isEmpty()) << "a font is installed";
}

TEST_F(TForm1Test, OpenThroughTheMenuShowsThePictureAtNaturalSize)
{
    answer = "big.bmp";
    form->Open1()->trigger();
    EXPECT_TRUE(form->Fitted()) << "fitted to the window at first";
    form->Actual()->trigger();
    EXPECT_EQ(form->Edit1()->text(), "");
    EXPECT_EQ(EditTextColour(), QColor(0, 0, 0));
    EXPECT_TRUE(form->Process1()->isEnabled());
    EXPECT_FALSE(form->Select1()->isEnabled());
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_TRUE(form->Edit1()->isEnabled());
    EXPECT_EQ(form->Image1()->size(), QSize(900, 700));
    const QImage shown = form->Image1()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(205, 105), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(215, 105), QColor(255, 255, 255));
    EXPECT_LT(form->ImageScroller()->viewport()->width(), 900) << "larger than the window: it scrolls";
    EXPECT_EQ(form->ImageScroller()->horizontalScrollBar()->value(), 0) << "showing the top-left corner";
    EXPECT_EQ(form->ImageScroller()->verticalScrollBar()->value(), 0);
}

TEST_F(TForm1Test, DroppingAGreyPngOpensItAndTheDialogOffersEveryFormat)
{
    // A light square on a dark ground, as grey pixels: shown binarised.
    korvane::Picture picture;
    picture.Width = 64;
    picture.Height = 48;
    picture.RowStep = 8;
    picture.Bytes.assign(8 * 48, 0);
    for (int y = 10; y < 30; ++y)
        for (int x = 8; x < 40; ++x)
            picture.Bytes[y * 8 + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    Imaging::ScanLook look;
    look.Ppi = 150;
    Imaging::WriteScan("grey.png", {picture}, look, Imaging::ScanFormat::Png);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QDir::current().absoluteFilePath("grey.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    EXPECT_EQ(form->Edit1()->text(), "");
    EXPECT_TRUE(form->Process1()->isEnabled());
    EXPECT_EQ(form->Image1()->size(), QSize(64, 48));
    const QImage shown = form->Image1()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 20), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 0, 0));
    EXPECT_NE(platform.console.Text().find("Format = PNG, 8 bits, grey"), std::string::npos);
    const std::string filter = TForm1::kOpenFilter;
    for (const char* pattern : {"*.bmp", "*.png", "*.tiff", "*.jpg", "All files (*)"})
        EXPECT_NE(filter.find(pattern), std::string::npos) << pattern;
}

TEST_F(TForm1Test, RefusedOpenShowsTheWholeMessageInRed)
{
    answer = std::string(90, 'q') + ".bmp";
    form->Open1()->trigger();
    EXPECT_EQ(form->Edit1()->text().toStdString(), *answer + " : does Not exist !!");
    EXPECT_EQ(EditTextColour(), QColor(255, 0, 0));
    EXPECT_TRUE(form->File1()->isEnabled());
}

TEST_F(TForm1Test, DisabledSelectCannotBeTriggeredAndClicksDoNothingUnarmed)
{
    answer = "big.bmp";
    form->Open1()->trigger();
    form->Select1()->trigger();
    EXPECT_TRUE(messages.empty()) << "Select is off until a picture has been processed";
    EXPECT_FALSE(form->CurrentRun().PickArmed);
    QTest::mouseClick(form->Image1(), Qt::LeftButton, {}, QPoint(205, 105));
    EXPECT_EQ(form->Edit1()->text(), "") << "an unarmed click changes nothing";
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_TRUE(form->Edit1()->isEnabled());
}

TEST_F(TForm1Test, ProcessSelectAndAClickReadTheCard)
{
    // A card punched with the repository's code table, read with the table in the working folder.
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    ASSERT_EQ(
        std::system(
            (std::string(KORVANE_CLI) + " punch -o card.bmp --dpi 100 'HELLO WINDOW 42' >/dev/null").c_str()),
        0);
    answer = "card.bmp";
    form->Open1()->trigger();
    form->Process1()->trigger();
    EXPECT_EQ(form->Edit1()->text(), "");
    EXPECT_FALSE(form->Process1()->isEnabled());
    ASSERT_TRUE(form->Select1()->isEnabled());
    form->Select1()->trigger();
    EXPECT_TRUE(messages.empty()) << "no modal box";
    EXPECT_EQ(form->statusBar()->currentMessage(), "Select Card Image with Mouse");
    EXPECT_EQ(form->Image1()->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(form->Image1(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(form->Edit1()->text(), "Now click ON punchcard") << "the black margin is no card";
    EXPECT_EQ(form->statusBar()->currentMessage(), "No card here: click inside the outline of a card");
    const QPoint centre(form->Image1()->width() / 2, form->Image1()->height() / 2);
    QTest::mouseClick(form->Image1(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(form->Edit1()->text().toStdString(), "HELLO WINDOW 42" + std::string(57, ' '));
    EXPECT_EQ(EditTextColour(), QColor(0, 0, 0));
    EXPECT_EQ(form->Image1()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_TRUE(form->Edit1()->isEnabled());

    // The overlay is shown with the grid dotted onto it.
    form->Actual()->trigger();
    const QImage shown = form->Image1()->grab().toImage();
    const auto& s = form->CurrentRun();
    const QPoint dot(static_cast<int>(std::nearbyint(s.Grid.Origin.X)),
                     static_cast<int>(std::nearbyint(s.Grid.Origin.Y)));
    EXPECT_EQ(shown.pixelColor(dot), QColor(0, 0, 0));
    int white = 0, coloured = 0;
    for (int y = 0; y < shown.height(); y += 3)
        for (int x = 0; x < shown.width(); x += 3) {
            const QColor c = shown.pixelColor(x, y);
            white += c == QColor(255, 255, 255);
            coloured += c == QColor(255, 0, 0) || c == QColor(0, 255, 0) || c == QColor(0, 0, 255);
        }
    EXPECT_GT(white, coloured * 10) << "white background";
    EXPECT_GT(coloured, 10) << "coloured contours";
    if (const char* dir = std::getenv("SHOT_DIR"))
        form->grab().save(QString(dir) + "/korvane-read.png");
}

TEST_F(TForm1Test, ExitClosesTheWindow)
{
    form->Exit1()->trigger();
    EXPECT_FALSE(form->isVisible());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Recent files and the last folder go to a settings file of this run, not the user's.
    const QString settings =
        QDir::temp().filePath("korvane-qt-tests-" + QString::number(QCoreApplication::applicationPid()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QApplication::setOrganizationName("KorvaneTests");
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    QDir(settings).removeRecursively();
    return status;
}
