// The window's names for opening pictures, which the reader unit provides.
#pragma once

#include "korvane/PictureFile.h"

namespace Unit1 {

using korvane::EstimatePixelsPerMillimetre;
using korvane::IsOtherPictureFile;
using korvane::OpenedPicture;
using korvane::PictureScale;
using korvane::PictureSettings;

using korvane::OpenOtherPicture;

// The window keeps the picture, its settings and its scale apart; the reader keeps them together.
inline bool RetryOtherPicture(const std::string& fileName, PictureSettings& settings,
                              korvane::Picture& picture, PictureScale& scale, Algemeen::Console& console)
{
    OpenedPicture opened;
    opened.Status = korvane::OpenStatus::Opened;
    opened.Ok = true;
    opened.File = fileName;
    opened.Settings = settings;
    opened.Picture = std::move(picture);
    opened.Scale = scale;
    opened.Info.Format = "other";
    const bool again = korvane::RetryPicture(opened, console);
    settings = opened.Settings;
    picture = std::move(opened.Picture);
    scale = opened.Scale;
    return again;
}

} // namespace Unit1
