#include "ImageArea.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Unit1 {

namespace {

const QRgb kWhitePixel = qRgb(255, 255, 255);

// A picture reduced by averaging turns a hole or a drawn line a few pixels wide into a pale grey
// that the white card around it swallows. Darkening every channel by its fourth power brings back
// what is partly dark (a block one third black goes from 170 to 50) while a block with a stray
// dark pixel in fifty stays nearly white.
QImage Darkened(QImage reduced)
{
    reduced = reduced.convertToFormat(QImage::Format_RGB32);
    std::array<int, 256> curve{};
    for (int v = 0; v < 256; ++v)
        curve[static_cast<std::size_t>(v)] = static_cast<int>(std::lround(255.0 * std::pow(v / 255.0, 4.0)));
    for (int y = 0; y < reduced.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(reduced.scanLine(y));
        for (int x = 0; x < reduced.width(); ++x) {
            const QRgb c = line[x];
            line[x] =
                qRgb(curve[static_cast<std::size_t>(qRed(c))], curve[static_cast<std::size_t>(qGreen(c))],
                     curve[static_cast<std::size_t>(qBlue(c))]);
        }
    }
    return reduced;
}

} // namespace

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {}

void ImageArea::SetPicture(QImage picture)
{
    picture_ = std::move(picture);
    dots_.clear();
    reducedStale_ = true;
    update();
}

void ImageArea::SetPixel(int x, int y, QRgb colour)
{
    if (!picture_.valid(x, y))
        return;
    if (picture_.format() != QImage::Format_RGB32)
        picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    picture_.setPixel(x, y, colour);
    PixelChanged(x, y, colour);
}

void ImageArea::PixelChanged(int x, int y, QRgb colour)
{
    if ((colour & RGB_MASK) == (kWhitePixel & RGB_MASK))
        dots_.remove(QPoint(x, y));
    else
        dots_.insert(QPoint(x, y), colour);
    reducedStale_ = true;
    update(ToWidget(QRect(x, y, 1, 1)).adjusted(-2, -2, 2, 2));
}

void ImageArea::SetAreaSize(int width, int height)
{
    area_ = QSize(std::max(width, 0), std::max(height, 0));
    ApplySize();
}

void ImageArea::SetZoom(double zoom)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    reducedStale_ = true;
    ApplySize();
    update();
}

void ImageArea::ApplySize()
{
    resize(static_cast<int>(std::ceil(area_.width() * zoom_)),
           static_cast<int>(std::ceil(area_.height() * zoom_)));
    updateGeometry();
}

// A widget pixel belongs to the picture pixel under its centre; this is also how the painter
// samples the picture when it draws it enlarged.
QPoint ImageArea::ToPicture(QPointF position) const
{
    return {static_cast<int>(std::floor((std::floor(position.x()) + 0.5) / zoom_)),
            static_cast<int>(std::floor((std::floor(position.y()) + 0.5) / zoom_))};
}

// The widget pixels whose centres lie on the picture pixels (at least one pixel).
QRect ImageArea::ToWidget(const QRect& r) const
{
    const auto edge = [this](int v) { return static_cast<int>(std::ceil(v * zoom_ - 0.5)); };
    const int left = edge(r.x()), top = edge(r.y());
    return {left, top, std::max(edge(r.x() + r.width()) - left, 1),
            std::max(edge(r.y() + r.height()) - top, 1)};
}

void ImageArea::SetHighlight(const QRect& box)
{
    const int pad = 6;
    if (!highlight_.isEmpty())
        update(ToWidget(highlight_).adjusted(-pad, -pad, pad, pad));
    highlight_ = box;
    if (!highlight_.isEmpty())
        update(ToWidget(highlight_).adjusted(-pad, -pad, pad, pad));
}

// The widget rectangle of the enlarged picture, each widget pixel taking the picture pixel that
// ToPicture names for it, so that what is seen under the mouse is what a click picks.
QImage ImageArea::Enlarged(const QRect& exposed) const
{
    QImage out(exposed.size(), QImage::Format_RGB32);
    out.fill(palette().color(QPalette::Window));
    std::vector<int> column(static_cast<std::size_t>(exposed.width()));
    for (int i = 0; i < exposed.width(); ++i)
        column[static_cast<std::size_t>(i)] = ToPicture(QPointF(exposed.x() + i, 0)).x();
    for (int j = 0; j < exposed.height(); ++j) {
        const int y = ToPicture(QPointF(0, exposed.y() + j)).y();
        if (y < 0 || y >= picture_.height())
            continue;
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(j));
        for (int i = 0; i < exposed.width(); ++i) {
            const int x = column[static_cast<std::size_t>(i)];
            if (x >= 0 && x < picture_.width())
                row[i] = picture_.pixel(x, y);
        }
    }
    return out;
}

void ImageArea::SetMarks(QList<QPolygonF> unknown, QList<QPolygonF> doubtful)
{
    unknownMarks_ = std::move(unknown);
    doubtfulMarks_ = std::move(doubtful);
    update();
}

void ImageArea::SetEmptyText(const QString& text)
{
    emptyText_ = text;
    update();
}

void ImageArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (picture_.isNull() && !emptyText_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        painter.setFont(font);
        painter.drawText(rect().adjusted(30, 30, -30, -30), Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
    }
    if (!picture_.isNull()) {
        if (zoom_ == 1.0) {
            painter.drawImage(event->rect().topLeft(), picture_, event->rect());
        } else if (zoom_ > 1.0) {
            // Each picture pixel under the exposed rectangle as a sharp square.
            painter.drawImage(event->rect().topLeft(), Enlarged(event->rect()));
        } else {
            if (reducedStale_) {
                reduced_ = Darkened(picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                reducedStale_ = false;
            }
            painter.drawImage(event->rect().topLeft(), reduced_, event->rect());
            // Single-pixel dots would fade away: draw them as small squares, no larger than their
            // spacing on a card allows.
            const double side = std::clamp(zoom_ * 4, 1.0, 3.0);
            for (auto dot = dots_.cbegin(); dot != dots_.cend(); ++dot) {
                const QPointF centre((dot.key().x() + 0.5) * zoom_, (dot.key().y() + 0.5) * zoom_);
                painter.fillRect(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side),
                                 QColor(dot.value()));
            }
        }
    }
    if (!highlight_.isEmpty()) {
        const QRect frame = ToWidget(highlight_).adjusted(-3, -3, 3, 3);
        painter.setPen(QPen(QColor(255, 140, 0), 4));
        painter.setBrush(Qt::NoBrush); // the card itself stays as it is under its frame
        painter.drawRect(frame);
    }
    const auto frame = [&](const QList<QPolygonF>& marks, QColor colour) {
        painter.setPen(QPen(colour, 3));
        painter.setBrush(QColor(colour.red(), colour.green(), colour.blue(), 60));
        for (const QPolygonF& mark : marks) {
            QPolygonF shown;
            for (const QPointF& p : mark)
                shown << p * zoom_;
            painter.drawPolygon(shown);
        }
    };
    painter.setRenderHint(QPainter::Antialiasing);
    frame(doubtfulMarks_, QColor(255, 170, 0));
    frame(unknownMarks_, QColor(230, 0, 0));
}

void ImageArea::mousePressEvent(QMouseEvent* event)
{
    emit Pressed(event->button(), ToPicture(event->position()));
}

} // namespace Unit1
