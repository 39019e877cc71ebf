#include "PairView.h"

#include "AskDialog.h"
#include "CardView.h"
#include "ResultsPanel.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

namespace Unit1 {

namespace {

QString NameOf(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName();
}

const korvane::CardResult* CardOf(const korvane::ScanResult& side, int index)
{
    return index >= 0 ? &side.Cards[static_cast<std::size_t>(index)] : nullptr;
}

} // namespace

CardRow RowOfPairedCard(const PairReading& pair, std::size_t index)
{
    const PairedCard& paired = pair.cards.at(index);
    const korvane::CardResult* front = CardOf(pair.front, paired.front);
    const korvane::CardResult* back = CardOf(pair.back, paired.back);
    // The side the reader is made for decides what is not fused: orientation, fit, the grid.
    const korvane::CardResult* decider = back != nullptr && back->Decoded     ? back
                                         : front != nullptr && front->Decoded ? front
                                         : back != nullptr                    ? back
                                                                              : front;
    CardRow row;
    row.card = static_cast<std::int32_t>(index) + 1;
    row.number = static_cast<int>(index) + 1;
    row.outline = OutlineBox(decider->Outline);
    row.centre = {static_cast<double>(decider->Centre.X), static_cast<double>(decider->Centre.Y)};
    row.verdict = korvane::OrientationName(decider->Orientation);
    if (!paired.fused) {
        row.message = decider->Message.empty() ? std::string(korvane::kNotACard) : decider->Message;
        row.sides = "neither";
        return row;
    }
    const FusedCard& fused = *paired.fused;
    row.read = true;
    row.punches = fused.punches;
    row.text = fused.text80;
    row.unknownColumns = fused.unknownColumns;
    for (const FusedColumn& doubt : fused.doubtful)
        if (doubt.reason != korvane::DoubtReasonName(korvane::DoubtReason::Unknown))
            row.doubtfulColumns.push_back(doubt.column);
    row.disagreeColumns = fused.disagree;
    row.sides = fused.oneSide.empty() ? "both" : fused.oneSide;
    row.fitFirst = decider->FitFirst;
    if (decider->HasFitLast)
        row.fitLast = decider->FitLast;
    row.fitQuality = decider->HasFitLast ? decider->FitLast : decider->FitFirst;
    row.grid = decider->Grid;
    row.complete = fused.doubtful.empty() && fused.unknownColumns.empty() &&
                   decider->Orientation != korvane::Orientation::FromPunches;
    return row;
}

PairView::PairView(const std::string& codeTable, const korvane::PictureSettings& settings, QWidget* parent)
    : QMainWindow(parent), codeTable_(codeTable), settings_(settings), map_(CodeMapInUse(codeTable))
{
    setObjectName("PairView");
    setWindowTitle("Korvane: a pair");
    auto* central = new QWidget(this);
    auto* sides = new QHBoxLayout(central);
    struct Side
    {
        CardView** view;
        QLabel** title;
        const char* name;
    };
    for (const Side& side : {Side{&front_, &frontTitle_, "Front"}, Side{&back_, &backTitle_, "Back"}}) {
        auto* column = new QVBoxLayout;
        *side.title = new QLabel(side.name, central);
        (*side.title)->setStyleSheet("font-weight: bold");
        *side.view = new CardView(central);
        (*side.view)->setObjectName(side.name);
        (*side.view)->setMinimumSize(560, 280);
        column->addWidget(*side.title);
        column->addWidget(*side.view, 1);
        sides->addLayout(column, 1);
    }
    setCentralWidget(central);
    results_ = new ResultsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, results_);
    connect(results_, &ResultsPanel::RowChosen, this,
            [this](const CardRow& row) { ShowCard(static_cast<std::size_t>(row.card - 1)); });

    QMenu* file = menuBar()->addMenu("&File");
    saveDeck_ = file->addAction("Save &deck as\u2026", this, [this] { ChooseAndSaveDeck(); });
    saveDeck_->setShortcut(QKeySequence::Save);
    swap_ = file->addAction("S&wap front and back", this, [this] { SwapSides(); });
    file->addSeparator();
    file->addAction("&Close", this, [this] { close(); })->setShortcut(QKeySequence::Close);
    resize(1240, 720);
}

bool PairView::Open(const std::string& frontFile, const std::string& backFile, std::string* problem)
{
    korvane::ReadOptions options;
    options.CodeTableFile = codeTable_;
    options.LogFile.clear();
    options.Picture = settings_;
    QElapsedTimer clock;
    clock.start();
    PairReading pair = ReadPicturePair(frontFile, backFile, options, map_);
    milliseconds_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (pair.Refused()) {
        if (problem != nullptr)
            *problem =
                "neither side can be read (front: " + pair.frontRefusal + "; back: " + pair.backRefusal + ")";
        return false;
    }
    pair_ = std::move(pair);
    frontScan_ = backScan_ = QImage();
    setWindowTitle(QString("Korvane: %1 and %2").arg(NameOf(frontFile), NameOf(backFile)));
    results_->Clear();
    std::size_t agree = 0, disagree = 0, oneSide = 0, notRead = 0;
    for (std::size_t k = 0; k < pair_.cards.size(); ++k) {
        const CardRow row = RowOfPairedCard(pair_, k);
        results_->Show(row);
        (!row.read                     ? notRead
         : row.sides != "both"         ? oneSide
         : row.disagreeColumns.empty() ? agree
                                       : disagree)++;
    }
    QString summary = QString("Read in %1 ms: %2 %3")
                          .arg(qRound(milliseconds_))
                          .arg(pair_.cards.size())
                          .arg(pair_.cards.size() == 1 ? "card" : "cards");
    summary += QString(", sides agree on %1, disagree on %2").arg(agree).arg(disagree);
    if (oneSide > 0)
        summary += QString(", %1 read from one side").arg(oneSide);
    if (notRead > 0)
        summary += QString(", %1 not read").arg(notRead);
    statusBar()->showMessage(summary);
    results_->Choose(1);
    ShowCard(0);
    saveDeck_->setEnabled(!pair_.cards.empty());
    return true;
}

void PairView::SwapSides()
{
    const std::string front = pair_.frontFile, back = pair_.backFile;
    std::string problem;
    if (!Open(back, front, &problem))
        statusBar()->showMessage(QString::fromStdString("Not swapped: " + problem));
}

void PairView::ShowCard(std::size_t index)
{
    ShowSide(front_, true, index);
    ShowSide(back_, false, index);
}

void PairView::ShowSide(CardView* view, bool front, std::size_t index)
{
    const korvane::ScanResult& side = front ? pair_.front : pair_.back;
    const std::string& file = front ? pair_.frontFile : pair_.backFile;
    const std::string& refusal = front ? pair_.frontRefusal : pair_.backRefusal;
    (front ? frontTitle_ : backTitle_)
        ->setText(QString("%1: %2").arg(QString(front ? "Front" : "Back"), NameOf(file)));
    CardViewContent content;
    if (index >= pair_.cards.size()) {
        content.message = QString::fromStdString(refusal.empty() ? "no card found" : refusal);
        view->SetContent(std::move(content));
        return;
    }
    const CardRow row = RowOfPairedCard(pair_, index);
    const int at = front ? pair_.cards[index].front : pair_.cards[index].back;
    content.text = row.text;
    content.unknown = row.unknownColumns;
    content.doubtful = row.doubtfulColumns;
    content.caption = QString("card %1 of %2").arg(index + 1).arg(pair_.cards.size());
    if (!row.disagreeColumns.empty())
        content.caption +=
            QString::fromStdString(" (the sides disagree at column " + ColumnList(row.disagreeColumns) +
                                   "; the firmer side decides)");
    if (at < 0) {
        content.message = QString::fromStdString(refusal.empty() ? "this card is not on this side"
                                                                 : "not read: " + refusal);
    } else {
        const korvane::CardResult& card = side.Cards[static_cast<std::size_t>(at)];
        QImage& shown = front ? frontScan_ : backScan_;
        if (shown.isNull())
            shown = MonoImageOf(side.Picture);
        content.scan = shown;
        if (!card.Refused && (card.Grid.ColumnStep.X != 0 || card.Grid.ColumnStep.Y != 0))
            content.grid = card.Grid;
        if (card.Decoded)
            content.read = content.punches = card.Punches;
        else
            content.message = QString::fromStdString(card.Message);
    }
    view->SetContent(std::move(content));
}

std::string PairView::SaveDeck(const std::string& path)
{
    const auto ask = [this](const std::string& text, const std::vector<std::string>& answers) {
        return askChoice ? askChoice(text, answers) : AskWithButtons(this, text, answers, answers.size() - 1);
    };
    bool blank = false;
    if (const std::string question = MissingCardsQuestion(results_->Rows()); !question.empty()) {
        const std::optional<int> answer = ask(question, kMissingCardsAnswers);
        if (!answer || *answer > 1)
            return "cancelled";
        blank = *answer == 0;
    }
    // A deck card names the back's picture, the side a reading of one picture would have named.
    const std::string problem = WriteRowsAsDeck(results_->Rows(), path, blank, map_, pair_.backFile);
    const auto read = std::count_if(results_->Rows().begin(), results_->Rows().end(),
                                    [](const CardRow& row) { return row.read; });
    statusBar()->showMessage(problem.empty() ? QString("Deck saved: %1 of %2 cards in %3")
                                                   .arg(read)
                                                   .arg(results_->Rows().size())
                                                   .arg(NameOf(path))
                                             : QString::fromStdString("Deck not saved: " + problem));
    return problem;
}

void PairView::ChooseAndSaveDeck()
{
    std::optional<std::string> target;
    if (chooseDeckFile) {
        target = chooseDeckFile();
    } else {
        const QString name = QFileDialog::getSaveFileName(
            this, "Save deck", QFileInfo(QString::fromStdString(pair_.backFile)).absolutePath() + "/deck.txt",
            "Text deck (*.txt);;Column binary (*.cbn);;Raw binary (*.bin);;JSON lines (*.jsonl)", nullptr,
            QFileDialog::DontUseNativeDialog);
        if (!name.isEmpty())
            target = name.toStdString();
    }
    if (target)
        SaveDeck(*target);
}

} // namespace Unit1
