#include "DecodeOptions.h"
#include "FileReaders.h"

#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace Imaging::Lept {

static_assert(std::endian::native == std::endian::little, "the word layouts below are little-endian");

namespace {

// More scans than this in a progressive file is not a scanner's picture but a way to make the
// decoder work for minutes on a small file; nor is more work than this many blocks decoded in all
// scans together (a standard progression of the largest colour picture takes about 12 million).
constexpr int kMaxJpegScans = 500;
constexpr long long kMaxJpegScanBlocks = 64LL << 20;

struct ErrorTrap
{
    jpeg_error_mgr manager; // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    std::string* error;
    int scan = 0;             // the last scan counted
    long long scanBlocks = 0; // the blocks of the scans so far
};

void OnError(j_common_ptr info)
{
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    if (trap->error->empty()) {
        char text[JMSG_LENGTH_MAX];
        info->err->format_message(info, text);
        *trap->error = text;
    }
    std::longjmp(trap->jump, 1);
}

// Warnings (corrupt data the decoder steps over) are counted here, as libjpeg's own message
// handler would, and looked at after the decoding; nothing is printed.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings;
}

// Called by libjpeg as it works: a progressive file of more scans than any scanner writes is
// refused before its scans cost minutes, and a caller's stop ends the decode.
void OnProgress(j_common_ptr info)
{
    auto* jpeg = reinterpret_cast<j_decompress_ptr>(info);
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    if (jpeg->input_scan_number != trap->scan) {
        trap->scan = jpeg->input_scan_number;
        for (int i = 0; i < jpeg->comps_in_scan; ++i)
            trap->scanBlocks += static_cast<long long>(jpeg->cur_comp_info[i]->width_in_blocks) *
                                jpeg->cur_comp_info[i]->height_in_blocks;
    }
    if (jpeg->input_scan_number > kMaxJpegScans || trap->scanBlocks > kMaxJpegScanBlocks) {
        *trap->error = jpeg->input_scan_number > kMaxJpegScans
                           ? "more than " + std::to_string(kMaxJpegScans) + " scans"
                           : "more scans than a picture of its size needs";
        std::longjmp(trap->jump, 1);
    }
    if (DecodeStop::Requested()) {
        *trap->error = "stopped";
        std::longjmp(trap->jump, 1);
    }
}

// A decompressor whose errors come back through the trap: the error text into `error`, nothing
// printed. Destroyed with its object (libjpeg accepts a decompressor never created).
struct Session
{
    jpeg_decompress_struct jpeg{};
    ErrorTrap trap{};
    jpeg_progress_mgr progress{};

    explicit Session(std::string& error)
    {
        error.clear();
        trap.error = &error;
        jpeg.err = jpeg_std_error(&trap.manager);
        trap.manager.error_exit = OnError;
        trap.manager.emit_message = OnMessage;
        progress.progress_monitor = OnProgress;
    }
    ~Session() { jpeg_destroy_decompress(&jpeg); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

std::uint8_t Clamp(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Decodes into `pix`, which it creates; false when libjpeg gave up. No C++ object with a destructor
// lives in this frame, which the error handler leaves by a long jump.
bool Decode(jpeg_decompress_struct& jpeg, ErrorTrap& trap, jpeg_progress_mgr& progress,
            const std::uint8_t* data, std::size_t size, PIX*& pix)
{
    if (setjmp(trap.jump))
        return false;
    jpeg_create_decompress(&jpeg);
    jpeg.progress = &progress;
    jpeg_mem_src(&jpeg, data, static_cast<unsigned long>(size));
    jpeg_read_header(&jpeg, TRUE);
    const bool grey = jpeg.num_components == 1;
    const bool cmyk = jpeg.jpeg_color_space == JCS_CMYK || jpeg.jpeg_color_space == JCS_YCCK;
    // Colour straight into Leptonica's words: on a little-endian machine a word R G B x sits in
    // memory as x B G R.
    jpeg.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_XBGR;
    jpeg_start_decompress(&jpeg);
    pix = pixCreateNoInit(static_cast<l_int32>(jpeg.output_width), static_cast<l_int32>(jpeg.output_height),
                          grey ? 8 : 32);
    if (pix == nullptr) {
        *trap.error = "no memory for the picture";
        std::longjmp(trap.jump, 1);
    }
    const std::int32_t wpl = pixGetWpl(pix);
    JSAMPARRAY cmykRow = cmyk ? (*jpeg.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&jpeg), JPOOL_IMAGE,
                                                          jpeg.output_width * 4, 1)
                              : nullptr;
    while (jpeg.output_scanline < jpeg.output_height) {
        const JDIMENSION y = jpeg.output_scanline;
        l_uint32* line = pixGetData(pix) + static_cast<std::ptrdiff_t>(y) * wpl;
        JSAMPROW row = cmyk ? cmykRow[0] : reinterpret_cast<JSAMPROW>(line);
        jpeg_read_scanlines(&jpeg, &row, 1);
        if (cmyk) // Adobe's inverted inks: each colour is its ink times the black ink
            for (JDIMENSION x = 0; x < jpeg.output_width; ++x) {
                const int c = row[4 * x], m = row[4 * x + 1], yy = row[4 * x + 2], k = row[4 * x + 3];
                composeRGBPixel(Clamp(c * k / 255), Clamp(m * k / 255), Clamp(yy * k / 255), line + x);
            }
    }
    if (jpeg.density_unit == 1)
        pixSetResolution(pix, jpeg.X_density, jpeg.Y_density);
    else if (jpeg.density_unit == 2)
        pixSetResolution(pix, static_cast<l_int32>(std::lround(jpeg.X_density * 2.54)),
                         static_cast<l_int32>(std::lround(jpeg.Y_density * 2.54)));
    jpeg_finish_decompress(&jpeg);
    return true;
}

// Reads the header only; false when libjpeg gave up. The same long-jump rule as Decode.
bool Header(jpeg_decompress_struct& jpeg, ErrorTrap& trap, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(trap.jump))
        return false;
    jpeg_create_decompress(&jpeg);
    jpeg_mem_src(&jpeg, data, static_cast<unsigned long>(size));
    jpeg_read_header(&jpeg, TRUE);
    return true;
}

} // namespace

bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header, std::string& error)
{
    Session session(error);
    const bool ok = Header(session.jpeg, session.trap, data, size);
    if (ok)
        header = {static_cast<int>(session.jpeg.image_width), static_cast<int>(session.jpeg.image_height),
                  session.jpeg.num_components};
    return ok;
}

PixPtr ReadJpeg(const std::uint8_t* data, std::size_t size, std::string& error)
{
    Session session(error);
    PIX* raw = nullptr;
    const bool ok = Decode(session.jpeg, session.trap, session.progress, data, size, raw);
    const long warnings = session.trap.manager.num_warnings;
    PixPtr pix(raw);
    if (!ok)
        return nullptr;
    if (warnings > 0) {
        error = "corrupt data (" + std::to_string(warnings) + (warnings == 1 ? " warning)" : " warnings)");
        return nullptr;
    }
    if (pixGetDepth(pix.get()) == 8)
        ToNativeWords(pix.get()); // grey rows arrived as bytes in order
    pixSetPadBits(pix.get(), 0);
    return pix;
}

} // namespace Imaging::Lept
