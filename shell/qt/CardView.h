// CardView: one card in front of the person. The scan is drawn turned upright and zoomed to the
// card through the card's fitted grid, column 1 on the left; the column numbers 1..80 run along
// its top edge with the decoded character over each column, and the 80-column text line runs under
// it. Unknown columns are marked red, doubtful ones amber, corrected ones blue; each punch as it
// stands now is framed, each punch a correction took away is crossed out.
#pragma once

#include "CardPunches.h"
#include "GridFit.h"

#include <QImage>
#include <QTransform>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

namespace korvane {
struct Picture;
}

namespace Unit1 {

// A 1-bit picture as a 1-bit image (clear bits black), built from the bytes the tracer reads.
QImage MonoImageOf(const korvane::Picture& picture);

struct CardViewContent
{
    QImage scan;                             // the picture (empty: no picture to show)
    std::optional<Ogenblik::CardGrid> grid;  // where the card lies in it
    Algemeen::CardPunches read{}, punches{}; // as read and as they stand now
    std::string text;                        // 80 columns of `punches` through the code table
    std::vector<int> unknown, doubtful;      // columns as read
    QString caption;                         // what the card is ("box/scan3.bmp, card 2 of 3: doubtful")
    QString message;                         // why it was not read; empty when it was
};

class CardView : public QWidget
{
    Q_OBJECT
public:
    explicit CardView(QWidget* parent = nullptr);
    void SetContent(CardViewContent content);
    const CardViewContent& Content() const { return content_; }
    // The column the keyboard works on (1..80).
    void SetCursorColumn(int column);
    int CursorColumn() const { return cursor_; }

    // Where the position (column 1..80, row from the top 0..11) lies in the widget, and back.
    QPointF PositionCentre(int column, int row) const;
    std::optional<std::pair<int, int>> PositionAt(QPointF widgetPoint) const;
    // The cell of a column's character in the text line under the card.
    QRectF TextCell(int column) const;

signals:
    void PositionClicked(int column, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Card units: one column pitch across, one row pitch down, the card's top-left corner at 0.
    QTransform CardToWidget() const;
    void DrawScan(QPainter& painter) const;
    void DrawColumns(QPainter& painter) const;
    void DrawPunches(QPainter& painter) const;

    CardViewContent content_;
    QImage shownScan_; // content_.scan in a format that can be drawn smoothly
    int cursor_ = 1;
};

} // namespace Unit1
