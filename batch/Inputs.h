// The pictures of a batch: paths given on the command line (a picture, or a folder whose picture
// files are taken in natural name order) and lists of paths read from a file or standard input.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace Batch {

// Limits on a list of paths, so a wrong file given as a list cannot exhaust memory.
inline constexpr std::size_t kMaxListLineBytes = 4096;
inline constexpr std::size_t kMaxListPictures = 10'000'000;

// Natural name order: runs of digits compare by their value, so "card2" < "card10"; letters
// compare without regard to case. Names equal under those rules fall back to byte order, so the
// order is total and every sort gives the same sequence.
bool NaturalLess(std::string_view a, std::string_view b);

// True when the file name ends in a picture extension (.bmp .png .tif .tiff .jpg .jpeg .pnm .pbm
// .pgm .gif .webp), in any case.
bool HasPictureExtension(std::string_view fileName);

struct InputList
{
    bool ok = true;
    std::string message;            // when !ok: "PATH: what is wrong"
    std::vector<std::string> files; // the pictures in batch order
};

// Reads one path per line (LF or CR LF; empty lines are skipped). A line longer than
// kMaxListLineBytes or more than kMaxListPictures lines is refused with a message naming `listName`
// and the line number. Lines are taken as written: no trimming besides the CR.
InputList ReadPathList(std::istream& in, const std::string& listName);

// Expands each path in turn: a folder gives its picture files (by extension, not recursing) in
// natural order, anything else is taken as it is. Paths keep the spelling they were given in, a
// folder's files are that spelling joined with the file name. A path that does not exist, or a
// folder with no picture in it, is refused with its message. Never throws for bad paths.
InputList ExpandPaths(const std::vector<std::string>& paths);

// The whole input of a run: the paths, then the list file's paths when `filesFrom` is not empty
// ("-" reads `standardInput`). An unreadable list file is refused.
InputList CollectInputs(const std::vector<std::string>& paths, const std::string& filesFrom,
                        std::istream& standardInput);

} // namespace Batch
