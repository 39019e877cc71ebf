// Decoding a picture file of any format Leptonica reads into a 1-bit korvane::Picture: the pixel
// limit checked on the header before anything large is allocated, grey made from colour, then a
// global (Otsu), fixed or local (Sauvola) threshold, the polarity and the side applied. The result
// says what was found and chosen so that the caller can report it.
#pragma once

#include "Arrays.h"
#include "DecodeOptions.h"
#include "Picture.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Imaging {

// A large light shape of a photo that was looked at as the card and turned down: its box in the
// file's pixels and why it is not the card.
struct NotCard
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::string Why;
};

// What the file held and what was chosen.
struct ImageInfo
{
    std::string Format; // "PNG", "TIFF (Group 4)", "TIFF (LZW)", "TIFF", "JPEG", "PNM", "GIF", "WebP", "BMP"
    int Width = 0;      // pixels
    int Height = 0;     // pixels
    int Depth = 0;      // bits per sample in the file
    int Samples = 0;    // samples per pixel: 1 grey or palette, 3 colour, 4 colour with alpha
    bool Palette = false;
    double Ppi = 0.0; // the file's resolution in pixels per inch; 0 when it has none
    bool FileHasResolution = false;
    int Threshold = -1; // grey values up to this were taken as dark; -1 for a 1-bit file
    Binarisation Method = Binarisation::Otsu;
    int Pages = 1; // pages in the file (TIFF); 1 for the other formats
    int Page = 0;  // the page decoded
    // A photographed card straightened: its four corners in the file's pixels (clockwise from one
    // end of a long side), carried onto the card's rectangle at the picture's PixelsPerMillimetre.
    std::optional<std::array<Algemeen::RealPoint, 4>> Perspective;
    // Shapes of a grey or colour picture's binarised picture as large as a small card or larger
    // that were not taken for the card (see Lept::FindCardQuadrilateral); empty for a scan of cards
    // on a plain backing.
    std::vector<NotCard> NotCards;
};

// The pixels of a decoded file before they were binarised (grey, or 1 bit), kept so that the
// picture can be binarised again with other options without decoding the file again.
struct DecodedPixels;

// Ok and the picture, or not Ok and a message that says why the file was refused (too large,
// truncated or corrupt, not a picture, no such page). Picture.PixelsPerMillimetre is the file's
// resolution when PlausibleResolution accepts it (Plausible or Suspicious), else 0.
struct DecodeResult
{
    bool Ok = false;
    std::string Message;
    korvane::Picture Picture;
    ImageInfo Info;
    // The decoded pixels, for BinariseAgain; null when the file was refused.
    std::shared_ptr<const DecodedPixels> Pixels;
};

// Decodes the bytes of a picture file. Every refusal comes back as a result; throws only
// std::bad_alloc. BMP files are decoded too, but the program sends 1-bit BMP files to its own
// loader (see IsBmp).
DecodeResult DecodeImage(const std::uint8_t* data, std::size_t size, const DecodeOptions& options = {});

// The picture of an earlier DecodeImage binarised again with other options (another polarity, side
// or method; the page and the pixel limit stay as they were decoded), as DecodeImage would have
// given it for those options, without decoding the file again.
DecodeResult BinariseAgain(const DecodedPixels& pixels, const DecodeOptions& options);

// Reads the file (refused like a corrupt one when larger than the BMP loader's file limit) and
// decodes it. A missing file is a result ("<name>: does Not exist"); a file that exists but cannot
// be read throws std::runtime_error.
DecodeResult DecodeImageFile(const std::string& fileName, const DecodeOptions& options = {});

// True when the bytes start as a BMP file does ("BM").
bool IsBmp(const std::uint8_t* data, std::size_t size);

// True when the bytes start as a file of a format DecodeImage reads other than BMP (PNG, TIFF,
// JPEG, PNM, GIF, WebP); the first 12 bytes are enough to tell.
bool IsOtherPicture(const std::uint8_t* data, std::size_t size);

// The name of a binarisation method as options and console lines spell it: "otsu", "fixed", "sauvola".
const char* MethodName(Binarisation method);

} // namespace Imaging
