// ReviewWindow: going through a box of cards. It lists every picture of a folder (or of a batch's
// journal) and its cards with their state, reads what is not read yet on every core in the
// background (the batch unit, writing the folder's journal), and shows the chosen card upright in
// a CardView where a person corrects it with the mouse or the keyboard. Each accepted card becomes
// a correction line appended to the journal; the reading itself is never written over.
#pragma once

#include "CardView.h"
#include "ReviewQueue.h"

#include <QMainWindow>
#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace Unit1 {

// The journal a folder's review keeps beside its pictures.
inline constexpr const char* kReviewJournal = "korvane-review.jsonl";

class ReviewWindow : public QMainWindow
{
    Q_OBJECT
public:
    // A review decoding cards with the code table `codeTable`.
    explicit ReviewWindow(const std::string& codeTable, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Lists the folder's pictures and reads them in the background into the folder's journal; a
    // folder reviewed before opens its journal (with its corrections) instead. False, with the
    // reason in the status bar and `problem`, when the folder has no picture or cannot be read.
    bool OpenFolder(const std::string& folder, std::string* problem = nullptr);
    // Opens a batch's journal: its pictures, cards and corrections. False when it cannot be read.
    bool OpenJournal(const std::string& journal, std::string* problem = nullptr);

    // True once every picture is read and the journal is finished (corrections go straight in).
    bool ReadingDone() const { return readingDone_; }
    const ReviewQueue& Queue() const { return queue_; }
    std::optional<std::size_t> CurrentCard() const { return current_; }
    const std::string& Journal() const { return journal_; }

    // Shows a card of the queue in the card view.
    void ChooseCard(std::size_t card);
    // F3, Shift+F3.
    void NextToLook(bool forward);
    // Enter: accepts the shown card (its correction appended to the journal) and shows the next
    // card that needs a look.
    void AcceptCard();

    // A question with several answers (see TForm1::askChoice); replaceable for tests.
    std::function<std::optional<int>(const std::string& text, const std::vector<std::string>& answers)>
        askChoice;

    CardView* View() const { return view_; }
    QTreeWidget* List() const { return list_; }
    QCheckBox* NeedsLookFilter() const { return filter_; }
    QProgressBar* Progress() const { return progress_; }
    QAction* UndoAction() const { return undo_; }
    QAction* RedoAction() const { return redo_; }
    // Card > Turn half way: offered for a card without a cut corner; shows its two readings and
    // takes the one chosen as an edit of the card (Enter makes it its correction).
    QAction* TurnHalfWayAction() const { return turn_; }
    void TurnHalfWay();

signals:
    // Every picture has been read (or was held by the journal already).
    void ReadingFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the card view needs of a picture: the scan and the grids of its cards (1..N).
    struct Loaded
    {
        QImage scan;
        std::vector<std::optional<Ogenblik::CardGrid>> grids;
        // The punches of its two readings, as fitted and turned half way, of a card without a cut
        // corner (Reader::ReadBothWays); none for the others.
        std::vector<std::optional<std::array<Algemeen::CardPunches, 2>>> ways;
    };
    void CreateMenus();
    void StartReading(const std::vector<std::string>& files, const std::string& folder);
    void TakeOutcome(std::size_t index, const Batch::PictureOutcome& outcome);
    void FinishReading(const std::string& failure);
    void ListPicture(std::size_t index);
    void UpdateItem(std::size_t card);
    void ApplyFilter();
    void UpdateStatus();
    void ShowCurrent();
    void Prefetch(std::size_t card);
    std::shared_future<std::shared_ptr<const Loaded>> LoadPicture(const std::string& file);
    std::string PathOf(const std::string& recorded) const;
    void WriteCorrection(std::size_t card);
    void TypeOver(char c);
    void Edited();
    std::optional<int> Ask(const std::string& text, const std::vector<std::string>& answers,
                           std::size_t escapeAnswer = 0, bool columns = false);

    std::string codeTable_;
    ReviewQueue queue_;
    std::string journal_;
    std::string base_; // folder the journal's file names are relative to
    std::optional<std::size_t> current_;
    std::map<std::size_t, QTreeWidgetItem*> cardItems_;
    std::vector<QTreeWidgetItem*> pictureItems_;
    std::map<std::string, std::shared_future<std::shared_ptr<const Loaded>>> loaded_;
    std::vector<std::string> loadOrder_;

    std::thread reader_;
    std::atomic<bool> stop_{false};
    bool readingDone_ = true;

    CardView* view_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QCheckBox* filter_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* counts_ = nullptr;
    QLabel* hint_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* turn_ = nullptr;
};

} // namespace Unit1
