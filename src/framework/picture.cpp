#include "framework/picture.h"

#include <algorithm>
#include <cstdlib>

namespace quarlo::fw {

Picture::Picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      memory_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u),
      pixels_(memory_.data()) {}

Picture::Picture(int width, int height, std::uint32_t* pixels, std::shared_ptr<void> native)
    : width_(width), height_(height), pixels_(pixels), native_(std::move(native)) {}

SoftwareSurface::SoftwareSurface(int width, int height)
    : buffer_(std::make_unique<Picture>(width, height)) {}

void SoftwareSurface::Resize(int width, int height) {
  buffer_ = std::make_unique<Picture>(width, height);
}

void SoftwareSurface::Clear(Colour colour) {
  std::fill_n(buffer_->Pixels(), static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()),
              PixelOf(colour));
}

void SoftwareSurface::Plot(int x, int y, std::uint32_t pixel, Rop rop) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  std::uint32_t& target = buffer_->Pixels()[y * Width() + x];
  switch (rop) {
    case Rop::SrcCopy: target = pixel; break;
    case Rop::SrcAnd: target &= pixel; break;
    case Rop::SrcInvert: target ^= pixel; break;
    case Rop::SrcPaint: target |= pixel; break;
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

void SoftwareSurface::StretchBlt(int x, int y, int width, int height, const Picture& source,
                                 int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                 Rop rop) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  for (int row = 0; row < height; ++row) {
    const int sy = sourceY + row * sourceHeight / height;
    if (sy < 0 || sy >= source.Height()) continue;
    for (int col = 0; col < width; ++col) {
      const int sx = sourceX + col * sourceWidth / width;
      if (sx < 0 || sx >= source.Width()) continue;
      Plot(x + col, y + row, source.Pixel(sx, sy), rop);
    }
  }
}

bool SoftwareSurface::GradientFill(const TriVertex* vertices, std::uint32_t vertexCount,
                                   const GradientRect* mesh, std::uint32_t meshCount,
                                   std::uint32_t mode) {
  if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V) return false;
  for (std::uint32_t m = 0; m < meshCount; ++m) {
    if (mesh[m].upperLeft >= vertexCount || mesh[m].lowerRight >= vertexCount) return false;
    // GDI orders the rectangle's corners itself and fills up to, not including, the far edges;
    // the colour runs from the vertex nearer the top (or left) to the other one.
    const TriVertex& a = vertices[mesh[m].upperLeft];
    const TriVertex& b = vertices[mesh[m].lowerRight];
    const bool vertical = mode == GRADIENT_FILL_RECT_V;
    const TriVertex& first = (vertical ? a.y <= b.y : a.x <= b.x) ? a : b;
    const TriVertex& last = &first == &a ? b : a;
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    const int span = vertical ? bottom - top : right - left;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        const int step = vertical ? y - top : x - left;
        auto mix = [&](std::uint16_t from, std::uint16_t to) {
          const long long value = from + (static_cast<long long>(to) - from) * step / std::max(span, 1);
          return static_cast<std::uint32_t>(value >> 8) & 0xFFu;
        };
        const std::uint32_t pixel = (mix(first.red, last.red) << 16) |
                                    (mix(first.green, last.green) << 8) | mix(first.blue, last.blue);
        Plot(x, y, pixel, Rop::SrcCopy);
      }
    }
  }
  return true;
}

void SoftwareSurface::Line(int x1, int y1, int x2, int y2, Colour colour) {
  // Bresenham, leaving out the last point as LineTo does.
  const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int error = dx + dy;
  while (!(x1 == x2 && y1 == y2)) {
    Plot(x1, y1, PixelOf(colour), Rop::SrcCopy);
    const int e2 = 2 * error;
    if (e2 >= dy) { error += dy; x1 += sx; }
    if (e2 <= dx) { error += dx; y1 += sy; }
  }
}

}  // namespace quarlo::fw
