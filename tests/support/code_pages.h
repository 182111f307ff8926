#pragma once
// The conversions of the recording fake: UTF-8 to and from the ANSI code pages the tests use,
// and the UTF-16 views the wide functions have, each as Windows converts.

#include <cstdint>
#include <string>
#include <string_view>

namespace quarlo::testing {

// UTF-8 to code page 65001, 1252 or 932: a character the code page lacks becomes "?".
std::string AnsiFromUtf8(std::uint32_t codePage, std::string_view utf8);
// Code page 65001, 1252 or 932 to UTF-8: bytes the code page cannot read become U+FFFD (65001)
// or U+30FB (932); every byte of 1252 reads as one character.
std::string Utf8FromAnsi(std::uint32_t codePage, std::string_view ansi);
// UTF-16 bytes (little- or big-endian) to UTF-8; a lone surrogate becomes U+FFFD, an odd last
// byte is dropped.
std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian);
// How many UTF-16 characters the text takes.
std::size_t Utf16Length(std::string_view utf8);
// UTF-8 as a buffer of `units` UTF-16 characters holds it: cut after that many units (a pair cut
// in half leaves U+FFFD, as the wide-to-UTF-8 conversion of the real boundary does).
std::string CutToUtf16Units(std::string_view utf8, std::size_t units);

}  // namespace quarlo::testing
