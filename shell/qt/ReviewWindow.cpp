#include "ReviewWindow.h"

#include "AskDialog.h"
#include "BatchRead.h"
#include "CardRow.h"
#include "CodeTable.h"
#include "Inputs.h"
#include "RunBatch.h"
#include "korvane/Reader.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace Unit1 {

namespace {

enum ListColumn
{
    kName,
    kState,
    kText
};

// The pictures of the next cards that need a look are read ahead, so that Enter seldom waits for a
// page. bench/review.sh over 300 cards on a busy machine: one ahead, the slowest key 95 and 211 ms;
// three ahead, 78 to 104 ms.
constexpr int kReadAhead = 3;
// Pictures kept read for the card view: the one shown, those read ahead, and a few before.
constexpr std::size_t kPicturesKept = kReadAhead + 3;

QString NameOf(const std::string& file)
{
    return QString::fromStdString(std::filesystem::path(file).filename().string());
}

QColor StateColour(CardState state, bool accepted)
{
    if (accepted)
        return QColor(0, 120, 0);
    switch (state) {
    case CardState::Doubtful:
        return QColor(200, 120, 0);
    case CardState::NotRead:
        return QColor(220, 0, 0);
    case CardState::Corrected:
        return QColor(40, 90, 220);
    case CardState::Read:
        break;
    }
    return QColor(0, 0, 0);
}

// Thrown into the batch from the window's hook when the window closes while it reads.
struct ReviewClosed : std::runtime_error
{
    ReviewClosed() : std::runtime_error("the review was closed") {}
};

} // namespace

ReviewWindow::ReviewWindow(const std::string& codeTable, QWidget* parent)
    : QMainWindow(parent), codeTable_(codeTable), queue_(CodeMapInUse(codeTable))
{
    setObjectName("ReviewWindow");
    setWindowTitle("Review - Korvane");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1280, 800);

    auto* split = new QSplitter(this);
    list_ = new QTreeWidget(split);
    list_->setObjectName("ReviewList");
    list_->setHeaderLabels({"Picture / card", "State", "Columns 1-80"});
    list_->setUniformRowHeights(true);
    list_->header()->resizeSection(kName, 180);
    list_->header()->resizeSection(kState, 130);
    auto* right = new QWidget(split);
    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new CardView(right);
    view_->setObjectName("CardView");
    view_->installEventFilter(this);
    layout->addWidget(view_, 1);
    hint_ =
        new QLabel("Enter: card is right, next \u2022 F3 / Shift+F3: next / previous card that needs a look "
                   "\u2022 type over a column, or click a hole position to punch or clear it "
                   "\u2022 \u2190 \u2192 column \u2022 Ctrl+Z / Ctrl+Y undo / redo",
                   right);
    hint_->setWordWrap(true);
    hint_->setContentsMargins(8, 4, 8, 6);
    layout->addWidget(hint_);
    split->addWidget(list_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({420, 860});
    setCentralWidget(split);

    auto* bar = addToolBar("Queue");
    bar->setMovable(false);
    filter_ = new QCheckBox("Needs a look", bar);
    filter_->setObjectName("NeedsLook");
    filter_->setToolTip("Only the cards that need a look: doubtful, not read, orientation unsettled");
    bar->addWidget(filter_);
    connect(filter_, &QCheckBox::toggled, this, [this] { ApplyFilter(); });

    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(260);
    progress_->setFormat("%v of %m pictures read");
    counts_ = new QLabel(this);
    statusBar()->addPermanentWidget(counts_);
    statusBar()->addPermanentWidget(progress_);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->data(kName, Qt::UserRole).isValid())
            ChooseCard(item->data(kName, Qt::UserRole).toULongLong());
    });
    connect(view_, &CardView::PositionClicked, this, [this](int column, int row) {
        if (!current_)
            return;
        queue_.TogglePunch(*current_, column, row);
        Edited();
    });
    CreateMenus();
}

ReviewWindow::~ReviewWindow()
{
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
}

void ReviewWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Close review", QKeySequence::Close, this, [this] { close(); });
    QMenu* card = menuBar()->addMenu("&Card");
    QAction* accept = card->addAction("&Accept and next", this, [this] { AcceptCard(); });
    accept->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    card->addAction("&Next that needs a look", QKeySequence(Qt::Key_F3), this, [this] { NextToLook(true); });
    card->addAction("&Previous that needs a look", QKeySequence(Qt::SHIFT | Qt::Key_F3), this,
                    [this] { NextToLook(false); });
    card->addSeparator();
    undo_ = card->addAction("&Undo", QKeySequence::Undo, this, [this] {
        if (queue_.Undo())
            ChooseCard(queue_.LastChanged());
    });
    redo_ = card->addAction("&Redo", this, [this] {
        if (queue_.Redo())
            ChooseCard(queue_.LastChanged());
    });
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    card->addSeparator();
    turn_ = card->addAction("&Turn half way", QKeySequence(Qt::CTRL | Qt::Key_T), this,
                            [this] { TurnHalfWay(); });
    turn_->setEnabled(false);
    QMenu* view = menuBar()->addMenu("&View");
    QAction* only = view->addAction("Only cards that &need a look", QKeySequence(Qt::CTRL | Qt::Key_L), this,
                                    [this] { filter_->toggle(); });
    only->setCheckable(false);
}

std::optional<int> ReviewWindow::Ask(const std::string& text, const std::vector<std::string>& answers,
                                     std::size_t escapeAnswer, bool columns)
{
    if (askChoice)
        return askChoice(text, answers);
    return AskWithButtons(this, text, answers, escapeAnswer, columns);
}

bool ReviewWindow::OpenFolder(const std::string& folder, std::string* problem)
{
    const Batch::InputList inputs = Batch::ExpandPaths({folder});
    if (!inputs.ok) {
        statusBar()->showMessage(QString::fromStdString(inputs.message));
        if (problem)
            *problem = inputs.message;
        return false;
    }
    journal_ = (std::filesystem::path(folder) / kReviewJournal).string();
    // A folder reviewed before: its journal holds the readings and the corrections made so far.
    if (std::filesystem::exists(journal_) && !std::filesystem::exists(Batch::PartialName(journal_)))
        return OpenJournal(journal_, problem);
    setWindowTitle(NameOf(folder) + " - Review - Korvane");
    queue_.SetPictures(inputs.files);
    list_->clear();
    pictureItems_.clear();
    cardItems_.clear();
    for (std::size_t i = 0; i < inputs.files.size(); ++i) {
        auto* item = new QTreeWidgetItem(list_, {NameOf(inputs.files[i]), "waiting"});
        item->setToolTip(kName, QString::fromStdString(inputs.files[i]));
        pictureItems_.push_back(item);
    }
    StartReading(inputs.files, folder);
    return true;
}

// The batch reads on every core in a thread of its own; each picture's outcome comes back to the
// window's thread in input order.
void ReviewWindow::StartReading(const std::vector<std::string>& files, const std::string& folder)
{
    readingDone_ = false;
    progress_->setRange(0, static_cast<int>(files.size()));
    progress_->setValue(0);
    UpdateStatus();
    korvane::ReadOptions options;
    options.CodeTableFile = codeTable_;
    options.LogFile.clear();
    std::string failure;
    if (auto table = korvane::ReadCardSpec(codeTable_, failure))
        options.CodeTable = std::make_shared<const korvane::CodeTableEntries>(std::move(*table));
    reader_ = std::thread([this, folder, options, journal = journal_] {
        Batch::BatchOptions batch;
        batch.paths = {folder};
        batch.jsonl = journal;
        batch.resume = std::filesystem::exists(Batch::PartialName(journal));
        batch.quiet = true;
        Batch::BatchHooks hooks;
        hooks.worker = Batch::PerWorker([options] { return std::make_shared<korvane::Reader>(options); },
                                        [](std::shared_ptr<korvane::Reader>& reader, const std::string& file,
                                           const Batch::Deadline& deadline) {
                                            return Cli::ReadPictureFile(*reader, file, deadline, "");
                                        });
        hooks.onPicture = [this](std::size_t index, const std::string&,
                                 const Batch::PictureOutcome& outcome) {
            if (stop_)
                throw ReviewClosed();
            QMetaObject::invokeMethod(
                this, [this, index, outcome] { TakeOutcome(index, outcome); }, Qt::QueuedConnection);
        };
        std::istringstream in;
        std::ostringstream out, err;
        std::string failure;
        try {
            const Batch::BatchResult result = Batch::RunBatch(batch, hooks, {in, out, err, false});
            if (!result.ok)
                failure = result.message;
        } catch (const ReviewClosed&) {
            return;
        } catch (const std::exception& error) {
            failure = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, failure] { FinishReading(failure); }, Qt::QueuedConnection);
    });
}

void ReviewWindow::TakeOutcome(std::size_t index, const Batch::PictureOutcome& outcome)
{
    queue_.AddOutcome(index, outcome);
    ListPicture(index);
    progress_->setValue(static_cast<int>(queue_.PicturesDone()));
    UpdateStatus();
    if (!current_)
        if (const auto first = queue_.NextToLook(std::nullopt, true))
            ChooseCard(*first);
}

void ReviewWindow::FinishReading(const std::string& failure)
{
    if (!failure.empty()) {
        statusBar()->showMessage(QString::fromStdString("Reading stopped: " + failure));
        return;
    }
    readingDone_ = true;
    // Corrections accepted while the journal was still being written go in now.
    for (std::size_t card = 0; card < queue_.Cards().size(); ++card) {
        const ReviewCard& c = queue_.Card(card);
        if (c.accepted && c.corrected && !c.written)
            WriteCorrection(card);
    }
    UpdateStatus();
    emit ReadingFinished();
}

bool ReviewWindow::OpenJournal(const std::string& journal, std::string* problem)
{
    const auto fail = [&](const std::string& why) {
        statusBar()->showMessage(QString::fromStdString(why));
        if (problem)
            *problem = why;
        return false;
    };
    std::ifstream in(journal, std::ios::binary);
    if (!in)
        return fail(journal + ": cannot be read");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    try {
        queue_.LoadJournal(lines);
    } catch (const std::exception& error) {
        return fail(journal + ": " + error.what());
    }
    if (queue_.Pictures().empty())
        return fail(journal + ": no picture in it: not a journal of a batch");
    journal_ = journal;
    base_ = std::filesystem::absolute(journal).parent_path().string();
    setWindowTitle(NameOf(journal) + " - Review - Korvane");
    list_->clear();
    pictureItems_.clear();
    cardItems_.clear();
    for (std::size_t i = 0; i < queue_.Pictures().size(); ++i) {
        pictureItems_.push_back(new QTreeWidgetItem(list_, {NameOf(queue_.Pictures()[i].file), ""}));
        ListPicture(i);
    }
    readingDone_ = true;
    progress_->setRange(0, static_cast<int>(queue_.Pictures().size()));
    progress_->setValue(static_cast<int>(queue_.Pictures().size()));
    UpdateStatus();
    if (const auto first = queue_.NextToLook(std::nullopt, true))
        ChooseCard(*first);
    return true;
}

void ReviewWindow::ListPicture(std::size_t index)
{
    const ReviewPicture& picture = queue_.Pictures()[index];
    QTreeWidgetItem* item = pictureItems_[index];
    item->setToolTip(kName, QString::fromStdString(picture.file));
    if (picture.refused) {
        item->setText(kState, "refused");
        item->setText(kText, QString::fromStdString(picture.reason));
        item->setForeground(kState, QColor(220, 0, 0));
    } else {
        const std::size_t n = picture.cards.size();
        item->setText(kState, n == 0   ? QString("no card")
                              : n == 1 ? QString("1 card")
                                       : QString("%1 cards").arg(n));
    }
    for (const std::size_t card : picture.cards) {
        auto* child = new QTreeWidgetItem(item);
        child->setData(kName, Qt::UserRole, static_cast<qulonglong>(card));
        cardItems_[card] = child;
        UpdateItem(card);
    }
    item->setExpanded(true);
}

void ReviewWindow::UpdateItem(std::size_t card)
{
    QTreeWidgetItem* item = cardItems_.at(card);
    const ReviewCard& c = queue_.Card(card);
    item->setText(kName, QString("Card %1").arg(c.number));
    item->setToolTip(kName, QString("Contour %1").arg(c.contour));
    QString state = StateName(c.State());
    if (c.accepted)
        state += ", accepted";
    item->setText(kState, state);
    item->setForeground(kState, StateColour(c.State(), c.accepted));
    item->setText(kText, c.decoded || c.Edited() || c.corrected
                             ? QString::fromStdString(queue_.TextOf(c.punches))
                             : QString::fromStdString(c.message));
    item->setFont(kText, QFont("DejaVu Sans Mono"));
    item->setHidden(filter_->isChecked() && !c.NeedsLook() && std::optional<std::size_t>(card) != current_);
}

void ReviewWindow::ApplyFilter()
{
    for (const auto& [card, item] : cardItems_)
        UpdateItem(card);
    for (std::size_t i = 0; i < pictureItems_.size(); ++i) {
        const ReviewPicture& picture = queue_.Pictures()[i];
        bool shown = !filter_->isChecked() || picture.refused;
        for (const std::size_t card : picture.cards)
            shown = shown || !cardItems_.at(card)->isHidden();
        pictureItems_[i]->setHidden(!shown);
    }
}

void ReviewWindow::UpdateStatus()
{
    std::size_t accepted = 0;
    for (const ReviewCard& c : queue_.Cards())
        accepted += c.accepted ? 1 : 0;
    counts_->setText(QString("%1 cards, %2 need a look, %3 accepted")
                         .arg(queue_.Cards().size())
                         .arg(queue_.NeedingLook())
                         .arg(accepted));
}

// A journal names its pictures as the batch was given them, often relative to where it ran: as
// they are, else beside the journal under that name, else beside the journal by the file name.
std::string ReviewWindow::PathOf(const std::string& recorded) const
{
    namespace fs = std::filesystem;
    if (base_.empty() || fs::path(recorded).is_absolute() || fs::exists(recorded))
        return recorded;
    for (const fs::path& beside :
         {fs::path(base_) / recorded, fs::path(base_) / fs::path(recorded).filename()})
        if (fs::exists(beside))
            return beside.string();
    return recorded;
}

// The picture of a card, read again (its scan and its cards' grids) on a thread of its own; kept for
// the next few choices.
std::shared_future<std::shared_ptr<const ReviewWindow::Loaded>>
ReviewWindow::LoadPicture(const std::string& file)
{
    if (const auto known = loaded_.find(file); known != loaded_.end())
        return known->second;
    korvane::ReadOptions options;
    options.CodeTableFile = codeTable_;
    options.LogFile.clear();
    const std::string path = PathOf(file);
    auto future = std::async(std::launch::async, [options, path] {
                      korvane::Reader reader(options);
                      Algemeen::NoEvents events;
                      const korvane::ScanResult scan = reader.ReadFile(path, events);
                      auto loaded = std::make_shared<Loaded>();
                      if (scan.Open != korvane::OpenStatus::Opened)
                          return std::shared_ptr<const Loaded>(loaded);
                      loaded->scan = MonoImageOf(scan.Picture);
                      for (const korvane::CardResult& card : scan.Cards) {
                          loaded->grids.push_back(
                              !card.Refused && (card.Grid.ColumnStep.X != 0 || card.Grid.ColumnStep.Y != 0)
                                  ? std::optional(card.Grid)
                                  : std::nullopt);
                          std::optional<korvane::BothWays> both;
                          if (WithoutCutCorner(korvane::OrientationName(card.Orientation)))
                              both = reader.ReadBothWays(card.Contour);
                          loaded->ways.push_back(both ? std::optional(std::array{both->AsFitted.Punches,
                                                                                 both->HalfTurned.Punches})
                                                      : std::nullopt);
                      }
                      return std::shared_ptr<const Loaded>(loaded);
                  }).share();
    loaded_[file] = future;
    loadOrder_.push_back(file);
    if (loadOrder_.size() > kPicturesKept) {
        loaded_.erase(loadOrder_.front());
        loadOrder_.erase(loadOrder_.begin());
    }
    return future;
}

void ReviewWindow::Prefetch(std::size_t card)
{
    std::optional<std::size_t> next = card;
    for (int ahead = 0; ahead < kReadAhead; ++ahead) {
        next = queue_.NextToLook(next, true);
        if (!next || *next == card)
            return;
        LoadPicture(queue_.Pictures()[queue_.Card(*next).picture].file);
    }
}

void ReviewWindow::ChooseCard(std::size_t card)
{
    if (card >= queue_.Cards().size())
        return;
    const bool same = current_ == card;
    current_ = card;
    if (!same)
        view_->SetCursorColumn(1);
    ShowCurrent();
    if (QTreeWidgetItem* item = cardItems_.at(card); list_->currentItem() != item) {
        const QSignalBlocker quiet(list_);
        item->setHidden(false);
        list_->setCurrentItem(item);
        list_->scrollToItem(item);
    }
    view_->setFocus();
    Prefetch(card);
}

void ReviewWindow::ShowCurrent()
{
    const ReviewCard& c = queue_.Card(*current_);
    const ReviewPicture& picture = queue_.Pictures()[c.picture];
    const std::shared_ptr<const Loaded> loaded = LoadPicture(picture.file).get();
    CardViewContent content;
    content.scan = loaded->scan;
    if (c.number >= 1 && static_cast<std::size_t>(c.number) <= loaded->grids.size())
        content.grid = loaded->grids[static_cast<std::size_t>(c.number) - 1];
    content.read = c.read;
    content.punches = c.punches;
    content.text = queue_.TextOf(c.punches);
    content.unknown = c.unknown;
    content.doubtful = c.doubtful;
    QString state = StateName(c.State());
    if (c.accepted)
        state += ", accepted";
    content.caption = QString("%1, card %2 of %3: %4")
                          .arg(NameOf(picture.file))
                          .arg(c.number)
                          .arg(picture.cards.size())
                          .arg(state);
    QStringList why;
    if (!c.unknown.empty())
        why << QString::fromStdString("no code fits column " + ColumnList(c.unknown));
    if (!c.doubtful.empty())
        why << QString::fromStdString("the picture leaves column " + ColumnList(c.doubtful) + " in doubt");
    if (c.decoded && c.orientation != "settled")
        why << QString::fromStdString("orientation " + c.orientation +
                                      ": check that column 1 is on the left");
    if (!why.isEmpty())
        content.caption += " (" + why.join("; ") + ")";
    turn_->setEnabled(WithoutCutCorner(c.orientation));
    if (!c.decoded && !c.Edited())
        content.message =
            QString::fromStdString(c.message) + " (type the card's columns, or click its holes)";
    view_->SetContent(std::move(content));
}

// The card's two readings in a question (the one its punches stand as now marked); the one taken
// becomes an edit of the card.
void ReviewWindow::TurnHalfWay()
{
    if (!current_ || !WithoutCutCorner(queue_.Card(*current_).orientation))
        return;
    const std::size_t card = *current_;
    const ReviewCard& c = queue_.Card(card);
    const std::shared_ptr<const Loaded> loaded = LoadPicture(queue_.Pictures()[c.picture].file).get();
    const auto k = static_cast<std::size_t>(c.number - 1);
    if (c.number < 1 || k >= loaded->ways.size() || !loaded->ways[k]) {
        statusBar()->showMessage("This card's picture does not read again as a card without a cut corner");
        return;
    }
    const std::array<Algemeen::CardPunches, 2>& ways = *loaded->ways[k];
    std::string text = "Card " + std::to_string(c.number) +
                       " has no cut corner: nothing on it but its punches says which way up it lies. "
                       "Read both ways:\n";
    const char* names[] = {"As fitted:      ", "Turned half way:"};
    for (int way = 0; way < 2; ++way) {
        std::string line = queue_.TextOf(ways[way]);
        line.erase(line.find_last_not_of(' ') + 1);
        text += std::string("\n") + (ways[way] == c.punches ? "\u25B6 " : "  ") + names[way] + " " + line;
    }
    const std::optional<int> answer =
        Ask(text, {"Take the reading as fitted", "Take the reading turned half way", "Cancel"}, 2, true);
    if (!answer || *answer < 0 || *answer > 1 || ways[*answer] == c.punches)
        return;
    queue_.TakeReading(card, ways[*answer]);
    Edited();
    statusBar()->showMessage(QString("The reading %1 is taken: Enter accepts it as the card's correction")
                                 .arg(*answer == 1 ? "turned half way" : "as fitted"));
}

void ReviewWindow::NextToLook(bool forward)
{
    if (const auto next = queue_.NextToLook(current_, forward))
        ChooseCard(*next);
    else
        statusBar()->showMessage("No card needs a look");
}

void ReviewWindow::AcceptCard()
{
    if (!current_)
        return;
    const std::size_t card = *current_;
    const std::optional<Batch::Correction> correction = queue_.Accept(card);
    if (!queue_.Card(card).accepted) {
        statusBar()->showMessage("This card has no punches: type its columns or click its holes, then Enter");
        return;
    }
    if (correction)
        WriteCorrection(card);
    UpdateItem(card);
    UpdateStatus();
    if (const auto next = queue_.NextToLook(card, true))
        ChooseCard(*next);
    else
        statusBar()->showMessage("Every card has had its look");
}

void ReviewWindow::WriteCorrection(std::size_t card)
{
    if (!readingDone_)
        return; // the journal is still being written: the correction goes in when it is finished
    std::string error;
    if (Batch::AppendCorrection(journal_, queue_.CorrectionOf(card), error))
        queue_.MarkWritten(card);
    else
        statusBar()->showMessage(QString::fromStdString("Correction not written: " + error));
}

void ReviewWindow::Edited()
{
    if (!current_)
        return;
    UpdateItem(*current_);
    ShowCurrent();
}

void ReviewWindow::TypeOver(char c)
{
    if (!current_)
        return;
    const int column = view_->CursorColumn();
    char code = c;
    if (!queue_.Map().PunchesOf(code) && code >= 'a' && code <= 'z')
        code = static_cast<char>(code - 'a' + 'A');
    if (!queue_.TypeCharacter(*current_, column, code)) {
        statusBar()->showMessage(
            QString("The code table has no code for \u201c%1\u201d").arg(QChar::fromLatin1(c)));
        return;
    }
    view_->SetCursorColumn(column + 1);
    Edited();
}

bool ReviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int column = view_->CursorColumn();
        switch (key->key()) {
        case Qt::Key_Left:
            view_->SetCursorColumn(column - 1);
            return true;
        case Qt::Key_Right:
            view_->SetCursorColumn(column + 1);
            return true;
        case Qt::Key_Home:
            view_->SetCursorColumn(1);
            return true;
        case Qt::Key_End:
            view_->SetCursorColumn(80);
            return true;
        case Qt::Key_Backspace:
            view_->SetCursorColumn(column - 1);
            return true;
        default:
            break;
        }
        const QString text = key->text();
        if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7F &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            TypeOver(static_cast<char>(text[0].unicode()));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void ReviewWindow::closeEvent(QCloseEvent* event)
{
    if (const std::size_t unwritten = queue_.Unwritten(); unwritten > 0) {
        const std::string why =
            readingDone_ ? "the journal could not be written" : "the pictures are still being read";
        const std::optional<int> answer =
            Ask(std::to_string(unwritten) + (unwritten == 1 ? " correction is" : " corrections are") +
                    " not in the journal yet (" + why + "). Close and lose " +
                    (unwritten == 1 ? "it" : "them") + "?",
                {"Keep the review open", "Close without them"});
        if (answer != 1) {
            event->ignore();
            return;
        }
    }
    stop_ = true;
    event->accept();
}

} // namespace Unit1
