// Walking the chain of image directories of a TIFF file without decoding it: counting its pages
// and taking the resolution tags out of a file that should not carry one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Imaging::Tiff {

// Most pages counted; a longer chain (or one that loops) is counted as this many.
inline constexpr int kMaxPages = 10000;

// Pages in the chain of directories of a classic or big TIFF file; 0 when the file header is not
// a TIFF header. Stops at the first directory that lies outside the bytes.
int CountPages(const std::uint8_t* data, std::size_t size);

// Removes the XResolution, YResolution and ResolutionUnit entries from every directory of a
// classic TIFF file, in place. false when the bytes are not a classic TIFF file.
bool RemoveResolution(std::vector<std::uint8_t>& bytes);

} // namespace Imaging::Tiff
