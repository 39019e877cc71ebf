#include "ResultsPanel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

namespace Unit1 {

namespace {

enum Column
{
    kCard,
    kText,
    kUnknown,
    kFit,
    kVerdict,
    kColumnCount
};

// The columns as rich text, every unknown column in bold red, every doubtful one in bold red on
// amber, spaces kept; a card of a pair with a column in doubt all red, as its text line would be.
QString MarkedText(const CardRow& row)
{
    QString html = !row.sides.empty() && !row.complete ? "<span style=\"white-space:pre;color:#c00000\">"
                                                       : "<span style=\"white-space:pre\">";
    for (std::size_t k = 0; k < row.text.size(); ++k) {
        const char c = row.text[k];
        const QString ch = QString(QChar::fromLatin1(c)).toHtmlEscaped();
        const bool doubtful = std::find(row.doubtfulColumns.begin(), row.doubtfulColumns.end(),
                                        static_cast<int>(k) + 1) != row.doubtfulColumns.end();
        if (doubtful)
            html += "<b style=\"color:#ff0000;background-color:#ffc040\">" + ch + "</b>";
        else
            html += c == '?' ? "<b style=\"color:#ff0000\">" + ch + "</b>" : ch;
    }
    return html + "</span>";
}

// The unknown columns, the doubtful ones after them and the columns where the two sides of a card
// disagree ("3; doubtful 12, 40; sides disagree 17").
QString ColumnsInDoubt(const CardRow& row)
{
    std::string text = ColumnList(row.unknownColumns);
    std::vector<int> doubtful;
    for (const int column : row.doubtfulColumns)
        if (std::find(row.disagreeColumns.begin(), row.disagreeColumns.end(), column) ==
            row.disagreeColumns.end())
            doubtful.push_back(column);
    if (!doubtful.empty())
        text += (text.empty() ? "" : "; ") + std::string("doubtful ") + ColumnList(doubtful);
    if (!row.disagreeColumns.empty())
        text += (text.empty() ? "" : "; ") + std::string("sides disagree ") + ColumnList(row.disagreeColumns);
    return QString::fromStdString(text);
}

// The orientation verdict; for a card of a pair read from one side, which side.
QString Verdict(const CardRow& row)
{
    if (row.sides.empty() || row.sides == "both")
        return QString::fromStdString(row.verdict);
    return QString::fromStdString(row.verdict + (row.verdict.empty() ? "" : ", ") + row.sides + " only");
}

} // namespace

ResultsPanel::ResultsPanel(QWidget* parent) : QDockWidget("Cards read", parent)
{
    setObjectName("ResultsPanel");
    table_ = new QTableWidget(0, kColumnCount, this);
    table_->setHorizontalHeaderLabels({"Card", "Columns 1-80", "Unknown", "Fit", "Orientation"});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    setWidget(table_);

    auto* copy = new QAction("&Copy rows", table_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, [this] { CopySelected(); });
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0 && row < static_cast<int>(rows_.size())) {
            emit CardChosen(rows_[static_cast<std::size_t>(row)].outline);
            emit RowChosen(rows_[static_cast<std::size_t>(row)]);
        }
    });
}

void ResultsPanel::Show(const CardRow& row)
{
    const auto same =
        std::find_if(rows_.begin(), rows_.end(), [&](const CardRow& r) { return r.card == row.card; });
    int at = static_cast<int>(same - rows_.begin());
    if (same == rows_.end()) {
        const auto later =
            std::find_if(rows_.begin(), rows_.end(), [&](const CardRow& r) { return r.number > row.number; });
        at = static_cast<int>(later - rows_.begin());
        rows_.insert(later, row);
        table_->insertRow(at);
    } else {
        *same = row;
    }
    Fill(at, row);
    table_->resizeColumnToContents(kCard);
    table_->resizeColumnToContents(kText);
    table_->resizeColumnToContents(kUnknown);
    table_->resizeColumnToContents(kFit);
}

void ResultsPanel::Fill(int tableRow, const CardRow& row)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* card = new QTableWidgetItem(QString::number(row.number));
    card->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    card->setToolTip(QString("Contour %1").arg(row.card));
    table_->setItem(tableRow, kCard, card);

    auto* text = new QTableWidgetItem(QString::fromStdString(row.message.empty() ? row.text : row.message));
    table_->setItem(tableRow, kText, text);
    table_->removeCellWidget(tableRow, kText);
    if (row.message.empty()) {
        auto* label = new QLabel(MarkedText(row));
        label->setFont(fixed);
        label->setTextFormat(Qt::RichText);
        label->setContentsMargins(4, 0, 4, 0);
        text->setText({}); // the label shows the columns; the item keeps the cell selectable
        text->setData(Qt::UserRole, QString::fromStdString(row.text));
        text->setSizeHint(label->sizeHint());
        table_->setCellWidget(tableRow, kText, label);
    } else {
        text->setForeground(QColor(255, 0, 0));
    }

    table_->setItem(tableRow, kUnknown, new QTableWidgetItem(ColumnsInDoubt(row)));
    auto* fit =
        new QTableWidgetItem(row.fitQuality ? QString::number(*row.fitQuality, 'f', 1) + " %" : QString());
    fit->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table_->setItem(tableRow, kFit, fit);
    table_->setItem(tableRow, kVerdict, new QTableWidgetItem(Verdict(row)));
}

void ResultsPanel::Choose(std::int32_t card)
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].card == card && table_->currentRow() != static_cast<int>(i))
            table_->setCurrentCell(static_cast<int>(i), kCard);
}

void ResultsPanel::Clear()
{
    rows_.clear();
    table_->setRowCount(0);
}

QString ResultsPanel::CopySelected()
{
    QList<int> selected;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        selected.append(index.row());
    std::sort(selected.begin(), selected.end());
    QString lines;
    for (const int r : selected)
        lines += QString::fromStdString(RowAsTabLine(rows_[static_cast<std::size_t>(r)])) + '\n';
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines);
    return lines;
}

} // namespace Unit1
