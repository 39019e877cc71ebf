// TForm1's picture view: what Image1 shows (the opened picture, the overlay and its grid dots),
// the zoom, and saving the overlay.
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TForm1Internal.h"

#include <QEvent>
#include <QFileInfo>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>

namespace Unit1 {

namespace {

constexpr double kMillimetresPerInch = 25.4;

QString FileNameOnly(const std::string& path)
{
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

// The loaded picture as a 1-bit image, built from the bytes the tracer reads.
QImage LoadedPicture(const korvane::Picture& scan)
{
    const int width = scan.Width, height = scan.Height;
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const auto rowBytes = static_cast<std::size_t>((width + 7) / 8);
    for (int y = 0; y < height; ++y)
        std::copy_n(scan.Row(y), rowBytes, image.scanLine(y));
    return image;
}

} // namespace

void TForm1::CreatePictureView(QWidget* central)
{
    scroller_ = new QScrollArea(central);
    scroller_->setWidgetResizable(false);
    scroller_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroller_->viewport()->installEventFilter(this);
    image1_ = new ImageArea;
    image1_->setObjectName("Image1");
    image1_->SetAreaSize(692, 417);
    scroller_->setWidget(image1_);
}

bool TForm1::SaveOverlay(const QString& path)
{
    if (!showsOverlay_)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!image1_->Picture().convertToFormat(QImage::Format_RGB32).save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    lastFolder_ = QFileInfo(path).absolutePath();
    QSettings().setValue("lastFolder", lastFolder_);
    statusBar()->showMessage("Overlay saved to " + path);
    return true;
}

void TForm1::SetZoom(double zoom, std::optional<QPoint> anchor)
{
    // The picture pixel under the anchor stays where it is. Without an anchor that is the chosen
    // card when it is in view, else the middle of the view.
    const QRect view = scroller_->viewport()->rect();
    const QPoint offset(scroller_->horizontalScrollBar()->value(), scroller_->verticalScrollBar()->value());
    QPoint at = view.center();
    if (anchor)
        at = *anchor;
    else if (const QPoint card = image1_->ToWidget(image1_->Highlight()).center() - offset;
             !image1_->Highlight().isEmpty() && view.contains(card))
        at = card;
    const QPointF picture = QPointF(at + offset) / image1_->Zoom();
    image1_->SetZoom(zoom);
    scroller_->horizontalScrollBar()->setValue(static_cast<int>(picture.x() * image1_->Zoom()) - at.x());
    scroller_->verticalScrollBar()->setValue(static_cast<int>(picture.y() * image1_->Zoom()) - at.y());
}

void TForm1::ZoomBy(double factor, std::optional<QPoint> anchor)
{
    fitted_ = false;
    SetZoom(image1_->Zoom() * factor, anchor);
}

void TForm1::FitToWindow()
{
    fitted_ = true;
    const QSize area = image1_->AreaSize();
    if (area.isEmpty())
        return;
    const QSize room = scroller_->maximumViewportSize();
    const double zoom =
        std::min({1.0, double(room.width()) / area.width(), double(room.height()) / area.height()});
    SetZoom(zoom, QPoint(0, 0));
}

void TForm1::ActualSize()
{
    // From the whole picture to its top-left corner; otherwise the middle of the view stays put.
    const std::optional<QPoint> anchor = fitted_ ? std::optional<QPoint>(QPoint(0, 0)) : std::nullopt;
    fitted_ = false;
    SetZoom(1.0, anchor);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroller_->viewport()) {
        if (event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                const double steps = wheel->angleDelta().y() / 120.0;
                if (steps != 0)
                    ZoomBy(std::pow(kZoomStep, steps), wheel->position().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::Resize && fitted_) {
            FitToWindow();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::SetImageCursor(CursorKind cursor)
{
    image1_->setCursor(ToShape(cursor));
}

void TForm1::SetImageSize(std::int32_t width, std::int32_t height)
{
    image1_->SetAreaSize(width, height);
}

void TForm1::ShowPictureFile(const std::string& fileName)
{
    // The picture shown is the one just loaded and checked, not a second read of the file.
    showsOverlay_ = false;
    saveOverlay_->setEnabled(false);
    saveDeck_->setEnabled(false);
    image1_->SetPicture(LoadedPicture(state_.Shown.Picture));
    image1_->SetHighlight({});
    overlay_ = Algemeen::Raster{};
    results_->Clear();
    const QString path = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath();
    setWindowTitle(FileNameOnly(fileName) + " - Korvane");
    lastFolder_ = QFileInfo(path).absolutePath();
    QSettings().setValue("lastFolder", lastFolder_);
    RememberRecent(path);
    const korvane::Picture& scan = state_.Shown.Picture;
    const double dpi = scan.PixelsPerMillimetre * kMillimetresPerInch;
    statusBar()->showMessage(QString("%1: %2 x %3 pixels, %4 dpi. Next: Edit > Process")
                                 .arg(FileNameOnly(fileName))
                                 .arg(scan.Width)
                                 .arg(scan.Height)
                                 .arg(std::lround(dpi)));
    FitToWindow();
}

// The raster keeps one 32-bit colour per pixel with red in the lowest byte, which is the memory
// layout of an RGBX image: the image wraps the raster's pixels without a copy.
void TForm1::ShowBitmap(const DrawingRecord& bitmap)
{
    image1_->SetPicture(QImage());
    bitmap.ReplayOnto(overlay_);
    showsOverlay_ = true;
    saveOverlay_->setEnabled(true);
    const auto* bits = reinterpret_cast<const uchar*>(overlay_.Pixels().data());
    image1_->SetPicture(
        QImage(bits, overlay_.Width(), overlay_.Height(), overlay_.Width() * 4, QImage::Format_RGBX8888));
}

void TForm1::SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour)
{
    if (!showsOverlay_)
        return image1_->SetPixel(x, y, ToQRgb(colour));
    if (!overlay_.Contains(x, y))
        return;
    overlay_.SetPixel(x, y, colour);
    image1_->PixelChanged(x, y, ToQRgb(colour));
}

void TForm1::Repaint()
{
    repaint();
}

} // namespace Unit1
