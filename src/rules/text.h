#pragma once
// Character-wise text helpers over UTF-8: the program counts characters, not bytes, when it
// picks the switch character, reads a handle from the fourth character on or tests a file's
// last three characters.

#include <string>
#include <string_view>

namespace quarlo {

// The characters of start (1-based) to the end, or `count` of them; empty past the end.
std::string Mid(std::string_view text, std::size_t start, std::size_t count = std::string::npos);
// The last `count` characters (all of them when the text is shorter).
std::string Right(std::string_view text, std::size_t count);
std::size_t CharacterCount(std::string_view text);
// Upper-cases the ASCII letters; other characters are kept as they are.
std::string UpperAscii(std::string_view text);

}  // namespace quarlo
