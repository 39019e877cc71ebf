#include "CardView.h"

#include "Picture.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace Unit1 {

namespace {

// A card is 7 3/8 by 3 1/4 inches; its columns lie 0.087 inch apart and its rows 1/4 inch. In
// column pitches across and row pitches down it is 84.77 by 13, the columns centred on it.
constexpr double kCardColumns = 7.375 / 0.087;
constexpr double kCardRows = 13.0;
constexpr double kSideMargin = (kCardColumns - 80.0) / 2; // card edge to column 1, column pitches
constexpr double kTopMargin = 0.5;                        // card edge to row 12, row pitches
constexpr double kRowToColumn = 0.25 / 0.087;             // a row pitch in column pitches
// Bands above the card (column numbers, characters) and below it (the text line, the caption).
constexpr int kNumberBand = 16, kCharacterBand = 22, kTextBand = 30, kCaptionBand = 22, kPad = 8;

bool Has(const std::vector<int>& columns, int column)
{
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

QFont FixedFont(int pixels, bool bold)
{
    QFont font("DejaVu Sans Mono");
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Row from the top (0 = row 12) as a bit of a column: row 12 in bit 11, row 9 in bit 0.
bool Punched(Algemeen::ColumnPunches column, int row)
{
    return (column >> (11 - row)) & 1u;
}

} // namespace

QImage MonoImageOf(const korvane::Picture& scan)
{
    const int width = scan.Width, height = scan.Height;
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const auto rowBytes = static_cast<std::size_t>((width + 7) / 8);
    for (int y = 0; y < height; ++y)
        std::copy_n(scan.Row(y), rowBytes, image.scanLine(y));
    return image;
}

CardView::CardView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(600, 300);
    setFocusPolicy(Qt::StrongFocus);
}

void CardView::SetContent(CardViewContent content)
{
    content_ = std::move(content);
    shownScan_ =
        content_.scan.format() == QImage::Format_Mono || content_.scan.format() == QImage::Format_MonoLSB
            ? content_.scan.convertToFormat(QImage::Format_RGB32)
            : content_.scan;
    update();
}

void CardView::SetCursorColumn(int column)
{
    cursor_ = std::clamp(column, 1, 80);
    update();
}

QTransform CardView::CardToWidget() const
{
    const double room = height() - kNumberBand - kCharacterBand - kTextBand - kCaptionBand - 2 * kPad;
    const double scale =
        std::max(1.0, std::min((width() - 2.0 * kPad) / kCardColumns, room / (kCardRows * kRowToColumn)));
    const double left = (width() - scale * kCardColumns) / 2;
    return QTransform(scale, 0, 0, scale * kRowToColumn, left, kPad + kNumberBand + kCharacterBand);
}

QPointF CardView::PositionCentre(int column, int row) const
{
    return CardToWidget().map(QPointF(kSideMargin + column - 0.5, kTopMargin + row + 0.5));
}

std::optional<std::pair<int, int>> CardView::PositionAt(QPointF widgetPoint) const
{
    const QPointF card = CardToWidget().inverted().map(widgetPoint);
    const int column = static_cast<int>(std::floor(card.x() - kSideMargin)) + 1;
    const int row = static_cast<int>(std::floor(card.y() - kTopMargin));
    if (column < 1 || column > 80 || row < 0 || row > 11)
        return std::nullopt;
    return std::pair{column, row};
}

QRectF CardView::TextCell(int column) const
{
    const QTransform t = CardToWidget();
    const QPointF left = t.map(QPointF(kSideMargin + column - 1, kCardRows));
    return {left.x(), left.y() + 6, t.m11(), kTextBand - 6.0};
}

// Card units to picture pixels: text column k lies at grid column 80 - k and row r from the top at
// grid row 11 - r, so the picture point of (u, v) is A - u * ColumnStep - v * RowStep with A the
// point of (0, 0).
void CardView::DrawScan(QPainter& painter) const
{
    const QTransform toWidget = CardToWidget();
    const QRectF card = toWidget.mapRect(QRectF(0, 0, kCardColumns, kCardRows));
    painter.fillRect(card, QColor(250, 246, 232));
    if (shownScan_.isNull() || !content_.grid)
        return;
    const Ogenblik::CardGrid& g = *content_.grid;
    const double i0 = 79.5 + kSideMargin, j0 = 11.5 + kTopMargin;
    const QPointF a(g.Origin.X + i0 * g.ColumnStep.X + j0 * g.RowStep.X,
                    g.Origin.Y + i0 * g.ColumnStep.Y + j0 * g.RowStep.Y);
    const QTransform toPicture(-g.ColumnStep.X, -g.ColumnStep.Y, -g.RowStep.X, -g.RowStep.Y, a.x(), a.y());
    bool invertible = false;
    const QTransform fromPicture = toPicture.inverted(&invertible);
    if (!invertible)
        return;
    painter.save();
    painter.setClipRect(card);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(fromPicture * toWidget);
    painter.drawImage(QPointF(0, 0), shownScan_);
    painter.restore();
}

void CardView::DrawColumns(QPainter& painter) const
{
    const QTransform t = CardToWidget();
    const double step = t.m11();
    const QRectF card = t.mapRect(QRectF(0, 0, kCardColumns, kCardRows));
    painter.setFont(FixedFont(std::clamp(static_cast<int>(step * 0.62), 7, 11), false));
    for (int column = 1; column <= 80; ++column) {
        const double left = t.map(QPointF(kSideMargin + column - 1, 0)).x();
        const bool unknown = Has(content_.unknown, column), doubtful = Has(content_.doubtful, column);
        const bool edited = content_.punches[static_cast<std::size_t>(column - 1)] !=
                            content_.read[static_cast<std::size_t>(column - 1)];
        QColor mark;
        if (edited)
            mark = QColor(40, 110, 255);
        else if (unknown)
            mark = QColor(230, 0, 0);
        else if (doubtful)
            mark = QColor(255, 170, 0);
        const QRectF strip(left, card.top(), step, card.height());
        if (mark.isValid()) {
            painter.fillRect(strip, QColor(mark.red(), mark.green(), mark.blue(), 70));
            painter.setPen(QPen(mark, 2));
            painter.drawRect(strip);
        }
        // The column number along the top edge, every tenth in bold.
        painter.setPen(column % 10 == 0 ? QColor(0, 0, 0) : QColor(90, 90, 90));
        QFont small = painter.font();
        small.setBold(column % 10 == 0 || column == 1);
        painter.setFont(small);
        painter.drawText(QRectF(left - 4, kPad, step + 8, kNumberBand), Qt::AlignCenter,
                         QString::number(column));
        // The decoded character over the column, and again in the text line under the card.
        const QChar ch = column <= static_cast<int>(content_.text.size())
                             ? QChar::fromLatin1(content_.text[static_cast<std::size_t>(column - 1)])
                             : QChar(' ');
        const QRectF over(left, kPad + kNumberBand, step, kCharacterBand);
        const QRectF under = TextCell(column);
        for (const QRectF& cell : {over, under}) {
            if (mark.isValid())
                painter.fillRect(cell, QColor(mark.red(), mark.green(), mark.blue(), 110));
            painter.setPen(QColor(0, 0, 0));
            painter.setFont(FixedFont(std::clamp(static_cast<int>(step * 1.1), 9, 20), true));
            painter.drawText(cell, Qt::AlignCenter, ch);
        }
        painter.setFont(small);
    }
    // The keyboard's column.
    const double left = t.map(QPointF(kSideMargin + cursor_ - 1, 0)).x();
    painter.setPen(QPen(QColor(0, 0, 160), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(left, kPad + kNumberBand, step, card.bottom() - kPad - kNumberBand));
    painter.drawRect(TextCell(cursor_));
}

void CardView::DrawPunches(QPainter& painter) const
{
    const QTransform t = CardToWidget();
    const double w = t.m11() * 0.45, h = t.m22() * 0.32;
    painter.setBrush(Qt::NoBrush);
    for (int column = 1; column <= 80; ++column)
        for (int row = 0; row < 12; ++row) {
            const auto now = content_.punches[static_cast<std::size_t>(column - 1)];
            const auto was = content_.read[static_cast<std::size_t>(column - 1)];
            const QPointF c = PositionCentre(column, row);
            const QRectF hole(c.x() - w, c.y() - h, 2 * w, 2 * h);
            if (Punched(now, row)) {
                painter.setPen(QPen(Punched(was, row) ? QColor(0, 150, 60) : QColor(40, 110, 255), 2));
                painter.drawRect(hole);
            } else if (Punched(was, row)) {
                painter.setPen(QPen(QColor(40, 110, 255), 2));
                painter.drawLine(hole.topLeft(), hole.bottomRight());
                painter.drawLine(hole.topRight(), hole.bottomLeft());
            }
        }
}

void CardView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    DrawScan(painter);
    DrawColumns(painter);
    DrawPunches(painter);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QRectF caption(kPad, height() - kCaptionBand, width() - 2.0 * kPad, kCaptionBand);
    QString text = content_.caption;
    if (!content_.message.isEmpty())
        text += "  \u2014  " + content_.message;
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void CardView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const auto at = PositionAt(event->position())) {
        SetCursorColumn(at->first);
        emit PositionClicked(at->first, at->second);
    }
}

} // namespace Unit1
