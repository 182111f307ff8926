#include "support/software_surface.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace quarlo::testing {

using fw::Colour;
using fw::ColourOf;
using fw::GradientRect;
using fw::kGradientFillRectH;
using fw::kGradientFillRectV;
using fw::Picture;
using fw::PixelOf;
using fw::Rop;
using fw::TriVertex;

SoftwareSurface::SoftwareSurface(int width, int height)
    : buffer_(std::make_unique<Picture>(width, height)) {}

void SoftwareSurface::Resize(int width, int height) {
  buffer_ = std::make_unique<Picture>(width, height);
}

void SoftwareSurface::Clear(Colour colour) {
  std::fill_n(buffer_->Pixels(),
              static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()),
              PixelOf(colour));
}

void SoftwareSurface::Plot(int x, int y, std::uint32_t pixel, Rop rop) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  std::uint32_t& target = buffer_->Pixels()[y * Width() + x];
  switch (rop) {
    case Rop::SrcCopy:
      target = pixel;
      break;
    case Rop::SrcAnd:
      target &= pixel;
      break;
    case Rop::SrcInvert:
      target ^= pixel;
      break;
    case Rop::SrcPaint:
      target |= pixel;
      break;
  }
  target &= 0x00FFFFFFu;
}

void SoftwareSurface::BitBlt(int x, int y, int width, int height, const Picture& source,
                             int sourceX, int sourceY, Rop rop) {
  for (int row = 0; row < height; ++row) {
    const int sy = sourceY + row;
    if (sy < 0 || sy >= source.Height()) continue;
    for (int col = 0; col < width; ++col) {
      const int sx = sourceX + col;
      if (sx < 0 || sx >= source.Width()) continue;
      Plot(x + col, y + row, source.Pixel(sx, sy), rop);
    }
  }
}

namespace {

// Which source pixel each destination pixel takes along one axis, by the midpoint rule GDI
// uses for nearest-pixel stretching: walking the ideal line from (0, 0) to (source, destination),
// a pixel goes to the next one when the midpoint to it lies under the line. When the source is
// longer, several source pixels fall on one destination pixel and one of them is kept: the
// last across a row, the first down a column (whole rows are dropped).
std::vector<int> StretchMap(int destination, int source, bool keepLast) {
  std::vector<int> map(static_cast<std::size_t>(destination), 0);
  if (destination == 1 && source > 1) --source;  // GDI's own rule for a one-pixel target
  if (destination >= source) {
    int error = 3 * source - 2 * destination;
    int s = 0;
    for (int d = 0; d < destination; ++d) {
      map[static_cast<std::size_t>(d)] = s;
      if (error > 0) {
        ++s;
        error += 2 * source - 2 * destination;
      } else {
        error += 2 * source;
      }
    }
  } else {
    int error = 3 * destination - 2 * source;
    int d = 0;
    bool first = true;
    for (int s = 0; s < source && d < destination; ++s) {
      if (keepLast || first) map[static_cast<std::size_t>(d)] = s;
      first = false;
      if (error > 0) {
        ++d;
        first = true;
        error += 2 * destination - 2 * source;
      } else {
        error += 2 * destination;
      }
    }
  }
  return map;
}

}  // namespace

void SoftwareSurface::StretchBlt(int x, int y, int width, int height, const Picture& source,
                                 int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                 Rop rop) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  const std::vector<int> columns = StretchMap(width, sourceWidth, true);
  const std::vector<int> rows = StretchMap(height, sourceHeight, false);
  for (int row = 0; row < height; ++row) {
    const int sy = sourceY + rows[static_cast<std::size_t>(row)];
    if (sy < 0 || sy >= source.Height()) continue;
    for (int col = 0; col < width; ++col) {
      const int sx = sourceX + columns[static_cast<std::size_t>(col)];
      if (sx < 0 || sx >= source.Width()) continue;
      Plot(x + col, y + row, source.Pixel(sx, sy), rop);
    }
  }
}

bool SoftwareSurface::GradientFill(const TriVertex* vertices, std::uint32_t vertexCount,
                                   const GradientRect* mesh, std::uint32_t meshCount,
                                   std::uint32_t mode) {
  if (mode != kGradientFillRectH && mode != kGradientFillRectV) return false;
  for (std::uint32_t m = 0; m < meshCount; ++m) {
    if (mesh[m].upperLeft >= vertexCount || mesh[m].lowerRight >= vertexCount) return false;
    // GDI orders the rectangle's corners itself and fills up to, not including, the far edges;
    // the colour runs from the vertex nearer the top (or left) to the other one.
    const TriVertex& a = vertices[mesh[m].upperLeft];
    const TriVertex& b = vertices[mesh[m].lowerRight];
    const bool vertical = mode == kGradientFillRectV;
    const TriVertex& first = (vertical ? a.y <= b.y : a.x <= b.x) ? a : b;
    const TriVertex& last = &first == &a ? b : a;
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    const int span = vertical ? bottom - top : right - left;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        const int step = vertical ? y - top : x - left;
        auto mix = [&](std::uint16_t from, std::uint16_t to) {
          const long long value =
              from + (static_cast<long long>(to) - from) * step / std::max(span, 1);
          return static_cast<std::uint32_t>(value >> 8) & 0xFFu;
        };
        const std::uint32_t pixel = (mix(first.red, last.red) << 16) |
                                    (mix(first.green, last.green) << 8) |
                                    mix(first.blue, last.blue);
        Plot(x, y, pixel, Rop::SrcCopy);
      }
    }
  }
  return true;
}

void SoftwareSurface::Line(int x1, int y1, int x2, int y2, Colour colour) {
  // Bresenham as GDI draws it: the last point is left out, and a step that lies exactly half-way
  // goes one way or the other by the line's octant (lines heading up, or left and down, take
  // the step later).
  const int dx = x2 - x1, dy = y2 - y1;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const int xStep = dx > 0 ? 1 : -1, yStep = dy > 0 ? 1 : -1;
  bool xMajor;
  bool late;
  if (dy > 0) {
    xMajor = dx > 0 ? dx > dy : -dx > dy;
    late = !(dx > 0) && !xMajor;  // the steep octant going down and left
  } else {
    xMajor = dx < 0 ? -dx > -dy : dx > -dy;
    late = dx < 0 || xMajor;  // every octant going up but the steep one to the right
  }
  const int bias = late ? 1 : 0;
  const int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  int error = 2 * minor - major;
  for (int n = 0; n < major; ++n) {
    Plot(x1, y1, PixelOf(colour), Rop::SrcCopy);
    if (error + bias > 0) {
      if (xMajor)
        y1 += yStep;
      else
        x1 += xStep;
      error += 2 * minor - 2 * major;
    } else {
      error += 2 * minor;
    }
    if (xMajor)
      x1 += xStep;
    else
      y1 += yStep;
  }
}

}  // namespace quarlo::testing
