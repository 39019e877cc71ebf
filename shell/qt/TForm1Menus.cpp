// TForm1's menus and their actions: File (Open, Open pair, Recent files, Save overlay, Save deck, Exit), Edit
// (Process, Select, Read all cards), View (zoom, the results panel) and Help; and the enabled
// state of the items the commands switch.
#include "AskDialog.h"
#include "PairView.h"
#include "ResultsPanel.h"
#include "ReviewWindow.h"
#include "TForm1.h"
#include "TForm1Internal.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>

namespace Unit1 {

namespace {

constexpr int kRecentFiles = 8;

} // namespace

void TForm1::CreateMenus()
{
    CreateFileMenu();
    CreateEditMenu();
    CreateViewMenu();
    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About Korvane", this, [this] { ShowAbout(); });
}

void TForm1::CreateFileMenu()
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
    openFolder_ = file1_->addAction("Open f&older…", this, [this] {
        std::optional<std::string> folder;
        if (chooseFolder)
            folder = chooseFolder();
        else if (const QString name = QFileDialog::getExistingDirectory(this, "Open folder", lastFolder_,
                                                                        QFileDialog::DontUseNativeDialog);
                 !name.isEmpty())
            folder = name.toStdString();
        if (folder)
            OpenReview(*folder, false);
    });
    openFolder_->setObjectName("OpenFolder");
    openFolder_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    openJournal_ = file1_->addAction("Open &journal…", this, [this] {
        std::optional<std::string> journal;
        if (chooseJournal)
            journal = chooseJournal();
        else if (const QString name = QFileDialog::getOpenFileName(this, "Open journal", lastFolder_,
                                                                   "Batch journals (*.jsonl);;All files (*)",
                                                                   nullptr, QFileDialog::DontUseNativeDialog);
                 !name.isEmpty())
            journal = name.toStdString();
        if (journal)
            OpenReview(*journal, true);
    });
    openJournal_->setObjectName("OpenJournal");
    openPair_ = file1_->addAction("Open &pair\u2026", this, [this] { ChooseAndOpenPair(); });
    openPair_->setObjectName("OpenPair");
    recent_ = file1_->addMenu("&Recent files");
    recent_->setObjectName("RecentFiles");
    FillRecentMenu();
    saveOverlay_ = file1_->addAction("Save o&verlay\u2026", this, [this] { ChooseAndSaveOverlay(); });
    saveOverlay_->setObjectName("SaveOverlay");
    saveOverlay_->setEnabled(false);
    quickSaveDeck_ = file1_->addAction("Save &deck", this, [this] { SaveDeckOfPicture(); });
    quickSaveDeck_->setObjectName("QuickSaveDeck");
    quickSaveDeck_->setShortcut(QKeySequence::Save);
    quickSaveDeck_->setEnabled(false);
    saveDeck_ = file1_->addAction("Save deck &as…", this, [this] { ChooseAndSaveDeck(); });
    saveDeck_->setObjectName("SaveDeck");
    saveDeck_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    saveDeck_->setEnabled(false);
    file1_->addSeparator();
    exit1_ = file1_->addAction("E&xit", this, [this] { Exit1Click(*this, state_); });
    exit1_->setObjectName("Exit1");
    exit1_->setShortcut(QKeySequence::Quit);
}

void TForm1::CreateEditMenu()
{
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
    process1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    select1_ = exit2_->addAction("&Select", this, [this] { Run([this] { Select1Click(*this, state_); }); });
    select1_->setObjectName("Select1");
    readAll_ = exit2_->addAction("Read &all cards", this, [this] { ReadAllCards(); });
    readAll_->setObjectName("ReadAll");
    readAll_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    readAll_->setEnabled(false);
    exit2_->addSeparator();
    // A card lying face up is read from its front: the side is left to the reader, which reads each
    // card as the side its cut corner shows.
    readAsFront_ = exit2_->addAction("Read as &front", this, [this] { ReadChosenAsFront(); });
    readAsFront_->setObjectName("ReadAsFront");
    turnHalfWay_ = exit2_->addAction("&Turn half way", this, [this] { TurnChosenHalfWay(); });
    turnHalfWay_->setObjectName("TurnHalfWay");
    turnHalfWay_->setEnabled(false);
}

void TForm1::SetSide(Imaging::Side side)
{
    korvane::PictureSettings settings = state_.PictureOptions;
    settings.Decoding.Face = side;
    SetPictureOptions(settings);
}

void TForm1::SetPictureOptions(const korvane::PictureSettings& settings)
{
    if (state_.Busy)
        return;
    state_.PictureOptions = settings;
    sides_[static_cast<int>(settings.Decoding.Face)]->setChecked(true);
    if (state_.PictureLoaded && !state_.PictureFileName.empty())
        OpenFile(state_.PictureFileName);
}

// The picture options as a small form; OK applies them (and reads the picture shown again).
void TForm1::ChoosePictureOptions()
{
    if (state_.Busy)
        return;
    QDialog dialog(this);
    dialog.setObjectName("PictureOptions");
    dialog.setWindowTitle("Picture options");
    auto* form = new QFormLayout(&dialog);
    const korvane::PictureSettings& now = state_.PictureOptions;
    auto* side = new QComboBox(&dialog);
    side->setObjectName("Side");
    side->addItems({"Back", "Front (mirrored)", "Either: as the cut corner shows"});
    side->setCurrentIndex(static_cast<int>(now.Decoding.Face));
    auto* polarity = new QComboBox(&dialog);
    polarity->setObjectName("Polarity");
    polarity->addItems(
        {"Dark holes (a light card)", "Light holes (a backlit card)", "Either: tried in turn"});
    polarity->setCurrentIndex(now.AutoPolarity                                      ? 2
                              : now.Decoding.Holes == Imaging::Polarity::LightHoles ? 1
                                                                                    : 0);
    auto* method = new QComboBox(&dialog);
    method->setObjectName("Method");
    method->addItems(
        {"Otsu (one level for the picture)", "Fixed threshold", "Sauvola (a level per neighbourhood)"});
    method->setCurrentIndex(static_cast<int>(now.Decoding.Method));
    auto* threshold = new QSpinBox(&dialog);
    threshold->setObjectName("Threshold");
    threshold->setRange(0, 255);
    threshold->setValue(now.Decoding.Threshold);
    threshold->setEnabled(now.Decoding.Method == Imaging::Binarisation::Fixed);
    connect(method, &QComboBox::currentIndexChanged, threshold, [threshold](int index) {
        threshold->setEnabled(index == static_cast<int>(Imaging::Binarisation::Fixed));
    });
    auto* dpi = new QDoubleSpinBox(&dialog);
    dpi->setObjectName("Dpi");
    dpi->setRange(0, 4800);
    dpi->setDecimals(0);
    dpi->setSpecialValueText("from the file, or estimated");
    dpi->setValue(now.Dpi);
    form->addRow("Side", side);
    form->addRow("Holes", polarity);
    form->addRow("Black and white by", method);
    form->addRow("Threshold (grey values up to it are dark)", threshold);
    form->addRow("Resolution (ppi)", dpi);
    form->addRow(new QLabel("Not used for 1-bit BMP files, except the side.", &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    korvane::PictureSettings chosen = now;
    chosen.Decoding.Face = static_cast<Imaging::Side>(side->currentIndex());
    chosen.AutoPolarity = polarity->currentIndex() == 2;
    chosen.Decoding.Holes =
        polarity->currentIndex() == 1 ? Imaging::Polarity::LightHoles : Imaging::Polarity::DarkHoles;
    chosen.Decoding.Method = static_cast<Imaging::Binarisation>(method->currentIndex());
    chosen.Decoding.Threshold = threshold->value();
    chosen.Dpi = dpi->value();
    SetPictureOptions(chosen);
}

void TForm1::CreateViewMenu()
{
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
    // The scan is always shown; the contours found and the grid of the chosen card on top of it
    // can be switched off to see the holes themselves.
    contours_ = view_->addAction("&Contours and grid");
    contours_->setCheckable(true);
    contours_->setChecked(true);
    contours_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(contours_, &QAction::toggled, this, [this] { ShowScanWithOverlay(); });
    view_->addSeparator();
    QMenu* side = view_->addMenu("&Side");
    auto* sides = new QActionGroup(this);
    const std::pair<Imaging::Side, const char*> named[] = {
        {Imaging::Side::Back, "&Back"},
        {Imaging::Side::Front, "&Front (mirrored)"},
        {Imaging::Side::Auto, "&Either: as the cut corner shows"}};
    for (const auto& [face, label] : named) {
        QAction* item = side->addAction(label, this, [this, face = face] { SetSide(face); });
        item->setCheckable(true);
        item->setChecked(face == state_.PictureOptions.Decoding.Face);
        sides->addAction(item);
        sides_[static_cast<int>(face)] = item;
    }
    pictureOptions_ = view_->addAction("&Picture options\u2026", this, [this] { ChoosePictureOptions(); });
    pictureOptions_->setObjectName("PictureOptionsAction");
    view_->addSeparator();
    view_->addAction(results_->toggleViewAction());
}

// File > Save overlay: asks where (the replaceable chooser, else a save dialog) and writes it.
void TForm1::ChooseAndSaveOverlay()
{
    if (state_.Busy)
        return;
    std::optional<std::string> target;
    if (chooseSaveFile) {
        target = chooseSaveFile();
    } else {
        const QString name =
            QFileDialog::getSaveFileName(this, "Save overlay", lastFolder_ + "/overlay.png",
                                         "PNG pictures (*.png)", nullptr, QFileDialog::DontUseNativeDialog);
        if (!name.isEmpty())
            target = name.toStdString();
    }
    if (target && !SaveOverlay(QString::fromStdString(*target)))
        ShowMessage("Cannot write " + *target, "Save overlay");
}

// File > Save deck: asks where (the replaceable chooser, else a save dialog) and writes it.
void TForm1::ChooseAndSaveDeck()
{
    if (state_.Busy || AcceptedCards(state_).empty())
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
    if (target)
        SaveDeckOfPicture(*target);
}

ReviewWindow* TForm1::OpenReview(const std::string& path, bool journal)
{
    auto* review = new ReviewWindow(state_.SpecFileName, this);
    review->setWindowFlag(Qt::Window);
    std::string problem;
    if (!(journal ? review->OpenJournal(path, &problem) : review->OpenFolder(path, &problem))) {
        delete review;
        ShowMessage("Cannot review " + path + ":\n" + problem, journal ? "Open journal" : "Open folder");
        return nullptr;
    }
    review->show();
    return review;
}

// File > Open pair: two pictures, front and back as their names say (or in the order chosen), which
// the person confirms or swaps before they are read.
void TForm1::ChooseAndOpenPair()
{
    if (state_.Busy)
        return;
    std::vector<std::string> files;
    if (choosePair)
        files = choosePair();
    else
        for (const QString& name :
             QFileDialog::getOpenFileNames(this, "Open pair: the front and the back", lastFolder_,
                                           kOpenFilter, nullptr, QFileDialog::DontUseNativeDialog))
            files.push_back(name.toStdString());
    if (files.empty())
        return;
    if (files.size() != 2) {
        ShowMessage("Choose two pictures: the front and the back of the same card(s)", "Open pair");
        return;
    }
    auto [front, back] = FrontAndBack(files[0], files[1]);
    const std::string question = "Front: " + front + "\nBack: " + back;
    const std::vector<std::string> answers{"Read them", "Swap front and back", "Cancel"};
    const std::optional<int> answer =
        askChoice ? askChoice(question, answers) : AskWithButtons(this, question, answers, 2);
    if (!answer || *answer == 2)
        return;
    if (*answer == 1)
        std::swap(front, back);
    OpenPair(front, back);
}

PairView* TForm1::OpenPair(const std::string& frontFile, const std::string& backFile)
{
    auto* pair = new PairView(state_.SpecFileName, state_.PictureOptions, this);
    pair->setWindowFlag(Qt::Window);
    pair->askChoice = askChoice;
    std::string problem;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = pair->Open(frontFile, backFile, &problem);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        delete pair;
        ShowMessage("Cannot read the pair " + frontFile + " and " + backFile + ":\n" + problem, "Open pair");
        return nullptr;
    }
    pair->setAttribute(Qt::WA_DeleteOnClose);
    pair->show();
    return pair;
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
        saveDeck_->setEnabled(enabled);
        quickSaveDeck_->setEnabled(enabled);
        break;
    }
}

} // namespace Unit1
