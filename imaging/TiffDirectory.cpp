// The layout follows the TIFF 6.0 specification (section 2, "Image File Directory") and the
// BigTIFF extension: an 8- or 16-byte file header with the byte order ("II" or "MM"), 42 or 43, and
// the offset of the first directory; each directory is an entry count, entries of 12 (20) bytes
// sorted by tag, and the offset of the next directory (0 at the end).
#include "TiffDirectory.h"

#include <set>

namespace Imaging::Tiff {

namespace {

class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::uint64_t at, std::uint64_t count) const { return at <= size_ && count <= size_ - at; }
    // Unsigned value of `bytes` bytes at `at` in the file's byte order; the caller checked Has.
    std::uint64_t Get(std::uint64_t at, int bytes) const
    {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::uint8_t b = data_[at + static_cast<std::uint64_t>(little_ ? bytes - 1 - i : i)];
            value = (value << 8) | b;
        }
        return value;
    }
    void Put(std::uint8_t* to, std::uint64_t at, int bytes, std::uint64_t value) const
    {
        for (int i = 0; i < bytes; ++i)
            to[at + static_cast<std::uint64_t>(little_ ? i : bytes - 1 - i)] =
                static_cast<std::uint8_t>(value >> (8 * i));
    }
    // Reads the file header: 42 (classic), 43 (big) or 0 when it is none; sets the first offset.
    int Header(std::uint64_t& first)
    {
        if (!Has(0, 8) || data_[0] != data_[1] || (data_[0] != 'I' && data_[0] != 'M'))
            return 0;
        little_ = data_[0] == 'I';
        const auto version = static_cast<int>(Get(2, 2));
        if (version == 42) {
            first = Get(4, 4);
            return 42;
        }
        if (version == 43 && Has(0, 16) && Get(4, 2) == 8) {
            first = Get(8, 8);
            return 43;
        }
        return 0;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool little_ = true;
};

struct Layout
{
    int countBytes, entryBytes, offsetBytes;
};

Layout LayoutOf(int version)
{
    return version == 42 ? Layout{2, 12, 4} : Layout{8, 20, 8};
}

} // namespace

int CountPages(const std::uint8_t* data, std::size_t size)
{
    Reader file(data, size);
    std::uint64_t at = 0;
    const int version = file.Header(at);
    if (version == 0)
        return 0;
    const Layout layout = LayoutOf(version);
    std::set<std::uint64_t> seen;
    int pages = 0;
    while (at != 0 && pages < kMaxPages && seen.insert(at).second && file.Has(at, layout.countBytes)) {
        const std::uint64_t entries = file.Get(at, layout.countBytes);
        const std::uint64_t next = at + static_cast<std::uint64_t>(layout.countBytes) +
                                   entries * static_cast<std::uint64_t>(layout.entryBytes);
        if (entries > size || !file.Has(next, layout.offsetBytes))
            break;
        ++pages;
        at = file.Get(next, layout.offsetBytes);
    }
    return pages;
}

bool RemoveResolution(std::vector<std::uint8_t>& bytes)
{
    Reader file(bytes.data(), bytes.size());
    std::uint64_t at = 0;
    if (file.Header(at) != 42)
        return false;
    std::set<std::uint64_t> seen;
    while (at != 0 && seen.insert(at).second && file.Has(at, 2)) {
        const std::uint64_t entries = file.Get(at, 2);
        if (!file.Has(at + 2, entries * 12 + 4))
            return false;
        std::uint64_t kept = 0;
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::uint64_t from = at + 2 + i * 12;
            const auto tag = file.Get(from, 2);
            if (tag == 282 || tag == 283 || tag == 296) // XResolution, YResolution, ResolutionUnit
                continue;
            for (int b = 0; b < 12; ++b)
                bytes[at + 2 + kept * 12 + static_cast<std::uint64_t>(b)] =
                    bytes[from + static_cast<std::uint64_t>(b)];
            ++kept;
        }
        const std::uint64_t next = file.Get(at + 2 + entries * 12, 4);
        file.Put(bytes.data(), at, 2, kept);
        file.Put(bytes.data(), at + 2 + kept * 12, 4, next);
        at = next;
    }
    return true;
}

} // namespace Imaging::Tiff
