#include "framework/win32/gdi_surface.h"

#include <algorithm>
#include <array>

namespace quarlo::fw {

GdiSurface::GdiSurface(int width, int height, Colour fill) { Resize(width, height, fill); }

HDC GdiSurface::Dc() const { return buffer_ ? gdi::DibDc(*buffer_) : nullptr; }

void GdiSurface::Fill(HDC dc, int x, int y, int width, int height, Colour colour) {
  // The DC brush: recoloured in place, nothing created.
  gdi::Select brush(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, colour);
  PatBlt(dc, x, y, width, height, PATCOPY);
}

namespace {

// A frame loop's pictures: while fewer are blitted than one for every this many pixels of the
// buffer, wiping and showing only what they changed costs less than a whole clear and present;
// beyond, a rectangle's own cost (a fill call, a rectangle more of the clipping region the copy
// to the screen goes through) outweighs what it spares. Measured with bench/saver_bench at
// 1920 x 1080 and 1024 x 768.
constexpr long long kPixelsPerPiece = 27000;
// More pieces than this are never cheaper.
constexpr std::size_t kMostPieces = 1024;

}  // namespace

void GdiSurface::Pieces::Add(const RECT& rect) {
  if (everywhere) return;
  // A sprite is a mask and then its picture on the same place.
  const bool same = !rects.empty() && rects.back().left == rect.left &&
                    rects.back().top == rect.top && rects.back().right == rect.right &&
                    rects.back().bottom == rect.bottom;
  if (same) return;
  area += static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
  if (rects.size() >= kMostPieces) {
    everywhere = true;
    return;
  }
  rects.push_back(rect);
}

bool GdiSurface::Pieces::Pay(long long wholeArea, int perPicture) const {
  return !everywhere &&
         static_cast<long long>(rects.size()) * kPixelsPerPiece < perPicture * wholeArea &&
         area < wholeArea / 2;
}

void GdiSurface::Drew(int x, int y, int width, int height) {
  const RECT area = {std::max(x, 0), std::max(y, 0), std::min(x + width, width_),
                     std::min(y + height, height_)};
  if (area.right <= area.left || area.bottom <= area.top) return;
  drawn_.Add(area);
  changed_.Add(area);
}

void GdiSurface::Resize(int width, int height, Colour fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (buffer_ && width == width_ && height == height_) return;
  PicturePtr next = gdi::MakeDibPicture(width, height);
  if (next) {
    HDC dc = gdi::DibDc(*next);
    Fill(dc, 0, 0, width, height, fill);
    if (HDC old = Dc())
      ::BitBlt(dc, 0, 0, std::min(width, width_), std::min(height, height_), old, 0, 0, SRCCOPY);
  }
  buffer_ = std::move(next);
  width_ = buffer_ ? width : 0;
  height_ = buffer_ ? height : 0;
  Everywhere();
}

void GdiSurface::Clear(Colour colour) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  // One choice for the frame: the pictures of the last one decide, as this one is most likely
  // much the same; the present then follows the clear.
  if (clearedTo_ == colour && drawn_.Pay(Area(), 1)) {
    for (const RECT& area : drawn_.rects) {
      Fill(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, colour);
      changed_.Add(area);
    }
  } else {
    Fill(dc, 0, 0, width_, height_, colour);
    changed_.everywhere = true;
  }
  clearedTo_ = colour;
  drawn_.Reset();
}

void GdiSurface::BitBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                        int sourceY, Rop rop) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  if (HDC from = gdi::DibDc(source)) {
    Drew(x, y, width, height);
    ::BitBlt(dc, x, y, width, height, from, sourceX, sourceY, static_cast<DWORD>(rop));
    return;
  }
  StretchBlt(x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

void GdiSurface::StretchBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                            int sourceY, int sourceWidth, int sourceHeight, Rop rop) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  Everywhere();
  if (HDC from = gdi::DibDc(source)) {
    ::StretchBlt(dc, x, y, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                 static_cast<DWORD>(rop));
    return;
  }
  // A picture in plain memory: its pixels are already a top-down 32-bit DIB.
  if (source.Width() <= 0 || source.Height() <= 0) return;
  const BITMAPINFO info = gdi::TopDownDibInfo(source.Width(), source.Height());
  // StretchDIBits counts a top-down source's rows from the bottom of the image.
  const int sourceBottomY = source.Height() - sourceY - sourceHeight;
  ::StretchDIBits(dc, x, y, width, height, sourceX, sourceBottomY, sourceWidth, sourceHeight,
                  source.Pixels(), &info, DIB_RGB_COLORS, static_cast<DWORD>(rop));
}

void GdiSurface::DrawCutout(int x, int y, const Cutout& cutout) {
  if (!buffer_ || cutout.Empty()) return;
  const Cutout::Box box = cutout.Bounds();
  Drew(x + box.left, y + box.top, box.right - box.left, box.bottom - box.top);
  GdiFlush();  // what GDI may still hold back lands first
  cutout.DrawOn(*buffer_, x, y);
}

bool GdiSurface::GradientFill(const TriVertex* vertices, std::uint32_t vertexCount,
                              const GradientRect* mesh, std::uint32_t meshCount,
                              std::uint32_t mode) {
  HDC dc = Dc();
  if (dc == nullptr || vertices == nullptr || mesh == nullptr) return false;
  Everywhere();
  // The program fills one rectangle at a time; a fixed block keeps the frame free of allocations.
  std::array<TRIVERTEX, 8> points;
  std::array<GRADIENT_RECT, 4> rects;
  if (vertexCount > points.size() || meshCount > rects.size()) return false;
  for (std::uint32_t i = 0; i < vertexCount; ++i) {
    points[i] = {vertices[i].x,     vertices[i].y,    vertices[i].red,
                 vertices[i].green, vertices[i].blue, vertices[i].alpha};
  }
  for (std::uint32_t i = 0; i < meshCount; ++i) rects[i] = {mesh[i].upperLeft, mesh[i].lowerRight};
  return ::GradientFill(dc, points.data(), vertexCount, rects.data(), meshCount, mode) != FALSE;
}

void GdiSurface::Line(int x1, int y1, int x2, int y2, Colour colour) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  Everywhere();
  gdi::Select pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, colour);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

void GdiSurface::Present() {
  if (!presenter_) return;  // nothing shown: the changes are still to be shown
  // A clear that wiped only pieces shows its own and the new pictures': about two for each.
  presenter_(changed_.Pay(Area(), 2) ? &changed_.rects : nullptr);
  changed_.Reset();
}

}  // namespace quarlo::fw
