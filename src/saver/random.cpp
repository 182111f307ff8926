#include "saver/random.h"

#include <cstring>

namespace quarlo::saver {

void TwisterRandom::Randomize(double seed) {
  // Every bit of the seed counts, the fraction of a second included.
  std::uint64_t bits = 0;
  static_assert(sizeof bits == sizeof seed);
  std::memcpy(&bits, &seed, sizeof bits);
  std::seed_seq sequence{static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(bits >> 32)};
  engine_.seed(sequence);
}

double TwisterRandom::Rnd() {
  // 27 + 26 bits make a 53-bit fraction: exactly representable and always below 1.
  const double high = static_cast<double>(engine_() >> 5);
  const double low = static_cast<double>(engine_() >> 6);
  return (high * 67108864.0 + low) / 9007199254740992.0;
}

}  // namespace quarlo::saver
