#include "ImageArea.h"

#include "ColourIndex.h"

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

// The picture reduced to `size` by averaging: each picture pixel counts in the one reduced pixel its
// position falls in (a box filter), read straight from the picture's rows, a 1-bit picture through
// its colour table without a full-size copy in colour first.
QImage Reduced(const QImage& picture, QSize size)
{
    const bool mono = picture.format() == QImage::Format_Mono;
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const QImage source = mono || indexed || picture.format() == QImage::Format_RGB32
                              ? picture
                              : picture.convertToFormat(QImage::Format_RGB32);
    const int width = source.width(), height = source.height();
    const int reducedWidth = std::clamp(size.width(), 1, width);
    const int reducedHeight = std::clamp(size.height(), 1, height);
    std::vector<int> bin(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        bin[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * reducedWidth / width);
    std::array<QRgb, 256> table{};
    table.fill(qRgb(0, 0, 0));
    table[1] = qRgb(255, 255, 255);
    for (int k = 0; k < std::min(source.colorCount(), 256); ++k)
        table[static_cast<std::size_t>(k)] = source.color(k);
    QImage out(reducedWidth, reducedHeight, QImage::Format_RGB32);
    std::vector<std::uint32_t> sums(3 * static_cast<std::size_t>(reducedWidth));
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(reducedWidth));
    int y = 0;
    for (int row = 0; row < reducedHeight; ++row) {
        std::fill(sums.begin(), sums.end(), 0u);
        std::fill(counts.begin(), counts.end(), 0u);
        for (; y < height && static_cast<long long>(y) * reducedHeight / height == row; ++y) {
            const uchar* line = source.constScanLine(y);
            for (int x = 0; x < width; ++x) {
                const QRgb c = mono      ? table[(line[x >> 3] >> (7 - (x & 7))) & 1]
                               : indexed ? table[line[x]]
                                         : reinterpret_cast<const QRgb*>(line)[x];
                const auto b = static_cast<std::size_t>(bin[static_cast<std::size_t>(x)]);
                sums[3 * b] += static_cast<std::uint32_t>(qRed(c));
                sums[3 * b + 1] += static_cast<std::uint32_t>(qGreen(c));
                sums[3 * b + 2] += static_cast<std::uint32_t>(qBlue(c));
                ++counts[b];
            }
        }
        auto* target = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (std::size_t b = 0; b < counts.size(); ++b) {
            const std::uint32_t n = std::max(counts[b], 1u);
            target[b] = qRgb(static_cast<int>(sums[3 * b] / n), static_cast<int>(sums[3 * b + 1] / n),
                             static_cast<int>(sums[3 * b + 2] / n));
        }
    }
    return out;
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

// A picture in a colour table keeps it while the table has room for the colour; else it becomes a
// picture of 32-bit colours.
void ImageArea::SetPixel(int x, int y, QRgb colour)
{
    if (!picture_.valid(x, y))
        return;
    if (picture_.format() == QImage::Format_Mono)
        picture_ = picture_.convertToFormat(QImage::Format_Indexed8);
    std::optional<uchar> index;
    if (picture_.format() == QImage::Format_Indexed8 && !(index = ColourIndex(picture_, colour)))
        picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    if (index)
        picture_.scanLine(y)[x] = *index;
    else
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
                reduced_ = Darkened(Reduced(picture_, size()));
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
