#pragma once
// The command text of the process: what follows the program's own path on its command line.

#include <string_view>

namespace quarlo::os {

// Skips the program's path as the C runtime does for WinMain: the path ends at the first blank
// or control character outside double quotes (a quote opens or closes a quoted part wherever it
// stands), and the blanks and control characters after it are skipped too. The rest of the line,
// up to a NUL, is returned unchanged. Works on UTF-8: every character it tests is ASCII.
std::string_view ArgumentText(std::string_view commandLine);

}  // namespace quarlo::os
