// What the fuzz targets share: a private working directory, so that the files an input makes the
// program write (the scan, the log, the code table) never land in the source tree, and a console
// that drops every line.
#pragma once

#include "Seams.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Fuzz {

// Once per process: makes a fresh directory under the system's temporary directory, copies the
// repository's code table into it and makes it the working directory. Returns the directory.
const std::string& EnterWorkplace();

// A console that drops every line, for the runs of a target to write to.
Algemeen::Console& Silent();

// Writes the bytes to the file in the working directory, replacing what was there.
void WriteInput(const char* fileName, const std::uint8_t* data, std::size_t size);

// Stops the fuzzer with a message: a result that the program must never give.
[[noreturn]] void Fault(const std::string& what);

} // namespace Fuzz
