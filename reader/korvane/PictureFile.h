// Opening a picture file for the reader: a 1-bit BMP file through the BMP loader and its header
// report, any other picture (PNG, TIFF, JPEG, PNM, GIF, WebP, a grey or colour BMP) decoded and
// binarised into the 1-bit picture the reader takes, with console lines that say what the file
// held and what was chosen. A refusal is a value with the reason in the decoder's own words.
#pragma once

#include "ImageDecode.h"
#include "Picture.h"
#include "Seams.h"

#include <memory>
#include <string>

namespace korvane {

// How pictures that are not 1-bit BMP files are binarised and scaled.
struct PictureSettings
{
    Imaging::DecodeOptions Decoding;
    bool AutoPolarity = false; // try the other polarity when the chosen one shows no card
    double Dpi = 0.0;          // the resolution to use instead of the file's; 0: none given
};

// Where the scale of an opened picture came from.
struct PictureScale
{
    double PixelsPerMillimetre = 0.0;
    std::string Source; // "file", "estimated", "option", "card" (a straightened photo); empty when unknown
};

enum class OpenStatus
{
    Opened,
    Missing,     // no such file, or not one that can be opened (the BMP loader's refusal)
    NotAPicture, // a file that is not a picture Korvane takes, or a broken one
};

struct OpenedPicture
{
    OpenStatus Status = OpenStatus::Missing;
    bool Ok = false; // Status is Opened
    // Why the picture was refused, in the decoder's words for the other formats; empty for a BMP
    // file (its loader has written its own lines).
    std::string Reason;
    korvane::Picture Picture;
    Imaging::ImageInfo Info; // Info.Format is empty for a 1-bit BMP file
    PictureScale Scale;
    // The settings this picture was opened with; a retry in the other polarity changes them.
    PictureSettings Settings;
    std::string File;
    // The decoded pixels of a file of another format, kept while a retry in the other polarity can
    // binarise them again (automatic polarity, dark holes tried first); null otherwise.
    std::shared_ptr<const Imaging::DecodedPixels> Decoded;
    // The file is not a 1-bit BMP file: it was decoded and binarised, and may be retried.
    bool Other() const { return !Info.Format.empty(); }
};

// True when the file exists and starts as a picture of one of the other formats, or as a BMP file
// of more than 1 bit per pixel.
bool IsOtherPictureFile(const std::string& fileName);

// Opens the file: a 1-bit BMP file through the loader (which writes its header report), any other
// picture decoded and binarised by the settings, writing its console lines (format, size,
// resolution and its source, threshold, and a line "Not a card: shape at (x, y), w x h px (why)"
// for each large shape of a photo not taken for the card). A refused picture of another format writes the
// reason as its last line, after the file's name.
OpenedPicture OpenPicture(const std::string& fileName, const PictureSettings& settings,
                          Algemeen::Console& console);

// Decodes and binarises a file of one of the other formats (the part of OpenPicture after the
// BMP test).
OpenedPicture OpenOtherPicture(const std::string& fileName, const PictureSettings& settings,
                               Algemeen::Console& console);

// The picture mirrored left to right (a front seen as its back).
korvane::Picture MirroredPicture(const korvane::Picture& picture);

// Dark strokes narrower than these (mm; pixels at the least) are print or handwriting, not holes
// (1.4 mm across) nor the background around a card.
inline constexpr double kPrintStrokeMm = 0.6;
inline constexpr int kLeastPrintOpening = 3;

// The picture of a card's front with every dark stroke narrower than kPrintStrokeMm taken away (an
// opening of the dark): printed digits, ruled lines, labels and pen strokes go, also where they run
// into a hole or over the card's edge; holes, blots and the background stay. The picture as it is
// when its scale is not known.
korvane::Picture WithoutPrint(const korvane::Picture& picture, double pixelsPerMillimetre);

// The scale that the card-shaped outlines of a picture imply (traced without a scale, measured by
// area and principal axes), pixels per millimetre; 0 when nothing in it has a card's shape.
double EstimatePixelsPerMillimetre(const korvane::Picture& picture);

// After a Process found no card in a picture: when the polarity is automatic and dark holes were
// tried, the picture is made again with light holes (binarised again from the pixels decoded by
// OpenPicture, which are let go then) (for a 1-bit BMP file, its negative), whichever
// side was asked for; for a picture of another format, when the scale came from the file and the
// card outlines imply another, the scale is changed. Either comes with a console line saying so and
// returns true, so that the caller processes the picture again. false, leaving all as it was,
// otherwise.
bool RetryPicture(OpenedPicture& picture, Algemeen::Console& console);

} // namespace korvane
