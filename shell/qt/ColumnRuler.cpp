#include "ColumnRuler.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace Unit1 {

namespace {
// The gap a line edit keeps between its contents rectangle and the first character.
constexpr int kLineEditTextGap = 2;
} // namespace

ColumnRuler::ColumnRuler(QLineEdit* line, int columns, QWidget* parent)
    : QWidget(parent), line_(line), columns_(columns)
{
    setObjectName("ColumnRuler");
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
}

double ColumnRuler::ColumnWidth() const
{
    return QFontMetricsF(line_->font()).horizontalAdvance(QLatin1Char('M'));
}

double ColumnRuler::ColumnLeft(int column) const
{
    QStyleOptionFrame option;
    option.initFrom(line_);
    option.rect = line_->rect();
    option.lineWidth =
        line_->hasFrame() ? line_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, line_) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = line_->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, line_)
                               .marginsRemoved(line_->textMargins());
    const int origin = mapFromGlobal(line_->mapToGlobal(QPoint(contents.left() + kLineEditTextGap, 0))).x();
    return origin + (column - 1) * ColumnWidth();
}

QSize ColumnRuler::sizeHint() const
{
    return {columns_ * 10, QFontMetrics(font()).height() + 8};
}

void ColumnRuler::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const double w = ColumnWidth();
    const int textTop = 8;
    for (int c = 1; c <= columns_; ++c) {
        const double centre = ColumnLeft(c) + w / 2;
        const int tick = c % 10 == 0 ? 6 : c % 5 == 0 ? 4 : 2;
        painter.drawLine(QPointF(centre, 0), QPointF(centre, tick));
        if (c == 1 || c % 10 == 0 || c == columns_) {
            const QRectF box(centre - 20, textTop, 40, height() - textTop);
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::number(c));
        }
    }
}

} // namespace Unit1
