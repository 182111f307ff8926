#pragma once
// The saver's pseudo-random numbers: uniform values in [0, 1), seeded once from the time of day.
// The engine takes the generator by reference so that tests can script every number it draws.

#include <cstdint>
#include <random>

namespace quarlo::saver {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Starts a new sequence from the seed (the seconds since midnight in the product).
  virtual void Randomize(double seed) = 0;
  // The next value, uniform in [0, 1).
  virtual double Rnd() = 0;
};

// The product's generator: a Mersenne twister, 53 random bits per value.
class TwisterRandom final : public RandomSource {
 public:
  void Randomize(double seed) override;
  double Rnd() override;

 private:
  std::mt19937 engine_;
};

}  // namespace quarlo::saver
