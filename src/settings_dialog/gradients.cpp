#include "settings_dialog/gradients.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "rules/numeric.h"

namespace quarlo {
namespace {

// k = H / 3.142, v = |sin(y / k) * 220| per row, 30 added for the blue (window) or for all three
// channels (panel).
constexpr double kHalfTurn = 3.142;
constexpr double kGradientPeak = 220.0;
constexpr int kGradientBase = 30;

// A colour channel from a brightness; the gradients stay within 0..250.
std::uint8_t Channel(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

fw::Colour WindowRow(int v) { return fw::Rgb(Channel(v), Channel(v), Channel(v + kGradientBase)); }

fw::Colour PanelRow(int v) {
  const std::uint8_t grey = Channel(v + kGradientBase);
  return fw::Rgb(grey, grey, grey);
}

void PaintRows(fw::Surface& surface, RowColour colourOf, int top, int height) {
  const int width = surface.Width();
  const double k = height / kHalfTurn;
  int v = 0;
  for (int y = 0; y <= height; ++y) {
    const double brightness = std::fabs(std::sin(y / k) * kGradientPeak);
    if (const std::optional<std::int32_t> rounded = ToInt32(brightness)) v = *rounded;
    surface.Line(0, top + y, width, top + y, colourOf(v));
  }
}

void PaintGradient(fw::Surface* surface, RowColour colourOf) {
  if (surface == nullptr) return;
  PaintRows(*surface, colourOf, 0, surface->Height());
  surface->Present();
}

}  // namespace quarlo
