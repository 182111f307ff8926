#pragma once
// Bitmaps and the drawing surface every face draws on.
//
// A Picture is a top-down 32-bit bitmap whose pixels read 0x00RRGGBB (the byte order of a
// 32-bit device-independent bitmap). A Surface is a drawable back buffer: the raster operations,
// gradient fill and lines of GDI, plus Present, which puts the buffer on the screen in one step.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quarlo::fw {

// A colour in the platform's format: red in the low byte (0x00BBGGRR), as RGB() makes it.
using Colour = std::uint32_t;
constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
constexpr std::uint8_t RedOf(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
// A pixel value (0x00RRGGBB) from a colour and back.
constexpr std::uint32_t PixelOf(Colour c) {
  return (static_cast<std::uint32_t>(RedOf(c)) << 16) |
         (static_cast<std::uint32_t>(GreenOf(c)) << 8) | BlueOf(c);
}
constexpr Colour ColourOf(std::uint32_t pixel) {
  return Rgb(static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
             static_cast<std::uint8_t>(pixel));
}

class Picture {
 public:
  // A black picture held in memory.
  Picture(int width, int height);
  // A picture over pixels that a platform object owns (for example a DIB section); `native`
  // keeps that object alive and lets the platform's surface blit from it directly.
  Picture(int width, int height, std::uint32_t* pixels, std::shared_ptr<void> native);
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t* Pixels() { return pixels_; }
  const std::uint32_t* Pixels() const { return pixels_; }
  std::uint32_t Pixel(int x, int y) const { return pixels_[y * width_ + x]; }
  void SetPixel(int x, int y, std::uint32_t value) { pixels_[y * width_ + x] = value; }
  void* Native() const { return native_.get(); }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> memory_;
  std::uint32_t* pixels_;
  std::shared_ptr<void> native_;
};

using PicturePtr = std::shared_ptr<Picture>;

// Sets `count` pixels from `first` to `pixel`.
void SetPixels(std::uint32_t* first, std::size_t count, std::uint32_t pixel);

// A picture kept as the pixels it changes where it is drawn, in runs along each row, so that
// drawing it touches nothing else. It is cut either from a rectangle of a picture copied
// opaquely (BitBlt with SRCCOPY), or from a mask and a picture drawn one after the other on the
// same place (the mask with SRCAND, then the picture with SRCINVERT): where the mask is black the
// picture replaces the screen, where the mask is white and the picture black the screen stays,
// and anywhere else the screen becomes (screen AND mask) XOR picture. Either way the pixels are
// those the blits leave, on 24-bit colour as GDI blits a 32-bit picture. Its runs are shared by
// its copies: a copy is as cheap as a pointer, and keeps them for as long as it lives.
class Cutout {
 public:
  // Around the pixels it changes, from its own top-left corner: right and bottom exclusive.
  struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
  };

  Cutout() = default;
  // The mask and the picture from their top-left corners over width x height. A missing one
  // (nullptr), or a pixel beyond one, leaves the screen to the other, as a blit skipped or cut
  // at its source's edge does.
  static Cutout Masked(const Picture* mask, const Picture* picture, int width, int height);
  // The rectangle (x, y, width, height) of the picture; what lies beyond the picture is left.
  static Cutout Opaque(const Picture& picture, int x, int y, int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return !data_ || data_->runs.empty(); }
  // Tells cutouts apart: the same for a cutout and its copies, different for any other.
  std::uint64_t Serial() const { return serial_; }
  Box Bounds() const { return Empty() ? Box{} : bounds_; }
  // Draws it on `target` with its top-left corner at (x, y), clipped at the target's edges.
  // `under`, when known, is the pixel the target holds already wherever the cutout would set
  // that very pixel over a run of it, which is then left out.
  void DrawOn(Picture& target, int x, int y,
              std::optional<std::uint32_t> under = std::nullopt) const;
  // The same, only inside `within` (in the target's pixels).
  void DrawWithin(Picture& target, const Box& within, int x, int y,
                  std::optional<std::uint32_t> under = std::nullopt) const;

 private:
  // What a run does to its pixels: copies them (Copy from whole pixels, Packed from three bytes
  // each, which spares a quarter of a large picture), sets them to one pixel (Fill), or ANDs a
  // mask into each and XORs a pixel (Mix).
  enum class Kind : std::uint32_t { Copy, Packed, Fill, Mix };
  struct Run {
    std::uint16_t x = 0;
    std::uint16_t length = 0;
    // The kind in the top two bits; below, where its values start (Copy: its pixels in pixels;
    // Mix: its masks, its pixels after them; Packed: its bytes in packed), or a Fill's pixel.
    std::uint32_t data = 0;
  };
  static constexpr int kKindShift = 30;
  struct Data {
    std::vector<Run> runs;
    std::vector<std::uint32_t> rowStarts;  // each row's first run, then the end of the last
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> packed;
  };

  // Starts a cutout of the size: its runs are then added, row by row, to `data`.
  Cutout(int width, int height, Data& data);
  void Add(Data& data, int row, int x, int length, Kind kind, std::uint32_t value);
  // Gives back what was set aside for the largest cutout of its size, and keeps the runs.
  void Finish(std::shared_ptr<Data> data);

  std::uint64_t serial_ = 0;
  int width_ = 0;
  int height_ = 0;
  Box bounds_;
  std::shared_ptr<const Data> data_;
};

// GDI's ternary raster operations used by the program.
enum class Rop : std::uint32_t {
  SrcCopy = 0x00CC0020,
  SrcAnd = 0x008800C6,
  SrcInvert = 0x00660046,
  SrcPaint = 0x00EE0086,
};

// GradientFill's vertex: colour channels are 16-bit, the 8-bit value in the high byte.
struct TriVertex {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 0;
};

struct GradientRect {
  std::uint32_t upperLeft = 0;
  std::uint32_t lowerRight = 0;
};

// GradientFill's modes: colours change from left to right, or from top to bottom.
inline constexpr std::uint32_t kGradientFillRectH = 0;
inline constexpr std::uint32_t kGradientFillRectV = 1;
#ifndef GRADIENT_FILL_RECT_H  // <windows.h> has them as macros of the same values
inline constexpr std::uint32_t GRADIENT_FILL_RECT_H = kGradientFillRectH;
inline constexpr std::uint32_t GRADIENT_FILL_RECT_V = kGradientFillRectV;
#endif

class Surface {
 public:
  virtual ~Surface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void Clear(Colour colour) = 0;
  virtual void BitBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                      int sourceY, Rop rop) = 0;
  virtual void StretchBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                          int sourceY, int sourceWidth, int sourceHeight, Rop rop) = 0;
  virtual bool GradientFill(const TriVertex* vertices, std::uint32_t vertexCount,
                            const GradientRect* mesh, std::uint32_t meshCount,
                            std::uint32_t mode) = 0;
  // A one-pixel line from (x1, y1) up to but not including (x2, y2), as LineTo draws it.
  virtual void Line(int x1, int y1, int x2, int y2, Colour colour) = 0;
  // Draws the cutout with its top-left corner at (x, y): the pixels of the blits it was cut
  // from, clipped at the edges as they are.
  virtual void DrawCutout(int x, int y, const Cutout& cutout) = 0;
  // Shows the back buffer on the screen in one step.
  virtual void Present() = 0;
};

}  // namespace quarlo::fw
