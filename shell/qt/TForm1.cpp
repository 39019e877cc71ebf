#include "TForm1.h"

#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace Unit1 {

namespace {

// Pending events run at most this often during a long pass.
constexpr qint64 kPumpIntervalMs = 15;

QRgb ToQRgb(Algemeen::Colour c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Qt::CursorShape ToShape(CursorKind cursor)
{
    switch (cursor) {
    case CursorKind::Hourglass:
        return Qt::WaitCursor;
    case CursorKind::HandPoint:
        return Qt::PointingHandCursor;
    case CursorKind::Default:
        break;
    }
    return Qt::ArrowCursor;
}

// The loaded picture as a 1-bit image, built from the bytes the tracer reads.
QImage LoadedPicture()
{
    const korvane::Picture& scan = State().Scan;
    const int width = scan.Width, height = scan.Height;
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const auto rowBytes = static_cast<std::size_t>((width + 7) / 8);
    for (int y = 0; y < height; ++y)
        std::copy_n(scan.Row(y), rowBytes, image.scanLine(y));
    return image;
}

} // namespace

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {}

void ImageArea::SetPicture(QImage picture)
{
    picture_ = std::move(picture);
    update();
}

void ImageArea::SetPixel(int x, int y, QRgb colour)
{
    if (!picture_.valid(x, y))
        return;
    if (picture_.format() != QImage::Format_RGB32)
        picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    picture_.setPixel(x, y, colour);
    update(x, y, 1, 1);
}

void ImageArea::SetAreaSize(int width, int height)
{
    resize(std::max(width, 0), std::max(height, 0));
    updateGeometry();
}

void ImageArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (!picture_.isNull())
        painter.drawImage(event->rect().topLeft(), picture_, event->rect());
}

void ImageArea::mousePressEvent(QMouseEvent* event)
{
    emit Pressed(event->button(), event->position().toPoint());
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("Form1");
    setWindowTitle("Korvane");
    setGeometry(261, 117, 700, 505);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* panel1 = new QWidget(central);
    panel1->setObjectName("Panel1");
    panel1->setFixedHeight(41);
    edit1_ = new QLineEdit(panel1);
    edit1_->setObjectName("Edit1");
    edit1_->setGeometry(8, 8, 673, 24);
    edit1_->setReadOnly(true);
    edit1_->setMaxLength(72);
    QFont bold = edit1_->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    edit1_->setFont(bold);
    layout->addWidget(panel1);

    scroller_ = new QScrollArea(central);
    scroller_->setWidgetResizable(false);
    scroller_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image1_ = new ImageArea;
    image1_->setObjectName("Image1");
    image1_->SetAreaSize(692, 417);
    scroller_->setWidget(image1_);
    layout->addWidget(scroller_, 1);
    setCentralWidget(central);

    CreateMenus();
    setAcceptDrops(true);
    connect(image1_, &ImageArea::Pressed, this, [this](Qt::MouseButton button, QPoint p) {
        const MouseButton b = button == Qt::LeftButton    ? MouseButton::Left
                              : button == Qt::RightButton ? MouseButton::Right
                                                          : MouseButton::Middle;
        Kiezen(*this, b, p.x(), p.y());
    });
    sincePump_.start();
    Starten(*this);
}

TForm1::~TForm1()
{
    if (!stopped_)
        Stoppen(*this);
}

void TForm1::CreateMenus()
{
    file1_ = menuBar()->addMenu("&File");
    file1_->setObjectName("File1");
    open1_ = file1_->addAction("&Open", this, [this] { Open1Click(*this); });
    open1_->setObjectName("Open1");
    exit1_ = file1_->addAction("E&xit", this, [this] { Exit1Click(*this); });
    exit1_->setObjectName("Exit1");
    exit2_ = menuBar()->addMenu("&Edit");
    exit2_->setObjectName("Exit2");
    process1_ = exit2_->addAction("&Process", this, [this] { Process1Click(*this); });
    process1_->setObjectName("Process1");
    select1_ = exit2_->addAction("&Select", this, [this] { Select1Click(*this); });
    select1_->setObjectName("Select1");
}

void TForm1::SetEditText(const std::string& text)
{
    // The length limit is for typing; a message longer than it must still show whole.
    const QString q = QString::fromStdString(text);
    edit1_->setMaxLength(std::max<qsizetype>(72, q.size()));
    edit1_->setText(q);
    edit1_->setCursorPosition(0);
}

void TForm1::SetEditColour(Algemeen::Colour colour)
{
    QPalette p = edit1_->palette();
    p.setColor(QPalette::Text, QColor(ToQRgb(colour)));
    edit1_->setPalette(p);
}

void TForm1::SetEditEnabled(bool enabled)
{
    edit1_->setEnabled(enabled);
}

void TForm1::SetMenuEnabled(MenuItem item, bool enabled)
{
    switch (item) {
    case MenuItem::File1:
        file1_->setEnabled(enabled);
        file1_->menuAction()->setEnabled(enabled);
        break;
    case MenuItem::Process1:
        process1_->setEnabled(enabled);
        break;
    case MenuItem::Select1:
        select1_->setEnabled(enabled);
        break;
    }
}

void TForm1::SetFormCursor(CursorKind cursor)
{
    setCursor(ToShape(cursor));
}
void TForm1::SetImageCursor(CursorKind cursor)
{
    image1_->setCursor(ToShape(cursor));
}

const char* const TForm1::kOpenFilter =
    "Pictures (*.bmp *.png *.tif *.tiff *.jpg *.jpeg *.pnm *.pbm *.pgm *.ppm *.gif *.webp);;"
    "Bitmaps (*.bmp);;PNG (*.png);;TIFF (*.tif *.tiff);;JPEG (*.jpg *.jpeg);;All files (*)";

std::optional<std::string> TForm1::RunOpenDialog()
{
    if (dropped_) {
        std::optional<std::string> name = std::move(dropped_);
        dropped_.reset();
        return name;
    }
    if (chooseFile)
        return chooseFile();
    const QString name = QFileDialog::getOpenFileName(this, "Open", QDir::currentPath(), kOpenFilter, nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

void TForm1::ShowMessage(const std::string& text, const std::string& caption)
{
    if (showMessage)
        return showMessage(text, caption);
    QMessageBox::information(this, QString::fromStdString(caption), QString::fromStdString(text));
}

void TForm1::ShowError(const std::string& text)
{
    if (showError)
        return showError(text);
    QMessageBox::critical(this, "Korvane", QString::fromStdString(text));
}

void TForm1::SetImageSize(std::int32_t width, std::int32_t height)
{
    image1_->SetAreaSize(width, height);
}

void TForm1::ShowPictureFile(const std::string& /*fileName*/)
{
    // The picture shown is the one just loaded and checked, not a second read of the file.
    showsOverlay_ = false;
    image1_->SetPicture(LoadedPicture());
    overlay_ = Algemeen::Raster{};
}

// The raster keeps one 32-bit colour per pixel with red in the lowest byte, which is the memory
// layout of an RGBX image: the image wraps the raster's pixels without a copy.
void TForm1::ShowBitmap(const DrawingRecord& bitmap)
{
    image1_->SetPicture(QImage());
    bitmap.ReplayOnto(overlay_);
    showsOverlay_ = true;
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
    image1_->update(x, y, 1, 1);
}

void TForm1::Repaint()
{
    repaint();
}

// Called once per row and once per piece by the tracer: the clock is read only every 256th call
// and the event loop runs only when some milliseconds have passed, so the call costs nothing.
void TForm1::PumpEvents()
{
    if ((++pumpCalls_ & 255u) != 0)
        return;
    if (sincePump_.elapsed() < kPumpIntervalMs)
        return;
    QApplication::processEvents();
    sincePump_.restart();
}

void TForm1::Close()
{
    close();
}

void TForm1::OpenFile(const std::string& fileName)
{
    dropped_ = fileName;
    Open1Click(*this);
    dropped_.reset();
}

namespace {
// The one local file a drag carries, or an empty string.
QString DraggedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return {};
    return data->urls().front().toLocalFile();
}
} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DraggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString name = DraggedFile(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFile(name.toStdString());
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (State().Busy) { // a pass is running: the window stays until it ends
        event->ignore();
        return;
    }
    Stoppen(*this);
    stopped_ = true;
    event->accept();
}

} // namespace Unit1
