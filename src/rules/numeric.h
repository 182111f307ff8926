#pragma once
// The numeric rules the whole program shares: 16-bit integers and booleans, round-half-to-even
// conversions, truncating division, the lenient reading of text as a number and the
// sign-position decimal form of the settings file. Every unit uses these; nobody casts ad hoc.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo {

// Booleans that cross units are 16-bit integers: true is -1, false is 0.
using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;
constexpr Bool16 ToBool16(bool value) { return value ? kTrue : kFalse; }
constexpr bool IsTrue(Bool16 value) { return value != kFalse; }

// Nearest integer, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// Round-half-to-even conversions that fail (nullopt) when the result does not fit or the value
// is not finite. A caller that "keeps the previous value" on failure simply ignores nullopt.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);
std::optional<std::uint8_t> ToUInt8(double value);

// Integer division truncating toward zero (-7 div 2 = -3).
constexpr std::int32_t DivTrunc(std::int32_t a, std::int32_t b) { return a / b; }

// The whole text read as a number, leniently: blanks around it, a sign, decimals, an exponent
// (e or d), or a hexadecimal (&H) or octal (&O) literal. nullopt when the text is not a number
// (the empty text included).
std::optional<double> ParseNumber(std::string_view text);

// The longest number at the start of the text after leading blanks; reading stops at the first
// character that cannot continue a number. 0 when there is no number at all.
double ReadLeadingNumber(std::string_view text);

// Decimal text with the sign position kept: one blank before zero and positive numbers, a minus
// before negative ones (50 -> " 50", 0 -> " 0", -3 -> "-3").
std::string SignedDecimal(std::int64_t value);

// Stores a double-precision result into a single-precision field.
constexpr float ToSingle(double value) { return static_cast<float>(value); }

}  // namespace quarlo
