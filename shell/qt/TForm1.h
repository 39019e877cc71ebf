// TForm1: the main window of korvane in Qt 6 Widgets. It implements the window seam and wires
// the menu and the mouse to the commands of Unit1; it holds no logic of its own.
#pragma once

#include "ImageArea.h"
#include "Unit1.h"
#include "Window.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace Unit1 {

// The console the window's commands write to: every line goes on to the console the window was
// given, and the lines since the last Mark are kept, so that the window can show why an Open was
// refused in the words the loader or decoder wrote.
class KeptLines : public Algemeen::Console
{
public:
    explicit KeptLines(Algemeen::Console& out) : out_(out) {}
    void Write(std::string_view text) override;
    void EndLine() override;
    void Mark();
    // The last complete line written since the Mark; empty when none.
    std::string LastLine() const;

private:
    Algemeen::Console& out_;
    std::string line_;
    std::string last_;
};

class ColumnRuler;
class PairView;
class ReviewWindow;
class ResultsPanel;
struct CardRow;

class TForm1 : public QMainWindow, public Window
{
    Q_OBJECT
public:
    // A window whose commands write their console lines to `console` and read `clock` (both must
    // outlive it), decoding cards with the code table `codeTable`.
    TForm1(Algemeen::Console& console, Algemeen::Clock& clock, const std::string& codeTable,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's run state (the shown picture, its reader, the last card read), for tests.
    const RunState& CurrentRun() const { return state_; }

    // Replaceable dialogs, so tests can drive the window without modal boxes.
    std::function<std::optional<std::string>()> chooseFile;
    std::function<void(const std::string& text, const std::string& caption)> showMessage;
    std::function<void(const std::string& text)> showError;
    std::function<std::optional<std::string>()> chooseSaveFile; // File > Save overlay
    std::function<std::optional<std::string>()> chooseDeckFile; // File > Save deck as
    std::function<std::optional<std::string>()> chooseFolder;   // File > Open folder
    std::function<std::optional<std::string>()> chooseJournal;  // File > Open journal
    std::function<std::vector<std::string>()> choosePair;       // File > Open pair: two pictures
    // A question with several answers (the first is the default): the index of the answer, or
    // none when the question was closed.
    std::function<std::optional<int>(const std::string& text, const std::vector<std::string>& answers)>
        askChoice;

    // Opens a picture as if it had been chosen in the open dialog (start-up argument, recent
    // files, drag and drop).
    void OpenFile(const std::string& path);
    // File > Open folder and File > Open journal: a review window over the folder's pictures (read
    // in the background) or over a batch's journal; null, with the reason shown, when it cannot be
    // opened. The window closes with this one.
    ReviewWindow* OpenReview(const std::string& path, bool journal);
    // File > Open pair (and two pictures dropped): a pair view over the front and the back of the
    // same card(s), read together; null, with the reason shown, when neither side can be read.
    PairView* OpenPair(const std::string& frontFile, const std::string& backFile);
    // Edit > Read all cards: picks every accepted card, one row each in the results panel.
    void ReadAllCards();
    // File > Save overlay: the shown overlay as PNG, written whole or not at all.
    bool SaveOverlay(const QString& path);
    // File > Save deck: the cards read from this picture, in the layout the file's extension names
    // (.cbn, .bin, .jsonl, else text), written whole or not at all. A card without punches is
    // written as a blank card when `blankForMissing`, else left out. Empty, or what went wrong.
    std::string SaveDeck(const std::string& path, bool blankForMissing = false) const;
    // The deck file Ctrl+S writes for the shown picture: beside it, named after it ("page.bmp"
    // gives "page.deck.txt").
    std::string DeckNameForPicture() const;
    // Ctrl+S: reads the cards not read yet, asks what to do with cards without punches, and saves
    // the deck to `path` (DeckNameForPicture() when empty, asking first when that file exists).
    void SaveDeckOfPicture(std::string path = {});
    // View: the zoom steps, fit to window and actual size.
    void ZoomBy(double factor, std::optional<QPoint> anchor = std::nullopt);
    void FitToWindow();
    void ActualSize();
    bool Fitted() const { return fitted_; }

    // Window seam.
    void SetEditText(const std::string& text) override;
    void SetEditColour(Algemeen::Colour colour) override;
    void SetEditEnabled(bool enabled) override;
    void SetMenuEnabled(MenuItem item, bool enabled) override;
    void SetFormCursor(CursorKind cursor) override;
    void SetImageCursor(CursorKind cursor) override;
    std::optional<std::string> RunOpenDialog() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ShowError(const std::string& text) override;
    void SetImageSize(std::int32_t width, std::int32_t height) override;
    void ShowPictureFile(const std::string& fileName) override;
    void ShowBitmap(const DrawingRecord& bitmap) override;
    void SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour) override;
    void ShowInstruction(const std::string& text, const std::string& caption) override;
    void Repaint() override;
    void PumpEvents() override;
    void Close() override;

    // The components, for tests.
    QLineEdit* Edit1() const { return edit1_; }
    ImageArea* Image1() const { return image1_; }
    QScrollArea* ImageScroller() const { return scroller_; }
    QAction* Open1() const { return open1_; }
    QAction* Exit1() const { return exit1_; }
    QAction* Process1() const { return process1_; }
    QAction* Select1() const { return select1_; }
    QMenu* File1() const { return file1_; }
    QAction* ReadAll() const { return readAll_; }
    QAction* SaveOverlayAction() const { return saveOverlay_; }
    QAction* SaveDeckAction() const { return saveDeck_; }
    QAction* QuickSaveDeck() const { return quickSaveDeck_; }
    QAction* OpenFolderAction() const { return openFolder_; }
    QAction* OpenJournalAction() const { return openJournal_; }
    QAction* OpenPairAction() const { return openPair_; }
    QAction* ContoursAction() const { return contours_; }
    QAction* ZoomIn() const { return zoomIn_; }
    QAction* ZoomOut() const { return zoomOut_; }
    QAction* Fit() const { return fit_; }
    QAction* Actual() const { return actual_; }
    // Edit > Read as front, the button of the same name by the text line, and View > Side.
    QAction* ReadAsFront() const { return readAsFront_; }
    QPushButton* ReadAsFrontButton() const { return readAsFrontButton_; }
    // Edit > Turn half way and the button of the same name: offered for a card without a cut corner,
    // they show its two readings (as fitted, turned half way) and the row, the text line, the marks
    // and a saved deck take the one chosen.
    QAction* TurnHalfWayAction() const { return turnHalfWay_; }
    QPushButton* TurnHalfWayButton() const { return turnHalfWayButton_; }
    QAction* SideAction(Imaging::Side side) const { return sides_[static_cast<int>(side)]; }
    // View > Picture options: side, polarity, threshold or Sauvola, resolution, for the pictures
    // opened from now on; the picture shown is opened and read again with them.
    QAction* PictureOptionsAction() const { return pictureOptions_; }
    void SetPictureOptions(const korvane::PictureSettings& settings);
    QMenu* RecentFiles() const { return recent_; }
    ResultsPanel* Results() const { return results_; }
    ColumnRuler* Ruler() const { return ruler_; }
    QLabel* StartupWarning() const { return warning_; }

    // The filter of the Open dialog: every picture format Korvane reads, then "All files".
    static const char* const kOpenFilter;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Parts of the window, made once by the constructor.
    QWidget* CreateTextLine(QWidget* central);
    void CreatePictureView(QWidget* central);
    void CreateResultsPanel();
    void CreateMenus();
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateViewMenu();
    // The side the pictures show from now on; the picture shown is opened and read again with it.
    void SetSide(Imaging::Side side);
    void ChoosePictureOptions();
    // Runs a command of the menus or the mouse; a close asked for meanwhile happens after it
    // (defined in TForm1Internal.h).
    template <class Command> void Run(Command command);
    void ImagePressed(Qt::MouseButton button, QPoint picturePixel);
    void ChooseAndSaveOverlay();
    void ChooseAndSaveDeck();
    void ChooseAndOpenPair();
    void PickAt(QPoint picturePixel);
    void AfterProcess();
    void OpenAndProcess();
    void RefuseOpen(const std::string& reason);
    void ShowRow(const CardRow& row);
    // The row chosen in the results panel; null when none is.
    const CardRow* ChosenRow() const;
    // Shows Turn half way when the row is of a card without a cut corner, hides it otherwise.
    void OfferChoices(const CardRow* row);
    void TurnChosenHalfWay();
    void TakeReading(const korvane::CardResult& reading, int number);
    void ReadChosenAsFront();
    void MarkColumns(const CardRow& row);
    void ShowScanWithOverlay();
    bool AllCardsHaveRows() const;
    void RememberRecent(const QString& path);
    void FillRecentMenu();
    void WarnAtStart();
    void ShowAbout();
    void SetZoom(double zoom, std::optional<QPoint> anchor);

    KeptLines console_; // before state_, which writes to it
    RunState state_;
    bool opened_ = false; // the last Open showed its picture
    QString pictureInfo_; // "page.bmp: 900 x 700 pixels, 150 dpi"
    QLineEdit* edit1_ = nullptr;
    ImageArea* image1_ = nullptr;
    QScrollArea* scroller_ = nullptr;
    QMenu* file1_ = nullptr;
    QMenu* exit2_ = nullptr;
    QAction* open1_ = nullptr;
    QAction* exit1_ = nullptr;
    QAction* process1_ = nullptr;
    QAction* select1_ = nullptr;
    DrawingRecord overlay_; // the overlay shown, drawn onto the scan that Image1 paints
    bool showsOverlay_ = false;
    QElapsedTimer sincePump_;
    unsigned pumpCalls_ = 0;
    bool stopped_ = false;
    bool closePending_ = false;
    bool fitted_ = true;
    std::optional<std::string> pendingFile_; // answers the open dialog for OpenFile
    QString lastFolder_;
    QMenu* view_ = nullptr;
    QMenu* recent_ = nullptr;
    QAction* readAll_ = nullptr;
    QAction* saveOverlay_ = nullptr;
    QAction* saveDeck_ = nullptr;
    QAction* quickSaveDeck_ = nullptr;
    QAction* openFolder_ = nullptr;
    QAction* openJournal_ = nullptr;
    QAction* openPair_ = nullptr;
    QAction* contours_ = nullptr;
    QAction* zoomIn_ = nullptr;
    QAction* zoomOut_ = nullptr;
    QAction* fit_ = nullptr;
    QAction* actual_ = nullptr;
    QAction* readAsFront_ = nullptr;
    QPushButton* readAsFrontButton_ = nullptr;
    QAction* turnHalfWay_ = nullptr;
    QPushButton* turnHalfWayButton_ = nullptr;
    QAction* sides_[3] = {nullptr, nullptr, nullptr}; // by Imaging::Side
    QAction* pictureOptions_ = nullptr;
    ResultsPanel* results_ = nullptr;
    ColumnRuler* ruler_ = nullptr;
    QLabel* warning_ = nullptr;
};

} // namespace Unit1
