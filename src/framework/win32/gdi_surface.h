#pragma once
// The back buffer of a drawable window: a persistent DIB section drawn with GDI's own raster
// operations, gradient fill and pens. Present hands the buffer to its window (see Presenter).

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "framework/picture.h"
#include "framework/win32/gdi.h"

namespace quarlo::fw {

class GdiSurface final : public Surface {
 public:
  // Puts the buffer on the screen; set by the window that owns the surface. `changed` lists what
  // changed since the last present (the screen holds the rest already); nullptr: anything may
  // have.
  using Presenter = std::function<void(const std::vector<RECT>* changed)>;

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
  // Written straight into the buffer's pixels: only the cutout's own.
  void DrawCutout(int x, int y, const Cutout& cutout) override;
  void Present() override;

  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
  // A new size: what fits of the old content stays at the top-left, the rest is `fill`.
  void Resize(int width, int height, Colour fill);
  // The buffer's DC (nullptr while the buffer is empty) and its pixels (after GdiFlush), with
  // every drawing made so far. Whoever draws into the DC directly calls DrewDirectly afterwards.
  HDC Dc();
  void DrewDirectly() { Everywhere(); }
  const Picture* Buffer();

 private:
  // Rectangles of the buffer, or (everywhere) the whole of it.
  struct Pieces {
    std::vector<RECT> rects;
    long long area = 0;
    bool everywhere = true;
    // The first of the rectangles a clear wiped that a new picture has not joined yet.
    std::size_t unjoined = 0;
    void Add(const RECT& rect);
    // Adds a picture's rectangle to the wiped one it most likely replaces, the same picture of
    // the last frame moved a little, when the two together take no more than each apart.
    void Join(const RECT& rect);
    // Whether wiping (or showing) just these costs less than the whole buffer, the pieces
    // coming `perPicture` to each picture of the frame.
    bool Pay(long long wholeArea, int perPicture) const;
    void Reset() {
      rects.clear();
      area = 0;
      everywhere = false;
      unjoined = 0;
    }
  };

  void Fill(HDC dc, int x, int y, int width, int height, Colour colour);
  // What lies of the rectangle inside the buffer; nullopt when nothing does.
  std::optional<RECT> Inside(int x, int y, int width, int height) const;
  void Drew(int x, int y, int width, int height);
  void Everywhere() {
    Settle();
    drawn_.everywhere = changed_.everywhere = true;
  }
  // The kept picture, not put back: wiped, and its place shown.
  void Settle();
  // Lets GDI finish what it drew before the pixels are touched directly.
  void LetGdiFinish();
  long long Area() const { return static_cast<long long>(width_) * height_; }

  int width_ = 0;
  int height_ = 0;
  PicturePtr buffer_;
  Presenter presenter_;
  // A frame loop clears the whole buffer and then blits a few small pictures: the next clear in
  // the same colour need only wipe what those blits covered, and the present need only show what
  // the clear and the blits changed, which spares two full-screen copies per frame while the
  // pictures are few. Each frame takes whichever costs less: anything else drawn, or pictures
  // that cover too much or are too many, make the next clear, or the next present, a whole one.
  std::optional<Colour> clearedTo_;
  Pieces drawn_;    // drawn since the last clear
  Pieces changed_;  // changed since the last present
  // What the next clear wipes of what was drawn since the last: the rectangles GDI blitted, and
  // the very pixels the cutouts changed (about half of their rectangles).
  std::vector<RECT> blitted_;
  std::vector<Cutout::Stretch> written_;
  // The frame's first picture, drawn right after the clear, and how many of written_ are its.
  struct Drawn {
    std::uint64_t serial = 0;
    int x = 0;
    int y = 0;
  };
  std::optional<Drawn> first_;
  std::size_t firstStretches_ = 0;
  // The first picture of the frame a clear wiped, kept as it is until the next picture: a frame
  // that puts the same picture back in the same place first (the figure that stays while the
  // sprites move) neither wipes nor shows it again, its pixels being the same; anything else
  // settles it.
  struct Kept {
    bool active = false;
    Drawn drawn;
    RECT area = {};
    std::uint32_t clearPixel = 0;
    std::vector<Cutout::Stretch> stretches;
    std::vector<RECT> damage;  // where what was drawn over it was wiped
  };
  Kept kept_;
  bool gdiDrawing_ = false;  // GDI drew since the buffer's pixels were last touched directly
};

}  // namespace quarlo::fw
