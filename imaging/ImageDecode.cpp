#include "ImageDecode.h"

#include "Binarise.h"
#include "BmpLoad.h"
#include "FileAccess.h"
#include "FileReaders.h"
#include "LeptSupport.h"
#include "Resolution.h"
#include "Straighten.h"
#include "TiffDirectory.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Imaging {

namespace {

using Lept::PixPtr;

struct Header
{
    int format = IFF_UNKNOWN;
    int width = 0, height = 0, bitsPerSample = 0, samples = 0;
    bool palette = false;
    std::int64_t framePixels = 0; // GIF: the pixels of all its frames, which are all decoded
};

DecodeResult Refused(std::string message)
{
    DecodeResult result;
    result.Message = std::move(message);
    return result;
}

const char* FormatLabel(int format)
{
    switch (format) {
    case IFF_BMP:
        return "BMP";
    case IFF_JFIF_JPEG:
        return "JPEG";
    case IFF_PNG:
        return "PNG";
    case IFF_TIFF_G4:
        return "TIFF (Group 4)";
    case IFF_TIFF_LZW:
        return "TIFF (LZW)";
    case IFF_TIFF:
    case IFF_TIFF_PACKBITS:
    case IFF_TIFF_RLE:
    case IFF_TIFF_G3:
    case IFF_TIFF_ZIP:
    case IFF_TIFF_JPEG:
        return "TIFF";
    case IFF_PNM:
        return "PNM";
    case IFF_GIF:
        return "GIF";
    case IFF_WEBP:
        return "WebP";
    default:
        return nullptr; // not a format we read
    }
}

bool IsTiff(int format)
{
    return format == IFF_TIFF || format == IFF_TIFF_PACKBITS || format == IFF_TIFF_RLE ||
           format == IFF_TIFF_G3 || format == IFF_TIFF_G4 || format == IFF_TIFF_LZW ||
           format == IFF_TIFF_ZIP || format == IFF_TIFF_JPEG;
}

// Leptonica's header reader decodes a whole GIF file, and its decoder every frame of one, so the
// sizes are read here: the logical screen (bytes 6-9) and every image descriptor, found by skipping
// the colour tables, extension blocks and image data (GIF89a specification, sections 15-23).
// false when the bytes end before the first image.
bool GifHeader(const std::uint8_t* data, std::size_t size, Header& header)
{
    auto u16 = [data](std::size_t at) { return data[at] | (data[at + 1] << 8); };
    auto table = [](std::uint8_t flags) { return (flags & 0x80) ? 3u * (2u << (flags & 7)) : 0u; };
    auto skipBlocks = [data, size](std::size_t at) { // sub-blocks up to and including the empty one
        while (at < size && data[at] != 0)
            at += 1u + data[at];
        return at + 1;
    };
    if (size < 13)
        return false;
    header.width = u16(6);
    header.height = u16(8);
    header.bitsPerSample = 8;
    header.samples = 1;
    header.palette = true;
    bool image = false;
    for (std::size_t at = 13 + table(data[10]); at < size && data[at] != 0x3B;) {
        if (data[at] == 0x21) {
            at = skipBlocks(at + 2);
        } else if (data[at] == 0x2C && at + 10 <= size) {
            const int w = u16(at + 5), h = u16(at + 7);
            header.width = std::max(header.width, u16(at + 1) + w);
            header.height = std::max(header.height, u16(at + 3) + h);
            header.framePixels += std::int64_t{w} * h;
            image = true;
            at = skipBlocks(at + 10 + table(data[at + 9]) + 1);
        } else {
            break;
        }
    }
    return image;
}

// Whether the file reaches its end: for PNG the chain of chunks (length, type, data, CRC) runs to
// IEND inside the bytes; for JPEG an end-of-image marker (FF D9) follows the last scan. Checked
// before decoding because a truncated file makes libpng and libjpeg print on standard error,
// which Leptonica cannot route.
bool Complete(int format, const std::uint8_t* data, std::size_t size)
{
    if (format == IFF_PNG) {
        for (std::size_t at = 8; at + 12 <= size;) {
            const std::uint64_t length =
                (std::uint64_t{data[at]} << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
            if (std::memcmp(data + at + 4, "IEND", 4) == 0)
                return true;
            at += 12 + length;
        }
        return false;
    }
    if (format == IFF_JFIF_JPEG) {
        for (std::size_t at = size; at >= 2 && size - at < 4096; --at)
            if (data[at - 2] == 0xFF && data[at - 1] == 0xD9)
                return true;
        return false;
    }
    return true;
}

// Reads the header of the bytes (of the page, for TIFF). An empty message when it could be read.
std::string ReadHeader(const std::uint8_t* data, std::size_t size, int page, Header& header)
{
    if (size < 12 || findFileFormatBuffer(data, &header.format) != 0 || FormatLabel(header.format) == nullptr)
        return "not a picture file Korvane reads (BMP, PNG, TIFF, JPEG, PNM, GIF or WebP)";
    const std::string label = FormatLabel(header.format);
    if (!Complete(header.format, data, size))
        return "the " + label + " file is truncated: it ends before its last part";
    int cmap = 0, ok = 1;
    if (header.format == IFF_GIF) {
        ok = GifHeader(data, size, header) ? 0 : 1;
    } else if (header.format == IFF_JFIF_JPEG) {
        Lept::JpegHeader jpeg;
        std::string error;
        ok = Lept::ReadJpegHeader(data, size, jpeg, error) ? 0 : 1;
        header.width = jpeg.width;
        header.height = jpeg.height;
        header.bitsPerSample = 8;
        header.samples = jpeg.components;
    } else if (IsTiff(header.format)) {
        ok = readHeaderMemTiff(data, size, page, &header.width, &header.height, &header.bitsPerSample,
                               &header.samples, nullptr, &cmap, &header.format);
    } else {
        ok = pixReadHeaderMem(data, size, nullptr, &header.width, &header.height, &header.bitsPerSample,
                              &header.samples, &cmap);
    }
    if (ok != 0) {
        findFileFormatBuffer(data, &header.format); // the TIFF header reader clears it
        return "the " + label + " file is truncated or corrupt: its header cannot be read";
    }
    header.palette = header.palette || cmap != 0;
    return {};
}

std::string CheckSize(const Header& header, std::int64_t maxPixels)
{
    const std::int64_t w = header.width, h = header.height;
    const std::int64_t limit =
        maxPixels > 0 ? std::min<std::int64_t>(maxPixels, BMPunit::kMaxPixels) : BMPunit::kMaxPixels;
    if (w <= 0 || h <= 0)
        return "the header gives the picture no pixels (" + std::to_string(w) + " x " + std::to_string(h) +
               ")";
    if (!(w > 0 && h > 0 && w <= BMPunit::kMaxSide && h <= BMPunit::kMaxSide && w * h <= limit))
        return "the picture is " + std::to_string(w) + " x " + std::to_string(h) +
               " pixels: larger than Korvane reads (at most " + std::to_string(BMPunit::kMaxSide) +
               " pixels a side and " + std::to_string(limit) + " pixels in all)";
    if (header.framePixels <= limit)
        return {};
    return "the GIF file's frames hold " + std::to_string(header.framePixels) +
           " pixels: more than Korvane reads (" + std::to_string(limit) + " at most)";
}

// A 1-bit picture whose palette says 0 is black (Leptonica's 1 = black the other way round).
bool PaletteInverted(PIX* pix1)
{
    PIXCMAP* map = pixGetColormap(pix1);
    if (map == nullptr || pixcmapGetCount(map) < 2)
        return false;
    l_int32 r0, g0, b0, r1, g1, b1;
    pixcmapGetColor(map, 0, &r0, &g0, &b0);
    pixcmapGetColor(map, 1, &r1, &g1, &b1);
    return r0 + g0 + b0 < r1 + g1 + b1;
}

// The decoded picture as 8-bit grey, or as a 1-bit one (1 = black) when it has one bit per pixel.
PixPtr GreyOrBinary(PixPtr pix, Polarity holes)
{
    if (pixGetDepth(pix.get()) == 1) {
        const bool inverted = PaletteInverted(pix.get());
        pixDestroyColormap(pix.get());
        if (inverted)
            pixInvert(pix.get(), pix.get());
        return pix;
    }
    if (pixGetColormap(pix.get()) != nullptr)
        pix.reset(pixRemoveColormap(pix.get(), REMOVE_CMAP_BASED_ON_SRC));
    if (!pix)
        return pix;
    switch (pixGetDepth(pix.get())) {
    case 8:
        return pix;
    case 16:
        return PixPtr(pixConvert16To8(pix.get(), L_MS_BYTE));
    case 32:
        // Transparent parts are taken as what lies around the card: the dark backing, or the
        // light box behind a backlit card.
        if (pixGetSpp(pix.get()) == 4) {
            pix.reset(
                pixAlphaBlendUniform(pix.get(), holes == Polarity::DarkHoles ? 0x00000000u : 0xffffff00u));
            if (!pix)
                return pix;
        }
        return Lept::GreyFromColour(pix.get(), Lept::kGreyFromColour);
    default:
        return PixPtr(pixConvertTo8(pix.get(), 0));
    }
}

// A photographed card seen square on, binarised by its own levels: when the outline in the
// binarised picture (card white) is measurably not a rectangle, or when that picture shows no card
// at all or a card whose sides are not all a card's edges in the grey (a coloured card, uneven or
// dim light: one level for the whole photo fails; only with the default method, never against a
// threshold or method the user chose) but one binarised by local levels does, the grey picture is
// carried onto the card's rectangle and binarised there by the card's own brightness
// (BinariseCard). Null, leaving all as it was, for anything else: a picture whose card is a
// rectangle is a scan, and a page of several cards is never straightened. Sets the info's corners,
// the shapes that are not the card, and the scale of the new picture.
PixPtr Straighten(PIX* grey, PIX* binary, const DecodeOptions& options, ImageInfo& info, double& scale)
{
    bool several = false;
    auto card = Lept::FindCardQuadrilateral(binary, &several, &info.NotCards);
    const bool edges = card && Lept::EdgesHold(grey, card->Quad, options.Holes);
    // A card seen square on whose dim end one level over the whole photo would lose is binarised
    // by its own levels too.
    const bool ownLevels = card && edges && options.Method == Binarisation::Otsu &&
                           !Lept::GlobalLevelHolds(grey, card->Quad, info.Threshold, options.Holes);
    if (card && edges && card->Deviation <= Lept::kPerspectiveThreshold && !ownLevels)
        return nullptr;
    bool byLocalLevels = ownLevels;
    if (!card && !several && options.LightHolesNext && options.Holes == Polarity::DarkHoles) {
        PixPtr other(pixInvert(nullptr, binary));
        if (other && Lept::FindCardQuadrilateral(other.get()))
            return nullptr;
    }
    if ((!card || !edges) && !several && options.Method == Binarisation::Otsu) {
        DecodeOptions local = options;
        local.Method = Binarisation::Sauvola;
        int threshold = 0;
        PixPtr other = Lept::Binarise(grey, local, 0.0, threshold);
        if (other) {
            if (options.Holes == Polarity::LightHoles)
                pixInvert(other.get(), other.get());
            std::vector<NotCard> notCards;
            // The card by local levels replaces one whose edges did not hold; found by neither,
            // a card whose edges did not hold is still the best there is.
            if (auto again = Lept::FindCardQuadrilateral(other.get(), nullptr, &notCards)) {
                card = again;
                info.NotCards = std::move(notCards);
                byLocalLevels = true;
            }
        }
    }
    if (!card || (!byLocalLevels && card->Deviation <= Lept::kPerspectiveThreshold))
        return nullptr;
    const double s = Lept::CardScale(card->Quad);
    const std::uint8_t outside = options.Holes == Polarity::DarkHoles ? 0 : 255;
    PixPtr square = Lept::WarpToCard(grey, card->Quad, s, outside);
    if (square)
        square = Lept::BinariseCard(square.get(), s, options.Holes);
    if (!square)
        return nullptr;
    info.Perspective = card->Quad.Corners;
    scale = s;
    return square;
}

} // namespace

// The grey (or 1-bit) pixels as decoded for one polarity, and the colour when its transparent parts
// make the grey depend on the polarity; what the header said.
struct DecodedPixels
{
    PixPtr pixels;
    PixPtr colour;
    Polarity madeFor = Polarity::DarkHoles;
    ImageInfo info;
    std::string label;
};

namespace {

thread_local const DecodeStop* currentStop = nullptr;

} // namespace

DecodeStop::DecodeStop(std::function<bool()> stop) : stop_(std::move(stop)), outer_(currentStop)
{
    currentStop = this;
}

DecodeStop::~DecodeStop()
{
    currentStop = outer_;
}

bool DecodeStop::Requested()
{
    return currentStop != nullptr && currentStop->stop_ && currentStop->stop_();
}

DecodeResult DecodeImage(const std::uint8_t* data, std::size_t size, const DecodeOptions& options)
{
    Lept::MessageCatcher messages;
    if (options.Page < 0)
        return Refused("there is no page " + std::to_string(options.Page + 1));
    Header header;
    if (std::string why = ReadHeader(data, size, options.Page, header); !why.empty()) {
        if (IsTiff(header.format) && options.Page > 0 && options.Page >= Tiff::CountPages(data, size))
            why = "the TIFF file has no page " + std::to_string(options.Page + 1) + " (it has " +
                  std::to_string(Tiff::CountPages(data, size)) + ")";
        return Refused(why);
    }
    if (std::string why = CheckSize(header, options.MaxPixels); !why.empty())
        return Refused(why);

    const std::string label = FormatLabel(header.format);
    std::string libraryError;
    PixPtr pix = header.format == IFF_PNG         ? Lept::ReadPng(data, size, libraryError)
                 : header.format == IFF_JFIF_JPEG ? Lept::ReadJpeg(data, size, libraryError)
                 : IsTiff(header.format)          ? PixPtr(pixReadMemTiff(data, size, options.Page))
                                                  : PixPtr(pixReadMem(data, size));
    if (!pix || pixGetWidth(pix.get()) != header.width || pixGetHeight(pix.get()) != header.height) {
        const std::string detail = libraryError.empty() ? messages.First() : libraryError;
        return Refused("the " + label + " file is truncated or corrupt" +
                       (detail.empty() ? "" : " (" + detail + ")"));
    }

    auto decoded = std::make_shared<DecodedPixels>();
    ImageInfo& info = decoded->info;
    info.Format = label;
    info.Width = header.width;
    info.Height = header.height;
    info.Depth = header.bitsPerSample;
    info.Samples = header.samples;
    info.Palette = header.palette;
    info.Ppi = pixGetXRes(pix.get());
    info.FileHasResolution = info.Ppi > 0.0;
    info.Pages = IsTiff(header.format) ? std::max(1, Tiff::CountPages(data, size)) : 1;
    info.Page = IsTiff(header.format) ? options.Page : 0;
    decoded->label = label;
    // Only transparent parts make the grey depend on the polarity; only then is the colour kept.
    if (pixGetDepth(pix.get()) == 32 && pixGetSpp(pix.get()) == 4)
        decoded->colour.reset(pixCopy(nullptr, pix.get()));
    decoded->madeFor = options.Holes;
    decoded->pixels = GreyOrBinary(std::move(pix), options.Holes);
    DecodeResult result = BinariseAgain(*decoded, options);
    if (result.Ok)
        result.Pixels = std::move(decoded);
    return result;
}

DecodeResult BinariseAgain(const DecodedPixels& decoded, const DecodeOptions& options)
{
    Lept::MessageCatcher messages;
    PixPtr pix;
    if (decoded.colour && options.Holes != decoded.madeFor)
        pix = GreyOrBinary(PixPtr(pixCopy(nullptr, decoded.colour.get())), options.Holes);
    else if (decoded.pixels && pixGetDepth(decoded.pixels.get()) == 8)
        pix.reset(pixClone(decoded.pixels.get())); // grey is only read
    else if (decoded.pixels)
        pix.reset(pixCopy(nullptr, decoded.pixels.get())); // 1 bit: inverted and flipped in place below
    DecodeResult result;
    ImageInfo& info = result.Info;
    info = decoded.info;
    info.Method = options.Method;
    const bool believed = JudgeResolution(info.Ppi) != ResolutionVerdict::Implausible;
    PixPtr grey;
    if (pix && pixGetDepth(pix.get()) == 8) {
        grey = std::move(pix);
        pix = Lept::Binarise(grey.get(), options, believed ? info.Ppi : 0.0, info.Threshold);
    }
    if (!pix)
        return Refused("the " + decoded.label + " picture could not be converted (" + messages.First() + ")");
    if (options.Holes == Polarity::LightHoles)
        pixInvert(pix.get(), pix.get());
    double straightened = 0.0;
    if (grey)
        if (PixPtr square = Straighten(grey.get(), pix.get(), options, info, straightened))
            pix = std::move(square); // holes dark already, whatever the polarity
    if (options.Face == Side::Front)
        pixFlipLR(pix.get(), pix.get());

    result.Picture = Lept::PictureFromPix(pix.get());
    result.Picture.PixelsPerMillimetre = straightened > 0.0 ? straightened : believed ? info.Ppi / 25.4 : 0.0;
    result.Ok = true;
    return result;
}

DecodeResult DecodeImageFile(const std::string& fileName, const DecodeOptions& options)
{
    // Opened only as a regular file and without waiting (a FIFO or device counts as no file), and
    // checked once open; of a file larger than Korvane reads nothing more than that is read.
    const Algemeen::OpenedFile opened = Algemeen::OpenRegularFile(fileName, Algemeen::OpenMode::Read);
    const std::string tooLarge = "the file is larger than Korvane reads (" +
                                 std::to_string(BMPunit::kMaxFileBytes) + " bytes at most)";
    Algemeen::FileBytes file;
    if (opened.status == Algemeen::FileStatus::Ok && opened.size > BMPunit::kMaxFileBytes)
        return Refused(tooLarge);
    if (opened.status == Algemeen::FileStatus::Ok)
        file = Algemeen::ReadRegularFile(fileName, static_cast<std::size_t>(BMPunit::kMaxFileBytes));
    const Algemeen::FileStatus status =
        opened.status == Algemeen::FileStatus::Ok ? file.status : opened.status;
    if (status == Algemeen::FileStatus::Missing || status == Algemeen::FileStatus::NotRegular)
        return Refused(fileName + ": does Not exist");
    if (status != Algemeen::FileStatus::Ok)
        throw std::runtime_error("cannot read \"" + fileName + "\": " +
                                 (opened.status == Algemeen::FileStatus::Ok ? file.message : opened.message));
    if (!file.complete)
        return Refused(tooLarge);
    return DecodeImage(reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size(), options);
}

bool IsBmp(const std::uint8_t* data, std::size_t size)
{
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

bool IsOtherPicture(const std::uint8_t* data, std::size_t size)
{
    int format = IFF_UNKNOWN;
    if (size < 12 || IsBmp(data, size))
        return false;
    Lept::MessageCatcher messages;
    return findFileFormatBuffer(data, &format) == 0 && format != IFF_BMP && FormatLabel(format) != nullptr;
}

const char* MethodName(Binarisation method)
{
    switch (method) {
    case Binarisation::Fixed:
        return "fixed";
    case Binarisation::Sauvola:
        return "sauvola";
    default:
        return "otsu";
    }
}

} // namespace Imaging
