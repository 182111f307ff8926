#include "framework/win32/gdi_surface.h"

#include <algorithm>
#include <array>

namespace quarlo::fw {
namespace {

// A band of a whole present, and the most of the surface a piece buffer holds: a megabyte, which
// stays in the cache between composing it and copying it to the screen.
constexpr long long kBandPixels = 256 * 1024;
// What a piece costs beside its pixels (a call to the window, and its setting up), in pixels: the
// pieces are shown while they and their pixels cost less than the box around them in bands.
// Measured with bench/saver_bench at 1024 x 768, 1920 x 1080 and 3840 x 2160, with 50 and 300
// sprites.
constexpr long long kPixelsPerPiece = 10000;
// A frame draws its pictures in the order of the last one: a picture of the last frame is found
// among the next few of this one when some came or went.
constexpr std::size_t kLookAhead = 4;

long long AreaOf(const RECT& r) {
  return static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
}

RECT Union(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

GdiSurface::GdiSurface(int width, int height, Colour fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), colour_(fill) {}

HDC GdiSurface::Dc() {
  Keep();
  gdiDrawing_ = true;  // whoever takes the DC may draw with it
  return buffer_ ? gdi::DibDc(*buffer_) : nullptr;
}

void GdiSurface::DrewDirectly() {
  drewWithGdi_ = true;
  onScreen_ = false;
}

const Picture* GdiSurface::Buffer() {
  Keep();
  LetGdiFinish();
  return buffer_.get();
}

void GdiSurface::LetGdiFinish() {
  if (gdiDrawing_) GdiFlush();
  gdiDrawing_ = false;
}

void GdiSurface::Fill(HDC dc, int x, int y, int width, int height, Colour colour) {
  // The DC brush: recoloured in place, nothing created.
  gdi::Select brush(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, colour);
  PatBlt(dc, x, y, width, height, PATCOPY);
}

void GdiSurface::Keep() {
  if (!listed_) return;
  listed_ = false;
  onScreen_ = false;
  if (!buffer_ || buffer_->Width() != width_ || buffer_->Height() != height_) {
    buffer_ = gdi::MakeDibPicture(width_, height_);
  }
  HDC dc = buffer_ ? gdi::DibDc(*buffer_) : nullptr;
  if (dc == nullptr) {
    width_ = height_ = 0;
    items_.clear();
    return;
  }
  Fill(dc, 0, 0, width_, height_, colour_);
  gdiDrawing_ = true;
  LetGdiFinish();
  for (const Item& item : items_) item.cutout.DrawOn(*buffer_, item.x, item.y);
  items_.clear();
}

void GdiSurface::Resize(int width, int height, Colour fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  onScreen_ = false;
  if (listed_ && colour_ == fill) {
    // What lies beyond the old size is the colour already; the pictures are cut at the edges.
    width_ = width;
    height_ = height;
    return;
  }
  Keep();  // in the old buffer, which the content belongs to
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
}

void GdiSurface::Clear(Colour colour) {
  if (!listed_ && drewWithGdi_) {
    // A surface drawn with GDI is most likely drawn so again: it keeps its buffer.
    if (HDC dc = Dc()) Fill(dc, 0, 0, width_, height_, colour);
    drewWithGdi_ = false;
    onScreen_ = false;
    return;
  }
  // Whatever was drawn goes: the frame is the colour, and what is drawn on it next.
  if (!listed_) buffer_.reset();
  listed_ = true;
  colour_ = colour;
  items_.clear();
}

void GdiSurface::BitBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                        int sourceY, Rop rop) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  DrewDirectly();
  if (HDC from = gdi::DibDc(source)) {
    ::BitBlt(dc, x, y, width, height, from, sourceX, sourceY, static_cast<DWORD>(rop));
    return;
  }
  StretchBlt(x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

void GdiSurface::StretchBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                            int sourceY, int sourceWidth, int sourceHeight, Rop rop) {
  HDC dc = Dc();
  if (dc == nullptr) return;
  DrewDirectly();
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
  if (cutout.Empty()) return;
  const Cutout::Box box = cutout.Bounds();
  const RECT area = {std::max(x + box.left, 0), std::max(y + box.top, 0),
                     std::min(x + box.right, width_), std::min(y + box.bottom, height_)};
  if (area.right <= area.left || area.bottom <= area.top) return;
  if (listed_) {
    items_.push_back({x, y, cutout, area});
    return;
  }
  if (!buffer_) return;
  LetGdiFinish();
  cutout.DrawOn(*buffer_, x, y);
  onScreen_ = false;
}

bool GdiSurface::GradientFill(const TriVertex* vertices, std::uint32_t vertexCount,
                              const GradientRect* mesh, std::uint32_t meshCount,
                              std::uint32_t mode) {
  HDC dc = Dc();
  if (dc == nullptr || vertices == nullptr || mesh == nullptr) return false;
  DrewDirectly();
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
  DrewDirectly();
  gdi::Select pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, colour);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

bool GdiSurface::Differences(std::vector<RECT>& pieces) const {
  if (!onScreen_ || shownColour_ != colour_) return false;
  std::vector<RECT> changed;
  std::vector<bool> kept(shown_.size(), false);
  std::size_t next = 0;
  for (const Item& item : items_) {
    bool same = false;
    for (std::size_t k = next; k < shown_.size() && k < next + kLookAhead; ++k) {
      const Shown& was = shown_[k];
      if (!kept[k] && was.serial == item.cutout.Serial() && was.x == item.x && was.y == item.y) {
        kept[k] = same = true;
        next = k + 1;
        break;
      }
    }
    if (!same) changed.push_back(item.area);
  }
  for (std::size_t k = 0; k < shown_.size(); ++k) {
    if (!kept[k]) changed.push_back(shown_[k].area);
  }
  if (changed.empty()) return true;
  RECT box = changed.front();
  for (const RECT& rect : changed) box = Union(box, rect);
  // A changed place joins the piece it adds the fewest pixels to, a picture's new place its old
  // one, whenever one piece over both costs no more than the two apart (a piece's call counted);
  // pieces that cost more than the box around them give way to the box.
  std::sort(changed.begin(), changed.end(),
            [](const RECT& a, const RECT& b) { return a.top < b.top; });
  long long cost = 0;
  for (const RECT& rect : changed) {
    RECT* join = nullptr;
    long long least = kPixelsPerPiece;
    for (RECT& piece : pieces) {
      const long long added = AreaOf(Union(piece, rect)) - AreaOf(piece) - AreaOf(rect);
      if (added > least) continue;
      join = &piece;
      least = added;
    }
    if (join != nullptr) {
      const RECT both = Union(*join, rect);
      cost += AreaOf(both) - AreaOf(*join);
      *join = both;
    } else {
      pieces.push_back(rect);
      cost += kPixelsPerPiece + AreaOf(rect);
    }
    if (cost > AreaOf(box)) {
      pieces.assign(1, box);
      break;
    }
  }
  return true;
}

std::vector<RECT> GdiSurface::Bands(const RECT& area) const {
  std::vector<RECT> bands;
  const long long width = area.right - area.left;
  if (width <= 0) return bands;
  const auto rows = static_cast<long>(std::max(kBandPixels / width, 1LL));
  for (long top = area.top; top < area.bottom; top += rows) {
    bands.push_back({area.left, top, area.right, std::min(top + rows, area.bottom)});
  }
  return bands;
}

const std::uint32_t* GdiSurface::Compose(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (piece_.size() < size) piece_.resize(size);
  Picture piece(width, height, piece_.data(), nullptr);
  const std::uint32_t background = PixelOf(colour_);
  SetPixels(piece_.data(), size, background);
  bool first = true;
  for (const Item& item : items_) {
    if (!Overlap(item.area, area)) continue;
    // Over nothing but the background, the picture need not set what is the background already.
    item.cutout.DrawWithin(piece, {0, 0, width, height}, item.x - area.left, item.y - area.top,
                           first ? std::optional<std::uint32_t>(background) : std::nullopt);
    first = false;
  }
  return piece_.data();
}

bool GdiSurface::Show(const std::vector<RECT>& areas) {
  for (const RECT& area : areas) {
    for (const RECT& band : Bands(area)) {
      const Piece piece{band, Compose(band)};
      if (!presenter_(&piece)) return false;
    }
  }
  return true;
}

void GdiSurface::Present() {
  if (!presenter_) return;  // nothing shown: the changes are still to be shown
  if (listed_) {
    std::vector<RECT> pieces;
    if (!Differences(pieces)) pieces.assign(1, RECT{0, 0, width_, height_});
    if (Show(pieces)) {
      onScreen_ = true;
      shownColour_ = colour_;
      shown_.clear();
      for (const Item& item : items_)
        shown_.push_back({item.cutout.Serial(), item.x, item.y, item.area});
      return;
    }
    Keep();
  }
  LetGdiFinish();
  presenter_(nullptr);
}

bool GdiSurface::Render(const RECT& area, const std::function<void(const Piece&)>& show) {
  if (!listed_) return false;
  const RECT inside = {std::max(area.left, 0L), std::max(area.top, 0L),
                       std::min(area.right, static_cast<long>(width_)),
                       std::min(area.bottom, static_cast<long>(height_))};
  if (inside.right <= inside.left || inside.bottom <= inside.top) return true;
  for (const RECT& band : Bands(inside)) show({band, Compose(band)});
  return true;
}

}  // namespace quarlo::fw
