// Where the card code table is read from: "ibmkaart.txt" in the current directory when there is
// one, otherwise the copy installed beside the programs (<prefix>/share/korvane/ibmkaart.txt).
#pragma once

#include <string>

namespace Unit1 {

inline constexpr char kLocalCodeTable[] = "ibmkaart.txt";

// The installed table for a program at programPath: <dir>/../share/korvane/ibmkaart.txt.
std::string ShippedCodeTable(const std::string& programPath);

// The table to use: the current directory's when it exists, else the shipped one when that
// exists, else the current directory's name (so the familiar "missing" message follows).
std::string FindCodeTable(const std::string& programPath);

// The path of the running program (empty when it cannot be told).
std::string RunningProgramPath();

} // namespace Unit1
