// Opening a picture file that is not a BMP file (PNG, TIFF, JPEG, PNM, GIF, WebP): decoded and
// binarised into the 1-bit picture the reader takes, with console lines that say what the file
// held and what was chosen. BMP files keep their own loader and its header report.
#pragma once

#include "ImageDecode.h"
#include "Picture.h"
#include "Seams.h"

#include <string>

namespace Unit1 {

// How pictures of the other formats are binarised and scaled; set by korvane-cli's options.
struct PictureSettings
{
    Imaging::DecodeOptions Decoding;
    bool AutoPolarity = false; // try the other polarity when the chosen one shows no card
    double Dpi = 0.0;          // the resolution to use instead of the file's; 0: none given
};

// Where the scale of the opened picture came from.
struct PictureScale
{
    double PixelsPerMillimetre = 0.0;
    std::string Source; // "file", "estimated", "option"; empty when unknown
};

// True when the file exists and starts as a picture of one of the other formats, or as a BMP file
// of more than 1 bit per pixel.
bool IsOtherPictureFile(const std::string& fileName);

struct OpenedPicture
{
    bool Ok = false;
    korvane::Picture Picture;
    Imaging::ImageInfo Info;
    PictureScale Scale;
};

// Decodes and binarises the file, writing its console lines (format, size, resolution and its
// source, threshold); a refusal writes the reason as its last line.
OpenedPicture OpenOtherPicture(const std::string& fileName, const PictureSettings& settings,
                               Algemeen::Console& console);

// The scale that the card-shaped outlines of a picture imply (traced without a scale, measured by
// area and principal axes), pixels per millimetre; 0 when nothing in it has a card's shape.
double EstimatePixelsPerMillimetre(const korvane::Picture& picture);

// After a Process found no card in a picture opened by OpenOtherPicture: when the polarity is
// automatic and the other one shows cards, or the scale came from the file and the card outlines
// imply another, the picture or its scale is changed (with a console line saying so) and true
// returned, so that the caller processes it again. false, leaving all as it was, otherwise.
bool RetryOtherPicture(const std::string& fileName, PictureSettings& settings, korvane::Picture& picture,
                       PictureScale& scale, Algemeen::Console& console);

} // namespace Unit1
