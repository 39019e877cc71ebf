// The column ruler under the text line: a tick under every card column, longer every fifth, and
// the numbers 1, 10, 20, ... 70 and 72, lined up with the characters of the text line.
#pragma once

#include <QWidget>

class QLineEdit;

namespace Unit1 {

class ColumnRuler : public QWidget
{
    Q_OBJECT
public:
    ColumnRuler(QLineEdit* line, int columns, QWidget* parent = nullptr);
    // Where column `column` (1-based) starts, in the ruler's coordinates.
    double ColumnLeft(int column) const;
    double ColumnWidth() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* line_;
    int columns_;
};

} // namespace Unit1
