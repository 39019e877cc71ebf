// What the source files of TForm1 share: constants of the window, colour and cursor conversions,
// and the command runner. Not for use outside shell/qt.
#pragma once

#include "TForm1.h"

#include <QColor>
#include <QString>
#include <Qt>
#include <filesystem>

namespace Unit1 {

// One step of Zoom in and Zoom out (and of one notch of the wheel with Ctrl).
inline constexpr double kZoomStep = 1.25;
// The image area of a window that shows no picture.
inline constexpr int kEmptyWidth = 692;
inline constexpr int kEmptyHeight = 417;

// A colour of the window seam (red in the low byte) as Qt's.
inline QRgb ToQRgb(Algemeen::Colour c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline Qt::CursorShape ToShape(CursorKind cursor)
{
    switch (cursor) {
    case CursorKind::Hourglass:
        return Qt::WaitCursor;
    case CursorKind::HandPoint:
        return Qt::PointingHandCursor;
    case CursorKind::Default:
        break;
    }
    return Qt::ArrowCursor;
}

inline QString FileNameOnly(const std::string& path)
{
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

template <class Command> void TForm1::Run(Command command)
{
    command();
    if (closePending_ && !state_.Busy) {
        closePending_ = false;
        close();
    }
}

} // namespace Unit1
