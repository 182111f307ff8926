#include "rules/numeric.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace quarlo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

template <typename Int>
std::optional<Int> ToIntegral(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::nullopt;
  }
  return static_cast<Int>(rounded);
}

struct Scan {
  double value = 0.0;
  std::size_t length = 0;  // characters consumed; 0 when no number starts here
};

// &H1F or &O17: digits of the base after the prefix. An empty digit run is no number.
Scan ScanRadixLiteral(std::string_view text) {
  if (text.size() < 3 || text[0] != '&') return {};
  const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
  const int base = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
  if (base == 0) return {};
  double value = 0.0;
  std::size_t i = 2;
  for (; i < text.size(); ++i) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    int digit = -1;
    if (IsDigit(c)) digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= base) break;
    value = value * base + digit;
  }
  if (i == 2) return {};
  return {value, i};
}

// Sign, digits, an optional fraction and an optional exponent (e, E, d or D).
Scan ScanDecimal(std::string_view text) {
  std::size_t i = 0;
  std::string literal;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) literal += text[i++];
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    literal += text[i++];
    ++digits;
  }
  if (i < text.size() && text[i] == '.') {
    literal += text[i++];
    while (i < text.size() && IsDigit(text[i])) {
      literal += text[i++];
      ++digits;
    }
  }
  if (digits == 0) return {};
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    const std::size_t first = j;
    while (j < text.size() && IsDigit(text[j])) exponent += text[j++];
    if (j > first) {
      literal += exponent;
      i = j;
    }
  }
  return {std::strtod(literal.c_str(), nullptr), i};
}

Scan ScanNumber(std::string_view text) {
  const Scan radix = ScanRadixLiteral(text);
  return radix.length > 0 ? radix : ScanDecimal(text);
}

}  // namespace

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<std::int16_t> ToInt16(double value) { return ToIntegral<std::int16_t>(value); }
std::optional<std::int32_t> ToInt32(double value) { return ToIntegral<std::int32_t>(value); }
std::optional<std::uint8_t> ToUInt8(double value) { return ToIntegral<std::uint8_t>(value); }

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  const Scan scan = ScanNumber(text);
  if (scan.length != text.size() || !std::isfinite(scan.value)) return std::nullopt;
  return scan.value;
}

double ReadLeadingNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  const Scan scan = ScanNumber(text);
  return scan.length > 0 && std::isfinite(scan.value) ? scan.value : 0.0;
}

std::string SignedDecimal(std::int64_t value) {
  std::string text = std::to_string(value);
  if (value >= 0) text.insert(text.begin(), ' ');
  return text;
}

}  // namespace quarlo
