#include "Inputs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace Batch {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Compares the digit runs starting at a[i] and b[j] by value and advances past them. Leading zeros
// do not count; equal values compare equal here (the byte-order fallback separates "07" and "7").
int CompareNumberRuns(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j)
{
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && IsDigit(a[i + 1]))
        ++i;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && IsDigit(b[j + 1]))
        ++j;
    std::size_t endA = i, endB = j;
    while (endA < a.size() && IsDigit(a[endA]))
        ++endA;
    while (endB < b.size() && IsDigit(b[endB]))
        ++endB;
    // A longer run without leading zeros is the larger number, so no run is ever converted.
    int order = 0;
    if (endA - i != endB - j)
        order = endA - i < endB - j ? -1 : 1;
    else
        order = a.substr(i, endA - i).compare(b.substr(j, endB - j));
    i = endA;
    j = endB;
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// The natural comparison without the byte-order fallback.
int NaturalCompare(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (int order = CompareNumberRuns(a, i, b, j))
                return order;
            continue;
        }
        char ca = Lower(a[i]), cb = Lower(b[j]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

InputList Refuse(const std::string& path, const std::string& what)
{
    return InputList{false, path + ": " + what, {}};
}

// The picture files directly inside `folder`, in natural order of their names.
InputList FolderPictures(const std::string& folder)
{
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (HasPictureExtension(name) && it->is_regular_file(typeError))
            names.push_back(std::move(name));
    }
    if (ec)
        return Refuse(folder, "cannot list the folder (" + ec.message() + ")");
    if (names.empty())
        return Refuse(folder, "no picture files in this folder");
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    InputList list;
    const bool endsWithSlash = folder.back() == '/';
    for (const std::string& name : names)
        list.files.push_back(endsWithSlash ? folder + name : folder + "/" + name);
    return list;
}

} // namespace

bool NaturalLess(std::string_view a, std::string_view b)
{
    if (int order = NaturalCompare(a, b))
        return order < 0;
    return a < b;
}

bool HasPictureExtension(std::string_view fileName)
{
    static constexpr std::array<std::string_view, 11> kExtensions{
        ".bmp", ".png", ".tif", ".tiff", ".jpg", ".jpeg", ".pnm", ".pbm", ".pgm", ".gif", ".webp"};
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    std::string extension(fileName.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(), Lower);
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

InputList ReadPathList(std::istream& in, const std::string& listName)
{
    InputList list;
    std::string line;
    std::size_t lineNumber = 0;
    char c = 0;
    bool more = true;
    while (more) {
        line.clear();
        while ((more = static_cast<bool>(in.get(c))) && c != '\n') {
            if (line.size() == kMaxListLineBytes)
                return Refuse(listName, "line " + std::to_string(lineNumber + 1) + " is longer than " +
                                            std::to_string(kMaxListLineBytes) + " bytes");
            line += c;
        }
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (list.files.size() == kMaxListPictures)
            return Refuse(listName, "more than " + std::to_string(kMaxListPictures) + " pictures");
        list.files.push_back(line);
    }
    if (in.bad())
        return Refuse(listName, "cannot be read");
    return list;
}

InputList ExpandPaths(const std::vector<std::string>& paths)
{
    InputList all;
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (path.empty() || status.type() == fs::file_type::not_found)
            return Refuse(path, "no such file or folder");
        if (ec)
            return Refuse(path, ec.message());
        if (!fs::is_directory(status)) {
            all.files.push_back(path);
            continue;
        }
        InputList folder = FolderPictures(path);
        if (!folder.ok)
            return folder;
        all.files.insert(all.files.end(), folder.files.begin(), folder.files.end());
    }
    return all;
}

InputList CollectInputs(const std::vector<std::string>& paths, const std::string& filesFrom,
                        std::istream& standardInput)
{
    std::vector<std::string> wanted = paths;
    if (!filesFrom.empty()) {
        InputList listed;
        if (filesFrom == "-") {
            listed = ReadPathList(standardInput, "standard input");
        } else {
            std::ifstream file(filesFrom, std::ios::binary);
            if (!file)
                return Refuse(filesFrom, "cannot open the list of pictures");
            listed = ReadPathList(file, filesFrom);
        }
        if (!listed.ok)
            return listed;
        wanted.insert(wanted.end(), listed.files.begin(), listed.files.end());
    }
    return ExpandPaths(wanted);
}

} // namespace Batch
