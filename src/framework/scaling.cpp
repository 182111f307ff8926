#include "framework/scaling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

#include "framework/form.h"
#include "rules/numeric.h"

namespace quarlo::fw {
namespace {

// The scales Windows offers, and the largest the generator draws.
constexpr std::array<int, 8> kScales = {100, 125, 150, 175, 200, 225, 250, 300};

// One target pixel along an axis: the first source pixel it covers and how much of each, in
// parts of 65536 that add up to 65536 exactly. Whole numbers keep the resampling fast on every
// processor the program runs on, with or without vector units.
struct Taps {
  int first = 0;
  std::vector<std::uint32_t> weights;
};

constexpr std::uint32_t kWhole = 65536;

std::vector<Taps> AreaTaps(int source, int target) {
  std::vector<Taps> taps(static_cast<std::size_t>(target));
  const double step = static_cast<double>(source) / target;
  for (int t = 0; t < target; ++t) {
    const double from = t * step;
    const double to = std::min((t + 1) * step, static_cast<double>(source));
    Taps& tap = taps[static_cast<std::size_t>(t)];
    tap.first = std::min(static_cast<int>(from), source - 1);
    std::uint32_t given = 0;
    for (int s = tap.first; s < source && s < to; ++s) {
      const double covered = std::min<double>(s + 1, to) - std::max<double>(s, from);
      const auto weight = static_cast<std::uint32_t>(std::lround(covered / (to - from) * kWhole));
      tap.weights.push_back(std::min(weight, kWhole - given));
      given += tap.weights.back();
    }
    tap.weights.back() += kWhole - given;  // what rounding left over
  }
  return taps;
}

// Resamples the rectangle (sx, sy, sw, sh) of `source` into (tx, ty, tw, th) of `target`, each
// target pixel the average of the source area it covers (the area rule).
void ResampleArea(const Picture& source, int sx, int sy, int sw, int sh, Picture& target, int tx,
                  int ty, int tw, int th) {
  if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
  const std::vector<Taps> across = AreaTaps(sw, tw);
  const std::vector<Taps> down = AreaTaps(sh, th);
  // Across first, into rows of three channels of 8.8 bits.
  std::vector<std::uint16_t> rows(static_cast<std::size_t>(sh) * tw * 3);
  for (int y = 0; y < sh; ++y) {
    const std::uint32_t* line = source.Pixels() + static_cast<std::size_t>(sy + y) * source.Width();
    std::uint16_t* out = rows.data() + static_cast<std::size_t>(y) * tw * 3;
    for (int x = 0; x < tw; ++x) {
      const Taps& tap = across[static_cast<std::size_t>(x)];
      const std::uint32_t* in = line + sx + tap.first;
      std::uint32_t r = 0, g = 0, b = 0;
      for (std::size_t i = 0; i < tap.weights.size(); ++i) {
        r += tap.weights[i] * ((in[i] >> 16) & 0xFF);
        g += tap.weights[i] * ((in[i] >> 8) & 0xFF);
        b += tap.weights[i] * (in[i] & 0xFF);
      }
      out[3 * x] = static_cast<std::uint16_t>((r + 128) >> 8);
      out[3 * x + 1] = static_cast<std::uint16_t>((g + 128) >> 8);
      out[3 * x + 2] = static_cast<std::uint16_t>((b + 128) >> 8);
    }
  }
  constexpr std::uint32_t kHalf = 1u << 23;
  for (int y = 0; y < th; ++y) {
    const Taps& tap = down[static_cast<std::size_t>(y)];
    std::uint32_t* line = target.Pixels() + static_cast<std::size_t>(ty + y) * target.Width();
    const std::uint16_t* first = rows.data() + static_cast<std::size_t>(tap.first) * tw * 3;
    for (int x = 0; x < tw; ++x) {
      std::uint32_t r = kHalf, g = kHalf, b = kHalf;
      for (std::size_t i = 0; i < tap.weights.size(); ++i) {
        const std::uint16_t* in = first + i * static_cast<std::size_t>(tw) * 3 + 3 * x;
        r += tap.weights[i] * in[0];
        g += tap.weights[i] * in[1];
        b += tap.weights[i] * in[2];
      }
      line[tx + x] = (r >> 24) << 16 | (g >> 24) << 8 | (b >> 24);
    }
  }
}

}  // namespace

int ScalePercent(int dpi) { return dpi > 0 ? ToInt32(dpi * 100.0 / 96).value_or(100) : 100; }

int ScreenScalePercent(Backend& backend) {
  const double twipsPerPixel = backend.TwipsPerPixelY();
  return twipsPerPixel > 0 ? ScalePercent(ToInt32(1440.0 / twipsPerPixel).value_or(0)) : 100;
}

int ScaledPixels(double designPixels, int percent) {
  return ToInt32(designPixels * percent / 100.0).value_or(0);
}

PicturePtr LoadPictureAt(Backend& backend, int id, int percent, Grid grid) {
  if (percent == 100) return backend.LoadPicture(id);
  if (PicturePtr drawn = backend.LoadPicture(ScaledResourceId(id, percent))) return drawn;
  // The next larger scale the program holds, else the largest below.
  std::vector<int> order;
  std::copy_if(kScales.begin(), kScales.end(), std::back_inserter(order),
               [percent](int scale) { return scale > percent; });
  std::copy_if(kScales.rbegin(), kScales.rend(), std::back_inserter(order),
               [percent](int scale) { return scale < percent; });
  PicturePtr source;
  int sourcePercent = 0;
  for (const int candidate : order) {
    if ((source = backend.LoadPicture(ScaledResourceId(id, candidate)))) {
      sourcePercent = candidate;
      break;
    }
  }
  if (!source || grid.columns <= 0 || grid.rows <= 0) return nullptr;
  const int cellWidth = source->Width() / grid.columns;
  const int cellHeight = source->Height() / grid.rows;
  // The design size of a cell, and the same at the asked scale.
  const double designWidth = cellWidth * 100.0 / sourcePercent;
  const double designHeight = cellHeight * 100.0 / sourcePercent;
  const int width = ScaledPixels(designWidth, percent);
  const int height = ScaledPixels(designHeight, percent);
  PicturePtr picture = backend.NewPicture(width * grid.columns, height * grid.rows);
  if (!picture) return nullptr;
  for (int row = 0; row < grid.rows; ++row) {
    for (int column = 0; column < grid.columns; ++column) {
      ResampleArea(*source, column * cellWidth, row * cellHeight, cellWidth, cellHeight, *picture,
                   column * width, row * height, width, height);
    }
  }
  return picture;
}

void SharpenMask(Picture& mask) {
  std::uint32_t* pixel = mask.Pixels();
  for (std::size_t i = 0, n = static_cast<std::size_t>(mask.Width()) * mask.Height(); i < n; ++i) {
    const std::uint32_t sum =
        ((pixel[i] >> 16) & 0xFF) + ((pixel[i] >> 8) & 0xFF) + (pixel[i] & 0xFF);
    pixel[i] = sum < 3 * 128 ? 0u : 0x00FFFFFFu;
  }
}

}  // namespace quarlo::fw
