// Any text read as a number: no crash, no undefined behaviour, and the readings agree.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/numeric.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> whole = quarlo::ParseNumber(text);
  const double leading = quarlo::ReadLeadingNumber(text);
  if (whole) {
    // A text that is wholly a number reads the same from its start.
    if (!(leading == *whole || (std::isnan(leading) && std::isnan(*whole)))) std::abort();
    if (const auto count = quarlo::ToInt16(std::floor(*whole))) {
      if (quarlo::ParseNumber(quarlo::SignedDecimal(*count)) != static_cast<double>(*count))
        std::abort();
    }
  }
  quarlo::ToInt32(leading);
  quarlo::RoundHalfEven(leading);
  return 0;
}
