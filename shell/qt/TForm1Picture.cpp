// TForm1's picture view: what Image1 shows (the opened picture, the overlay and its grid dots),
// the zoom, and saving the overlay.
#include "CardView.h"
#include "ColourIndex.h"
#include "PlotLine.h"
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

// The overlay drawn straight onto the picture shown (the scan in colour): a pixel drawn in any
// colour but white shows that colour, one drawn white shows the scan again. Lines are the raster's
// (Algemeen::PlotLine), so the drawing is the one `korvane-cli --overlay` saves.
// Remark: the drawing was first replayed onto a raster of its own the size of the picture and laid
// over the scan afterwards; for a 4709 x 6417 page that was two more passes over 120 MB, most of
// the time the window's Open took beyond the reading itself (bench/open.sh).
class ShownSurface : public Algemeen::DrawingSurface
{
public:
    ShownSurface(QImage& shown, const korvane::Picture& scan) : shown_(shown), scan_(scan) {}
    void SetSize(std::int32_t, std::int32_t) override {} // the picture shown keeps the scan's size
    std::int32_t Width() const override { return shown_.width(); }
    std::int32_t Height() const override { return shown_.height(); }
    void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                  Algemeen::Colour c) override
    {
        x0 = std::clamp(x0, 0, Width());
        x1 = std::clamp(x1, 0, Width());
        y0 = std::clamp(y0, 0, Height());
        y1 = std::clamp(y1, 0, Height());
        if (c == Algemeen::kWhite && untouched_)
            return; // the scan shows already
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = x0; x < x1; ++x)
                Put(x, y, c);
    }
    void SetPenColour(Algemeen::Colour c) override { pen_ = c; }
    void MoveTo(std::int32_t x, std::int32_t y) override
    {
        penX_ = x;
        penY_ = y;
    }
    void LineTo(std::int32_t x, std::int32_t y) override
    {
        Algemeen::PlotLine(penX_, penY_, x, y, [this](std::int64_t px, std::int64_t py) {
            if (px >= 0 && py >= 0 && px < Width() && py < Height())
                Put(static_cast<std::int32_t>(px), static_cast<std::int32_t>(py), pen_);
        });
        penX_ = x;
        penY_ = y;
    }

    // The colour a pixel drawn in `colour` shows.
    static QRgb Shown(const korvane::Picture& scan, std::int32_t x, std::int32_t y, Algemeen::Colour colour)
    {
        if (colour != Algemeen::kWhite)
            return ToQRgb(colour);
        const bool dark = (scan.Row(y)[x / 8] & (0x80 >> (x % 8))) == 0;
        return dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }

private:
    // A picture in a colour table (the scan's two and the overlay's few) takes a quarter of the
    // memory of one in 32-bit colours; it becomes one only when the table is full.
    void Put(std::int32_t x, std::int32_t y, Algemeen::Colour c)
    {
        untouched_ = untouched_ && c == Algemeen::kWhite;
        const QRgb colour = Shown(scan_, x, y, c);
        if (shown_.format() == QImage::Format_Indexed8) {
            if (colour != lastColour_ || !lastIndex_) {
                lastColour_ = colour;
                lastIndex_ = ColourIndex(shown_, colour);
            }
            if (lastIndex_) {
                shown_.scanLine(y)[x] = *lastIndex_;
                return;
            }
            shown_ = shown_.convertToFormat(QImage::Format_RGB32);
        }
        reinterpret_cast<QRgb*>(shown_.scanLine(y))[x] = colour;
    }

    QImage& shown_;
    const korvane::Picture& scan_;
    bool untouched_ = true;
    QRgb lastColour_ = 0;
    std::optional<uchar> lastIndex_;
    Algemeen::Colour pen_ = Algemeen::kBlack;
    std::int64_t penX_ = 0, penY_ = 0;
};

} // namespace

void TForm1::CreatePictureView(QWidget* central)
{
    scroller_ = new QScrollArea(central);
    scroller_->setWidgetResizable(false);
    scroller_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroller_->viewport()->installEventFilter(this);
    image1_ = new ImageArea;
    image1_->setObjectName("Image1");
    image1_->SetAreaSize(kEmptyWidth, kEmptyHeight);
    image1_->SetEmptyText("To read punched cards, open a scan of them: File > Open (Ctrl+O), or drop "
                          "a picture here.\n\nKorvane finds the cards at once; then Edit > Read all "
                          "cards (Ctrl+R) reads them and File > Save deck (Ctrl+S) saves them.");
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
    opened_ = true;
    showsOverlay_ = false;
    saveOverlay_->setEnabled(false);
    saveDeck_->setEnabled(false);
    quickSaveDeck_->setEnabled(false);
    image1_->SetPicture(MonoImageOf(state_.Shown.Picture));
    image1_->SetHighlight({});
    image1_->SetMarks({}, {});
    overlay_ = DrawingRecord{};
    results_->Clear();
    const QString path = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath();
    setWindowTitle(FileNameOnly(fileName) + " - Korvane");
    lastFolder_ = QFileInfo(path).absolutePath();
    QSettings().setValue("lastFolder", lastFolder_);
    RememberRecent(path);
    const korvane::Picture& scan = state_.Shown.Picture;
    const double dpi = scan.PixelsPerMillimetre * kMillimetresPerInch;
    pictureInfo_ = QString("%1: %2 x %3 pixels, %4 dpi")
                       .arg(FileNameOnly(fileName))
                       .arg(scan.Width)
                       .arg(scan.Height)
                       .arg(std::lround(dpi));
    statusBar()->showMessage(pictureInfo_ + ". Next: Edit > Process");
    FitToWindow();
}

// What Image1 shows is the scan itself with every pixel the overlay drew in a colour other than
// white on top of it (and the grid dots of the card read), or the scan alone when View > Contours
// and grid is off. The drawing is kept as its record, to be drawn again when it is switched on.
void TForm1::ShowBitmap(const DrawingRecord& bitmap)
{
    overlay_ = bitmap;
    showsOverlay_ = true;
    saveOverlay_->setEnabled(true);
    ShowScanWithOverlay();
}

void TForm1::ShowScanWithOverlay()
{
    if (!state_.PictureLoaded)
        return;
    QImage shown = MonoImageOf(state_.Shown.Picture);
    if (!showsOverlay_ || !contours_->isChecked()) {
        image1_->SetPicture(std::move(shown));
        return;
    }
    shown = shown.convertToFormat(QImage::Format_Indexed8);
    ShownSurface surface(shown, state_.Shown.Picture);
    overlay_.ReplayOnto(surface);
    image1_->SetPicture(std::move(shown));
    if (state_.GridShown)
        DotGrid(*this, state_, Algemeen::kBlack);
}

void TForm1::SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour)
{
    if (!showsOverlay_)
        return image1_->SetPixel(x, y, colour);
    if (!contours_->isChecked() || x < 0 || y < 0 || x >= state_.Shown.Picture.Width ||
        y >= state_.Shown.Picture.Height)
        return;
    image1_->SetPixel(x, y, ShownSurface::Shown(state_.Shown.Picture, x, y, colour));
}

void TForm1::Repaint()
{
    repaint();
}

} // namespace Unit1
