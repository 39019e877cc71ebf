// Fuzz target: the input bytes as a picture file of any format the imaging unit decodes (PNG, TIFF,
// JPEG, PNM, GIF, WebP, BMP), with the options also taken from the last byte: binarisation, polarity,
// side and TIFF page. Besides what the sanitizers catch, a fault is: an accepted picture whose
// sizes disagree with its header or its bytes, a picture past the pixel limit, or a refusal
// without a message. Pictures are held to a million pixels (a card at 150 dpi has 0.7 million): a
// few hundred bytes of JPEG can promise 30 million, which decode in a third of a second in a normal
// build but take tens of seconds under the fuzzer's instrumentation; the full limit is tested by
// tests/imaging/HostileFileTest.cpp and measured by scripts/limits.sh.
#include "FuzzSupport.h"
#include "Imaging.h"

namespace {

constexpr std::int64_t kMaxPixels = 1'000'000;

Imaging::DecodeOptions OptionsFrom(std::uint8_t byte)
{
    Imaging::DecodeOptions options;
    options.Method = static_cast<Imaging::Binarisation>(byte % 3);
    options.Threshold = byte;
    options.Holes = (byte & 4) ? Imaging::Polarity::LightHoles : Imaging::Polarity::DarkHoles;
    options.Face = (byte & 8) ? Imaging::Side::Front : Imaging::Side::Back;
    options.Page = (byte >> 4) & 3;
    options.MaxPixels = kMaxPixels;
    return options;
}

void CheckAccepted(const Imaging::DecodeResult& result)
{
    const korvane::Picture& p = result.Picture;
    if (p.Width != result.Info.Width || p.Height != result.Info.Height)
        Fuzz::Fault("the picture's sizes disagree with the header's");
    if (p.Width <= 0 || p.Height <= 0 || std::int64_t{p.Width} * p.Height > kMaxPixels)
        Fuzz::Fault("an accepted picture outside the pixel limit");
    const std::int64_t rowBytes = (std::int64_t{p.Width} + 7) / 8;
    const std::int64_t first = static_cast<std::int64_t>(p.FirstRow);
    const std::int64_t last = first + std::int64_t{p.Height - 1} * p.RowStep;
    if (std::min(first, last) < 0 ||
        std::max(first, last) + rowBytes > static_cast<std::int64_t>(p.Bytes.size()))
        Fuzz::Fault("the picture's rows lie outside its bytes");
    // Touch every byte of every row, so that the sanitizers see any that is not there.
    unsigned sum = 0;
    for (std::int32_t y = 0; y < p.Height; ++y)
        for (std::int64_t i = 0; i < rowBytes; ++i)
            sum += p.Row(y)[i];
    if (sum == 0xFFFFFFFFu)
        Fuzz::Fault("unreachable");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::EnterWorkplace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The last byte is both part of the file (decoders ignore what follows a picture) and the options.
    const Imaging::DecodeResult result = Imaging::DecodeImage(data, size, OptionsFrom(data[size - 1]));
    if (result.Ok)
        CheckAccepted(result);
    else if (result.Message.empty())
        Fuzz::Fault("a refusal without a message");
    return 0;
}
