#include "rules/text.h"

namespace quarlo {
namespace {

// Byte offset of the n-th character (0-based); the text's size when there are fewer.
std::size_t OffsetOf(std::string_view text, std::size_t n) {
  std::size_t offset = 0;
  while (n > 0 && offset < text.size()) {
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
      ++offset;
    }
    --n;
  }
  return offset;
}

}  // namespace

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string Mid(std::string_view text, std::size_t start, std::size_t count) {
  if (start == 0) start = 1;
  const std::size_t begin = OffsetOf(text, start - 1);
  if (count == std::string::npos) return std::string(text.substr(begin));
  const std::string_view rest = text.substr(begin);
  return std::string(rest.substr(0, OffsetOf(rest, count)));
}

std::string Right(std::string_view text, std::size_t count) {
  const std::size_t total = CharacterCount(text);
  return count >= total ? std::string(text) : Mid(text, total - count + 1);
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace quarlo
