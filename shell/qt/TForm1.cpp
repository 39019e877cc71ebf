#include "TForm1.h"

#include "BMPunit.h"
#include "CardRow.h"
#include "CodeTable.h"
#include "CodeTablePath.h"
#include "ColumnRuler.h"
#include "DeckFile.h"
#include "FileAccess.h"
#include "ResultsPanel.h"
#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <vector>

namespace Unit1 {

namespace {

// Pending events run at most this often during a long pass.
constexpr qint64 kPumpIntervalMs = 15;
constexpr double kZoomStep = 1.25;
constexpr int kRecentFiles = 8;
constexpr int kTextColumns = 72;
constexpr double kMillimetresPerInch = 25.4;
const QRgb kWhitePixel = qRgb(255, 255, 255);

// The dropped or given picture, when it is one local file.
std::optional<QString> DroppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return std::nullopt;
    return data->urls().front().toLocalFile();
}

QString FileNameOnly(const std::string& path)
{
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

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

// A picture reduced by averaging turns a hole or a drawn line a few pixels wide into a pale grey
// that the white card around it swallows. Darkening every channel by its fourth power brings back
// what is partly dark (a block one third black goes from 170 to 50) while a block with a stray
// dark pixel in fifty stays nearly white.
QImage Darkened(QImage reduced)
{
    reduced = reduced.convertToFormat(QImage::Format_RGB32);
    std::array<int, 256> curve{};
    for (int v = 0; v < 256; ++v)
        curve[static_cast<std::size_t>(v)] = static_cast<int>(std::lround(255.0 * std::pow(v / 255.0, 4.0)));
    for (int y = 0; y < reduced.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(reduced.scanLine(y));
        for (int x = 0; x < reduced.width(); ++x) {
            const QRgb c = line[x];
            line[x] =
                qRgb(curve[static_cast<std::size_t>(qRed(c))], curve[static_cast<std::size_t>(qGreen(c))],
                     curve[static_cast<std::size_t>(qBlue(c))]);
        }
    }
    return reduced;
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

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {}

void ImageArea::SetPicture(QImage picture)
{
    picture_ = std::move(picture);
    dots_.clear();
    reducedStale_ = true;
    update();
}

void ImageArea::SetPixel(int x, int y, QRgb colour)
{
    if (!picture_.valid(x, y))
        return;
    if (picture_.format() != QImage::Format_RGB32)
        picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    picture_.setPixel(x, y, colour);
    PixelChanged(x, y, colour);
}

void ImageArea::PixelChanged(int x, int y, QRgb colour)
{
    if ((colour & RGB_MASK) == (kWhitePixel & RGB_MASK))
        dots_.remove(QPoint(x, y));
    else
        dots_.insert(QPoint(x, y), colour);
    reducedStale_ = true;
    update(ToWidget(QRect(x, y, 1, 1)).adjusted(-2, -2, 2, 2));
}

void ImageArea::SetAreaSize(int width, int height)
{
    area_ = QSize(std::max(width, 0), std::max(height, 0));
    ApplySize();
}

void ImageArea::SetZoom(double zoom)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    reducedStale_ = true;
    ApplySize();
    update();
}

void ImageArea::ApplySize()
{
    resize(static_cast<int>(std::ceil(area_.width() * zoom_)),
           static_cast<int>(std::ceil(area_.height() * zoom_)));
    updateGeometry();
}

// A widget pixel belongs to the picture pixel under its centre; this is also how the painter
// samples the picture when it draws it enlarged.
QPoint ImageArea::ToPicture(QPointF position) const
{
    return {static_cast<int>(std::floor((std::floor(position.x()) + 0.5) / zoom_)),
            static_cast<int>(std::floor((std::floor(position.y()) + 0.5) / zoom_))};
}

// The widget pixels whose centres lie on the picture pixels (at least one pixel).
QRect ImageArea::ToWidget(const QRect& r) const
{
    const auto edge = [this](int v) { return static_cast<int>(std::ceil(v * zoom_ - 0.5)); };
    const int left = edge(r.x()), top = edge(r.y());
    return {left, top, std::max(edge(r.x() + r.width()) - left, 1),
            std::max(edge(r.y() + r.height()) - top, 1)};
}

void ImageArea::SetHighlight(const QRect& box)
{
    const int pad = 6;
    if (!highlight_.isEmpty())
        update(ToWidget(highlight_).adjusted(-pad, -pad, pad, pad));
    highlight_ = box;
    if (!highlight_.isEmpty())
        update(ToWidget(highlight_).adjusted(-pad, -pad, pad, pad));
}

// The widget rectangle of the enlarged picture, each widget pixel taking the picture pixel that
// ToPicture names for it, so that what is seen under the mouse is what a click picks.
QImage ImageArea::Enlarged(const QRect& exposed) const
{
    QImage out(exposed.size(), QImage::Format_RGB32);
    out.fill(palette().color(QPalette::Window));
    std::vector<int> column(static_cast<std::size_t>(exposed.width()));
    for (int i = 0; i < exposed.width(); ++i)
        column[static_cast<std::size_t>(i)] = ToPicture(QPointF(exposed.x() + i, 0)).x();
    for (int j = 0; j < exposed.height(); ++j) {
        const int y = ToPicture(QPointF(0, exposed.y() + j)).y();
        if (y < 0 || y >= picture_.height())
            continue;
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(j));
        for (int i = 0; i < exposed.width(); ++i) {
            const int x = column[static_cast<std::size_t>(i)];
            if (x >= 0 && x < picture_.width())
                row[i] = picture_.pixel(x, y);
        }
    }
    return out;
}

void ImageArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (!picture_.isNull()) {
        if (zoom_ == 1.0) {
            painter.drawImage(event->rect().topLeft(), picture_, event->rect());
        } else if (zoom_ > 1.0) {
            // Each picture pixel under the exposed rectangle as a sharp square.
            painter.drawImage(event->rect().topLeft(), Enlarged(event->rect()));
        } else {
            if (reducedStale_) {
                reduced_ = Darkened(picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                reducedStale_ = false;
            }
            painter.drawImage(event->rect().topLeft(), reduced_, event->rect());
            // Single-pixel dots would fade away: draw them as small squares, no larger than their
            // spacing on a card allows.
            const double side = std::clamp(zoom_ * 4, 1.0, 3.0);
            for (auto dot = dots_.cbegin(); dot != dots_.cend(); ++dot) {
                const QPointF centre((dot.key().x() + 0.5) * zoom_, (dot.key().y() + 0.5) * zoom_);
                painter.fillRect(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side),
                                 QColor(dot.value()));
            }
        }
    }
    if (!highlight_.isEmpty()) {
        const QRect frame = ToWidget(highlight_).adjusted(-3, -3, 3, 3);
        painter.setPen(QPen(QColor(255, 140, 0), 4));
        painter.setBrush(QColor(255, 140, 0, 40));
        painter.drawRect(frame);
    }
}

void ImageArea::mousePressEvent(QMouseEvent* event)
{
    emit Pressed(event->button(), ToPicture(event->position()));
}

TForm1::TForm1(Algemeen::Console& console, Algemeen::Clock& clock, const std::string& codeTable,
               QWidget* parent)
    : QMainWindow(parent), state_(console, clock)
{
    state_.SpecFileName = codeTable;
    setObjectName("Form1");
    setWindowTitle("Korvane");
    setAcceptDrops(true);
    // About four fifths of the screen, centred on it.
    if (const QScreen* shown = screen()) {
        const QRect free = shown->availableGeometry();
        const QSize size(free.width() * 4 / 5, free.height() * 4 / 5);
        setGeometry(QRect(free.topLeft() +
                              QPoint((free.width() - size.width()) / 2, (free.height() - size.height()) / 2),
                          size));
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* panel1 = new QWidget(central);
    panel1->setObjectName("Panel1");
    auto* panelLayout = new QVBoxLayout(panel1);
    panelLayout->setContentsMargins(8, 8, 8, 2);
    panelLayout->setSpacing(0);
    edit1_ = new QLineEdit(panel1);
    edit1_->setObjectName("Edit1");
    edit1_->setReadOnly(true);
    edit1_->setMaxLength(72);
    // A fixed-pitch font, so each card column takes one cell and the ruler can line up with it.
    QFont bold = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    bold.setStyleHint(QFont::Monospace);
    bold.setBold(true);
    bold.setPixelSize(16);
    edit1_->setFont(bold);
    panelLayout->addWidget(edit1_);
    ruler_ = new ColumnRuler(edit1_, kTextColumns, panel1);
    panelLayout->addWidget(ruler_);
    layout->addWidget(panel1);

    scroller_ = new QScrollArea(central);
    scroller_->setWidgetResizable(false);
    scroller_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroller_->viewport()->installEventFilter(this);
    image1_ = new ImageArea;
    image1_->setObjectName("Image1");
    image1_->SetAreaSize(692, 417);
    scroller_->setWidget(image1_);
    layout->addWidget(scroller_, 1);
    setCentralWidget(central);

    results_ = new ResultsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, results_);
    resizeDocks({results_}, {height() / 5}, Qt::Vertical);
    connect(results_, &ResultsPanel::CardChosen, this, [this](const CardBox& box) {
        const QRect r(box.x, box.y, box.width, box.height);
        image1_->SetHighlight(r);
        const QRect shown = image1_->ToWidget(r);
        scroller_->ensureVisible(shown.center().x(), shown.center().y(), shown.width() / 2 + 10,
                                 shown.height() / 2 + 10);
    });

    QSettings settings;
    lastFolder_ = settings.value("lastFolder", QDir::currentPath()).toString();
    CreateMenus();
    setAcceptDrops(true);
    connect(image1_, &ImageArea::Pressed, this, [this](Qt::MouseButton button, QPoint p) {
        if (button == Qt::LeftButton && !state_.PickArmed && !state_.Busy) {
            if (select1_->isEnabled())
                statusBar()->showMessage("To read a card: Edit > Select, then click the card; "
                                         "or Edit > Read all cards");
            else if (process1_->isEnabled())
                statusBar()->showMessage("First Edit > Process, then Edit > Select and click a card");
            else
                statusBar()->showMessage("First File > Open a scan of cards");
        }
        if (button == Qt::LeftButton) {
            PickAt(p);
            return;
        }
        const MouseButton b = button == Qt::RightButton ? MouseButton::Right : MouseButton::Middle;
        Run([&] { Kiezen(*this, state_, b, p.x(), p.y()); });
    });
    sincePump_.start();
    Starten(*this, state_);
    WarnAtStart();
}

TForm1::~TForm1()
{
    if (!stopped_)
        Stoppen(*this, state_);
}

template <class Command> void TForm1::Run(Command command)
{
    command();
    if (closePending_ && !state_.Busy) {
        closePending_ = false;
        close();
    }
}

void TForm1::CreateMenus()
{
    file1_ = menuBar()->addMenu("&File");
    file1_->setObjectName("File1");
    // "&Open…" opens a dialog, hence the ellipsis; "E&xit" is kept as it has always been.
    open1_ = file1_->addAction("&Open…", this, [this] {
        Run([this] {
            if (state_.Busy)
                return;
            // A cancelled dialog changes nothing: the picture, overlay and text line stay.
            if (const auto chosen = RunOpenDialog())
                OpenFile(*chosen);
        });
    });
    open1_->setObjectName("Open1");
    open1_->setShortcut(QKeySequence::Open);
    recent_ = file1_->addMenu("&Recent files");
    recent_->setObjectName("RecentFiles");
    FillRecentMenu();
    saveOverlay_ = file1_->addAction("Save o&verlay\u2026", this, [this] {
        if (state_.Busy)
            return;
        std::optional<std::string> target;
        if (chooseSaveFile) {
            target = chooseSaveFile();
        } else {
            const QString name = QFileDialog::getSaveFileName(
                this, "Save overlay", lastFolder_ + "/overlay.png", "PNG pictures (*.png)", nullptr,
                QFileDialog::DontUseNativeDialog);
            if (!name.isEmpty())
                target = name.toStdString();
        }
        if (target && !SaveOverlay(QString::fromStdString(*target)))
            ShowMessage("Cannot write " + *target, "Save overlay");
    });
    saveOverlay_->setObjectName("SaveOverlay");
    saveOverlay_->setEnabled(false);
    saveDeck_ = file1_->addAction("Save &deck…", this, [this] {
        if (state_.Busy || results_->Rows().empty())
            return;
        std::optional<std::string> target;
        if (chooseDeckFile) {
            target = chooseDeckFile();
        } else {
            QString filter;
            const QString name = QFileDialog::getSaveFileName(
                this, "Save deck", lastFolder_ + "/deck.txt",
                "Text deck (*.txt);;Column binary (*.cbn);;Raw binary (*.bin);;JSON lines (*.jsonl)", &filter,
                QFileDialog::DontUseNativeDialog);
            if (!name.isEmpty())
                target = name.toStdString();
        }
        if (!target)
            return;
        if (const std::string problem = SaveDeck(*target); !problem.empty())
            ShowMessage(problem, "Save deck");
        else
            statusBar()->showMessage(QString("Deck saved: %1").arg(QString::fromStdString(*target)));
    });
    saveDeck_->setObjectName("SaveDeck");
    saveDeck_->setEnabled(false);
    file1_->addSeparator();
    exit1_ = file1_->addAction("E&xit", this, [this] { Exit1Click(*this, state_); });
    exit1_->setObjectName("Exit1");
    exit1_->setShortcut(QKeySequence::Quit);
    exit2_ = menuBar()->addMenu("&Edit");
    exit2_->setObjectName("Exit2");
    process1_ = exit2_->addAction("&Process", this, [this] {
        Run([this] {
            if (state_.Busy)
                return;
            statusBar()->showMessage("Processing: tracing the picture and looking for cards\u2026");
            statusBar()->repaint();
            Process1Click(*this, state_);
            AfterProcess();
        });
    });
    process1_->setObjectName("Process1");
    select1_ = exit2_->addAction("&Select", this, [this] { Run([this] { Select1Click(*this, state_); }); });
    select1_->setObjectName("Select1");
    readAll_ = exit2_->addAction("Read &all cards", this, [this] { ReadAllCards(); });
    readAll_->setObjectName("ReadAll");
    readAll_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    readAll_->setEnabled(false);

    view_ = menuBar()->addMenu("&View");
    zoomIn_ = view_->addAction("Zoom &in", this, [this] { ZoomBy(kZoomStep); });
    zoomIn_->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    zoomOut_ = view_->addAction("Zoom &out", this, [this] { ZoomBy(1 / kZoomStep); });
    zoomOut_->setShortcut(QKeySequence::ZoomOut);
    fit_ = view_->addAction("&Fit to window", this, [this] { FitToWindow(); });
    fit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    actual_ = view_->addAction("&Actual size", this, [this] { ActualSize(); });
    actual_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    view_->addSeparator();
    view_->addAction(results_->toggleViewAction());

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About Korvane", this, [this] { ShowAbout(); });
}

void TForm1::OpenFile(const std::string& path)
{
    if (state_.Busy)
        return;
    pendingFile_ = path;
    Run([this] { Open1Click(*this, state_); });
    pendingFile_.reset();
}

void TForm1::PickAt(QPoint p)
{
    Run([&] {
        state_.LastReading = CardReading{};
        Kiezen(*this, state_, MouseButton::Left, p.x(), p.y());
        const CardReading& reading = state_.LastReading;
        if (reading.card == 0)
            return;
        results_->Show(RowFromResult(reading.result, CodeMapInUse(state_.SpecFileName)));
        saveDeck_->setEnabled(true);
        statusBar()->showMessage(QString("Card %1 read").arg(reading.card));
    });
}

void TForm1::ReadAllCards()
{
    if (state_.Busy || !select1_->isEnabled())
        return;
    // Every accepted card by its own outline, as `korvane-cli read --all` reads them.
    const std::vector<std::int32_t> cards = AcceptedCards(state_);
    const Deck::CodeMap map = CodeMapInUse(state_.SpecFileName);
    for (const std::int32_t card : cards) {
        Run([&] {
            ReadCardByContour(*this, state_, card);
            results_->Show(RowFromResult(state_.LastReading.result, map));
            saveDeck_->setEnabled(true);
        });
        if (!isVisible())
            return;
    }
    int unknown = 0, refused = 0;
    for (const CardRow& row : results_->Rows()) {
        refused += row.message.empty() ? 0 : 1;
        unknown += row.unknownColumns.empty() ? 0 : 1;
    }
    QString summary = QString("%1 %2 read").arg(cards.size()).arg(cards.size() == 1 ? "card" : "cards");
    if (unknown > 0)
        summary += QString(", %1 with unknown columns").arg(unknown);
    if (refused > 0)
        summary += QString(", %1 to scan again").arg(refused);
    statusBar()->showMessage(summary);
}

void TForm1::AfterProcess()
{
    if (!select1_->isEnabled()) {
        statusBar()->showMessage("No card found: File > Open another scan");
        return;
    }
    const auto count = AcceptedCards(state_).size();
    statusBar()->showMessage(QString("%1 %2: Edit > Read all, or Edit > Select and click a card")
                                 .arg(count)
                                 .arg(count == 1 ? "card" : "cards"));
}

std::string TForm1::SaveDeck(const std::string& path) const
{
    const Deck::CodeMap map = CodeMapInUse(state_.SpecFileName);
    std::vector<Deck::DeckCard> cards;
    for (const CardRow& row : results_->Rows())
        if (row.read)
            cards.push_back(DeckCardOf(row, map, state_.PictureFileName, static_cast<int>(cards.size()) + 1));
    if (cards.empty())
        return "No card of this picture has been read: Edit > Read all cards first";
    const std::string bytes = Deck::WriteDeck(DeckFormatOfPath(path), cards, map);
    const Algemeen::WriteResult written = Algemeen::WriteWholeFile(path, bytes);
    return written.ok ? std::string() : written.message;
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

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!state_.Busy && file1_->isEnabled() && DroppedFile(event->mimeData()))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const auto file = DroppedFile(event->mimeData());
    if (!file || state_.Busy || !file1_->isEnabled())
        return;
    event->acceptProposedAction();
    OpenFile(file->toStdString());
}

void TForm1::RememberRecent(const QString& path)
{
    QSettings settings;
    QStringList files = settings.value("recentFiles").toStringList();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFiles)
        files.removeLast();
    settings.setValue("recentFiles", files);
    FillRecentMenu();
}

void TForm1::FillRecentMenu()
{
    recent_->clear();
    const QStringList files = QSettings().value("recentFiles").toStringList();
    int n = 0;
    for (const QString& path : files) {
        QAction* item = recent_->addAction(QString("&%1 %2").arg(++n).arg(QFileInfo(path).fileName()), this,
                                           [this, path] { OpenFile(path.toStdString()); });
        item->setToolTip(path);
        item->setData(path);
    }
    recent_->setEnabled(!files.isEmpty());
}

void TForm1::WarnAtStart()
{
    QStringList problems;
    if (!QFileInfo(QString::fromStdString(state_.SpecFileName)).isFile())
        problems << QString("No code table %1: cards cannot be decoded")
                        .arg(QString::fromStdString(state_.SpecFileName));
    const QFileInfo log(QString::fromStdString(state_.LogFileName));
    const bool logWritable = log.exists() ? log.isWritable() : QFileInfo(log.absolutePath()).isWritable();
    if (!logWritable)
        problems << QString("The log %1 cannot be written: Process will fail").arg(log.absoluteFilePath());
    warning_ = new QLabel(problems.join("; "), this);
    warning_->setObjectName("StartupWarning");
    warning_->setStyleSheet("color: #c00000; font-weight: bold");
    warning_->setVisible(!problems.isEmpty());
    statusBar()->addPermanentWidget(warning_);
}

void TForm1::ShowAbout()
{
    ShowMessage(
        "Korvane " KORVANE_VERSION "\n"
        "Reads 80-column punched cards from black-and-white scans.\n\n"
        "The real card scans bundled with Korvane (tests/data/real-scans) are card images of the "
        "U.S. National Archives, published with the teaching notebooks of cases-umd/Reading-Punchcards "
        "under the Creative Commons Attribution 4.0 licence (CC BY 4.0).",
        "About Korvane");
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
        readAll_->setEnabled(enabled);
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
    if (pendingFile_)
        return pendingFile_;
    if (chooseFile)
        return chooseFile();
    const QString name = QFileDialog::getOpenFileName(this, "Open", lastFolder_, kOpenFilter, nullptr,
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

void TForm1::ShowPictureFile(const std::string& fileName)
{
    // The picture shown is the one just loaded and checked, not a second read of the file.
    showsOverlay_ = false;
    saveOverlay_->setEnabled(false);
    saveDeck_->setEnabled(false);
    image1_->SetPicture(LoadedPicture(state_.Scan));
    image1_->SetHighlight({});
    overlay_ = Algemeen::Raster{};
    results_->Clear();
    const QString path = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath();
    setWindowTitle(FileNameOnly(fileName) + " - Korvane");
    lastFolder_ = QFileInfo(path).absolutePath();
    QSettings().setValue("lastFolder", lastFolder_);
    RememberRecent(path);
    const korvane::Picture& scan = state_.Scan;
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

void TForm1::closeEvent(QCloseEvent* event)
{
    if (state_.Busy) { // a pass is running: the window closes as soon as it ends
        closePending_ = true;
        event->ignore();
        return;
    }
    Stoppen(*this, state_);
    stopped_ = true;
    event->accept();
}

} // namespace Unit1
