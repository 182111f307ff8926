#pragma once
// UTF-8 inside the program, UTF-16 for the wide Win32 functions: the one place that converts.

#include <string>
#include <string_view>

namespace quarlo::os {

std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace quarlo::os
