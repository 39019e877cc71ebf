// How a picture file is to be decoded: the threshold method, which way round the holes are, which
// side of the card the picture shows, the page and a pixel limit. Shared by the decoder and the
// thresholds.
#pragma once

#include <cstdint>
#include <functional>

namespace Imaging {

enum class Binarisation
{
    Otsu,   // one global threshold from the grey histogram
    Fixed,  // the threshold given in DecodeOptions::Threshold
    Sauvola // a threshold per pixel from the mean and spread around it, for strongly uneven light
};

enum class Polarity
{
    DarkHoles, // a light card with dark holes on a dark background (the back on a black backing)
    LightHoles // a dark card with light holes (a backlit picture): the picture is inverted
};

enum class Side
{
    Back,  // the view the reader expects
    Front, // the front of the card: mirrored left to right
    Auto   // either: decoded as the back; a card whose cut corner shows it face up is read from a
           // mirrored copy as a front
};

struct DecodeOptions
{
    Binarisation Method = Binarisation::Otsu;
    int Threshold = 128; // for Fixed: grey values up to and including it are dark (0 .. 255)
    Polarity Holes = Polarity::DarkHoles;
    Side Face = Side::Back;
    int Page = 0; // page of a multi-page TIFF, 0 = the first
    // The caller binarises the picture again with light holes when it shows no card with dark
    // ones: a photo whose card shows by one level the other way round is left to that, not looked
    // at again by local levels.
    bool LightHolesNext = false;
    // A lower limit on the pixels of a picture than Korvane's own, for callers that must stay
    // quick (the fuzzer); 0 or more than Korvane's limit: Korvane's limit.
    std::int64_t MaxPixels = 0;
};

// Lets a caller stop a long decode on the calling thread: while an object of this class lives,
// the PNG and JPEG decoders ask `stop` now and then and give up with "stopped" when it says so.
class DecodeStop
{
public:
    explicit DecodeStop(std::function<bool()> stop);
    ~DecodeStop();
    DecodeStop(const DecodeStop&) = delete;
    DecodeStop& operator=(const DecodeStop&) = delete;

    // True when the current thread's decode is to stop.
    static bool Requested();

private:
    std::function<bool()> stop_;
    const DecodeStop* outer_;
};

} // namespace Imaging
