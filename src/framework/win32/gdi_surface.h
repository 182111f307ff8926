#pragma once
// The back buffer of a drawable window. A frame made of a clear and cutouts alone (the saver's)
// is kept as the list of what it draws, and no screen-sized buffer at all: its present shows only
// the pieces where it differs from what the screen holds, each composed in a small buffer that
// stays in the processor's cache, so that a frame touches the screen's memory once, where it
// changed. Anything else (GDI's raster operations, gradients, pens, a DC taken) draws into a
// persistent DIB section, made when first needed, and is shown whole. Present hands the pieces,
// or the whole buffer, to the window that owns the surface (see Presenter).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/picture.h"
#include "framework/win32/gdi.h"

namespace quarlo::fw {

class GdiSurface final : public Surface {
 public:
  // A rectangle of the surface and its pixels: top-down rows of the rectangle's width.
  struct Piece {
    RECT area = {};
    const std::uint32_t* pixels = nullptr;
  };
  // Puts a piece on the screen, or (nullptr) the buffer whole (Dc); set by the window that owns
  // the surface. False when the window cannot take pieces (it draws children over the buffer):
  // the surface then shows itself whole.
  using Presenter = std::function<bool(const Piece* piece)>;

  GdiSurface(int width, int height, Colour fill);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear(Colour colour) override;
  void BitBlt(int x, int y, int width, int height, const Picture& source, int sourceX, int sourceY,
              Rop rop) override;
  void StretchBlt(int x, int y, int width, int height, const Picture& source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, Rop rop) override;
  bool GradientFill(const TriVertex* vertices, std::uint32_t vertexCount, const GradientRect* mesh,
                    std::uint32_t meshCount, std::uint32_t mode) override;
  void Line(int x1, int y1, int x2, int y2, Colour colour) override;
  void DrawCutout(int x, int y, const Cutout& cutout) override;
  void Present() override;

  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
  // A new size: what fits of the old content stays at the top-left, the rest is `fill`.
  void Resize(int width, int height, Colour fill);
  // The buffer's DC (nullptr while the buffer is empty) and its pixels (after GdiFlush), with
  // every drawing made so far. Whoever draws into the DC directly calls DrewDirectly afterwards.
  HDC Dc();
  void DrewDirectly();
  const Picture* Buffer();
  // Composes `area` of a listed frame piece by piece for `show` (a window painted again); false
  // when the surface holds its picture in its buffer instead (Dc).
  bool Render(const RECT& area, const std::function<void(const Piece&)>& show);

 private:
  struct Item {
    int x = 0;
    int y = 0;
    Cutout cutout;  // shared with the scene that drew it, for as long as the frame is kept
    RECT area = {};
  };
  struct Shown {
    std::uint64_t serial = 0;
    int x = 0;
    int y = 0;
    RECT area = {};
  };

  // The listed frame drawn into the buffer: from then on the buffer holds the picture.
  void Keep();
  // Where the listed frame differs from the one on the screen: in pieces, or the box around them
  // when the pieces cost more; false when what the screen holds is not known.
  bool Differences(std::vector<RECT>& pieces) const;
  // Shows the areas of the listed frame, in bands that fit the cache; false when the window took
  // no pieces.
  bool Show(const std::vector<RECT>& areas);
  // The listed frame over `area` composed in the piece buffer.
  const std::uint32_t* Compose(const RECT& area);
  std::vector<RECT> Bands(const RECT& area) const;
  void Fill(HDC dc, int x, int y, int width, int height, Colour colour);
  // Lets GDI finish what it drew before the pixels are touched directly.
  void LetGdiFinish();
  long long Area() const { return static_cast<long long>(width_) * height_; }

  int width_ = 0;
  int height_ = 0;
  Presenter presenter_;
  // Listed: the picture is colour_ with items_ drawn over it in order; else it is buffer_'s.
  bool listed_ = true;
  Colour colour_ = 0;
  std::vector<Item> items_;
  // What the screen holds when onScreen_: shownColour_ with these drawn over it.
  bool onScreen_ = false;
  Colour shownColour_ = 0;
  std::vector<Shown> shown_;
  PicturePtr buffer_;
  bool gdiDrawing_ = false;  // GDI drew since the buffer's pixels were last touched directly
  // Drawn with GDI since the last clear: such a surface keeps its buffer across clears.
  bool drewWithGdi_ = false;
  std::vector<std::uint32_t> piece_;
};

}  // namespace quarlo::fw
