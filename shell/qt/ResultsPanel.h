// The results panel: one row per card read in the shown picture, filled from CardRow.
#pragma once

#include "CardRow.h"

#include <QDockWidget>
#include <vector>

class QTableWidget;

namespace Unit1 {

class ResultsPanel : public QDockWidget
{
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget* parent = nullptr);

    // Adds the card's row in the order of the card numbers, or replaces it when the card was read
    // before.
    void Show(const CardRow& row);
    void Clear();
    const std::vector<CardRow>& Rows() const { return rows_; }
    QTableWidget* Table() const { return table_; }
    // The selected rows as tab-separated lines, in table order; also put on the clipboard.
    QString CopySelected();

    // Makes the row of this card the chosen one (no signal when it already is).
    void Choose(std::int32_t card);

signals:
    void CardChosen(const Unit1::CardBox& outline);
    // The chosen row changed to this one.
    void RowChosen(const Unit1::CardRow& row);

private:
    void Fill(int tableRow, const CardRow& row);

    QTableWidget* table_ = nullptr;
    std::vector<CardRow> rows_; // in table order
};

} // namespace Unit1
