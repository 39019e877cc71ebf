// ImageArea: the picture view of the main window. Shows one picture at a zoom factor and reports
// mouse presses in picture pixels.
#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QString>
#include <QWidget>

namespace Unit1 {

// The image area: shows one picture at a zoom factor and reports mouse presses in picture pixels.
// Enlarged, every picture pixel is a sharp square; reduced, the picture is smoothed so that thin
// lines and small holes stay visible, and dots set one pixel at a time (the grid) are drawn as
// small squares on top.
class ImageArea : public QWidget
{
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent = nullptr);
    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }
    void SetPixel(int x, int y, QRgb colour);
    // A changed pixel of the shown picture: repaints it, and keeps it as a dot unless it is white.
    void PixelChanged(int x, int y, QRgb colour);
    // The picture area in picture pixels; the widget is that size times the zoom.
    void SetAreaSize(int width, int height);
    QSize AreaSize() const { return area_; }
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    // Picture pixel under a widget position, and the widget rectangle of picture pixels.
    QPoint ToPicture(QPointF position) const;
    QRect ToWidget(const QRect& picturePixels) const;
    // A box in picture pixels drawn as a frame above the picture; an empty box removes it.
    void SetHighlight(const QRect& box);
    QRect Highlight() const { return highlight_; }
    // Columns to mark above the picture, as polygons in picture pixels: unknown ones framed in
    // red, doubtful ones in amber.
    void SetMarks(QList<QPolygonF> unknown, QList<QPolygonF> doubtful);
    const QList<QPolygonF>& UnknownMarks() const { return unknownMarks_; }
    const QList<QPolygonF>& DoubtfulMarks() const { return doubtfulMarks_; }
    // What an area without a picture says.
    void SetEmptyText(const QString& text);
    QSize sizeHint() const override { return size(); }

    static constexpr double kMinZoom = 1.0 / 32;
    static constexpr double kMaxZoom = 32.0;

signals:
    void Pressed(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ApplySize();
    QImage Enlarged(const QRect& exposed) const;

    QImage picture_;
    QSize area_;
    double zoom_ = 1.0;
    QImage reduced_; // the picture smoothed to the zoom, made when first painted
    bool reducedStale_ = true;
    QHash<QPoint, QRgb> dots_;
    QRect highlight_;
    QList<QPolygonF> unknownMarks_, doubtfulMarks_;
    QString emptyText_;
};

} // namespace Unit1
