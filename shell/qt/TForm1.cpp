// TForm1's core: building the window, the text line, the image's mouse presses, Open, drag and
// drop, the dialogs and message boxes, the event pump and closing. The menus, the picture view and
// the results panel have files of their own (TForm1Menus.cpp, TForm1Picture.cpp,
// TForm1Results.cpp).
#include "TForm1.h"

#include "ColumnRuler.h"
#include "PairView.h"
#include "ResultsPanel.h"
#include "ReviewWindow.h"
#include "TForm1Internal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace Unit1 {

namespace {

// Pending events run at most this often during a long pass.
constexpr qint64 kPumpIntervalMs = 15;
constexpr int kTextColumns = 72;

// The dropped pictures, when they are one or two local files (two different ones: a pair); empty
// otherwise.
std::vector<QString> DroppedFiles(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().size() > 2 ||
        (data->urls().size() == 2 && data->urls().front() == data->urls().back()))
        return {};
    std::vector<QString> files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile());
    return files.size() == static_cast<std::size_t>(data->urls().size()) ? files : std::vector<QString>{};
}

} // namespace

TForm1::TForm1(Algemeen::Console& console, Algemeen::Clock& clock, const std::string& codeTable,
               QWidget* parent)
    : QMainWindow(parent), console_(console), state_(console_, clock)
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
    layout->addWidget(CreateTextLine(central));
    CreatePictureView(central);
    layout->addWidget(scroller_, 1);
    setCentralWidget(central);
    CreateResultsPanel();

    QSettings settings;
    lastFolder_ = settings.value("lastFolder", QDir::currentPath()).toString();
    CreateMenus();
    setAcceptDrops(true);
    connect(image1_, &ImageArea::Pressed, this, &TForm1::ImagePressed);
    sincePump_.start();
    Starten(*this, state_);
    WarnAtStart();
}

TForm1::~TForm1()
{
    if (!stopped_)
        Stoppen(*this, state_);
}

// Panel1: the text line Edit1 above its column ruler.
QWidget* TForm1::CreateTextLine(QWidget* central)
{
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
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(edit1_, 1);
    // Offered by the text line when it says a card lies face up.
    readAsFrontButton_ = new QPushButton("Read as front", panel1);
    readAsFrontButton_->setObjectName("ReadAsFrontButton");
    readAsFrontButton_->setVisible(false);
    connect(readAsFrontButton_, &QPushButton::clicked, this, [this] { ReadChosenAsFront(); });
    line->addWidget(readAsFrontButton_);
    // Offered when the chosen card has no cut corner.
    turnHalfWayButton_ = new QPushButton("Turn half way", panel1);
    turnHalfWayButton_->setObjectName("TurnHalfWayButton");
    turnHalfWayButton_->setVisible(false);
    connect(turnHalfWayButton_, &QPushButton::clicked, this, [this] { TurnChosenHalfWay(); });
    line->addWidget(turnHalfWayButton_);
    panelLayout->addLayout(line);
    ruler_ = new ColumnRuler(edit1_, kTextColumns, panel1);
    panelLayout->addWidget(ruler_);
    return panel1;
}

// A mouse press on Image1: a left click picks (and, when no pick is armed, the status bar says what
// to do first); the other buttons go to Kiezen as they are.
void TForm1::ImagePressed(Qt::MouseButton button, QPoint p)
{
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
}

void TForm1::OpenFile(const std::string& path)
{
    if (state_.Busy)
        return;
    pendingFile_ = path;
    Run([this] { OpenAndProcess(); });
    pendingFile_.reset();
}

// Open, then at once Process: a picture with cards shows them ready to be read. A refused file
// takes the picture before it away with it and says why in a box.
void TForm1::OpenAndProcess()
{
    console_.Mark();
    opened_ = false;
    Open1Click(*this, state_);
    if (state_.Busy)
        return;
    if (!opened_) {
        const std::string loader = console_.LastLine();
        RefuseOpen(loader.empty() ? edit1_->text().toStdString() : loader);
        return;
    }
    statusBar()->showMessage("Processing: tracing the picture and looking for cards\u2026");
    statusBar()->repaint();
    ProcessOnOpen(*this, state_);
    AfterProcess();
}

void TForm1::RefuseOpen(const std::string& reason)
{
    ForgetPicture(*this, state_);
    showsOverlay_ = false;
    overlay_ = DrawingRecord{};
    image1_->SetPicture(QImage());
    image1_->SetHighlight({});
    image1_->SetMarks({}, {});
    image1_->SetZoom(1.0);
    image1_->SetAreaSize(kEmptyWidth, kEmptyHeight);
    results_->Clear();
    saveOverlay_->setEnabled(false);
    saveDeck_->setEnabled(false);
    quickSaveDeck_->setEnabled(false);
    setWindowTitle("Korvane");
    const std::string name = state_.PictureFileName;
    statusBar()->showMessage(QString("Cannot open %1").arg(FileNameOnly(name)));
    ShowMessage("Cannot open " + name + ":\n" + reason, "Open");
}

void TForm1::ShowInstruction(const std::string& text, const std::string& /*caption*/)
{
    statusBar()->showMessage(QString::fromStdString(text));
}

void KeptLines::Write(std::string_view text)
{
    out_.Write(text);
    line_.append(text);
}

void KeptLines::EndLine()
{
    out_.EndLine();
    if (line_.find_first_not_of(' ') != std::string::npos)
        last_ = line_;
    line_.clear();
}

void KeptLines::Mark()
{
    line_.clear();
    last_.clear();
}

std::string KeptLines::LastLine() const
{
    return last_;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!state_.Busy && file1_->isEnabled() && !DroppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

// One picture dropped opens it; two open them as a pair, front and back as their names say.
void TForm1::dropEvent(QDropEvent* event)
{
    const std::vector<QString> files = DroppedFiles(event->mimeData());
    if (files.empty() || state_.Busy || !file1_->isEnabled())
        return;
    event->acceptProposedAction();
    if (files.size() == 1) {
        OpenFile(files[0].toStdString());
        return;
    }
    const auto [front, back] = FrontAndBack(files[0].toStdString(), files[1].toStdString());
    OpenPair(front, back);
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

void TForm1::SetEditText(const std::string& text)
{
    // The length limit is for typing; a message longer than it must still show whole.
    const QString q = QString::fromStdString(text);
    edit1_->setMaxLength(std::max<qsizetype>(72, q.size()));
    edit1_->setText(q);
    edit1_->setCursorPosition(0);
    if (readAsFrontButton_ != nullptr)
        readAsFrontButton_->setVisible(text == korvane::kFaceUp);
    OfferChoices(nullptr); // until a row of a card without a cut corner is shown
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

void TForm1::SetFormCursor(CursorKind cursor)
{
    setCursor(ToShape(cursor));
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
    // A review closes first, so that corrections it has not written yet are asked about.
    for (ReviewWindow* review : findChildren<ReviewWindow*>())
        if (review->isVisible() && !review->close()) {
            event->ignore();
            return;
        }
    Stoppen(*this, state_);
    stopped_ = true;
    event->accept();
}

} // namespace Unit1
