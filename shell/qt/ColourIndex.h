// Pictures in a colour table (8 bits a pixel): what the window shows of a large scan with its
// overlay takes a quarter of the memory of the same picture in 32-bit colours.
#pragma once

#include <QImage>
#include <optional>

namespace Unit1 {

// The index of the colour in the picture's colour table, added when it is not there; none when the
// table is full (256 colours).
inline std::optional<uchar> ColourIndex(QImage& picture, QRgb colour)
{
    const int count = picture.colorCount();
    for (int k = 0; k < count; ++k)
        if (picture.color(k) == colour)
            return static_cast<uchar>(k);
    if (count >= 256)
        return std::nullopt;
    picture.setColorCount(count + 1);
    picture.setColor(count, colour);
    return static_cast<uchar>(count);
}

} // namespace Unit1
