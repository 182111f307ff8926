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
  // The buffer's DC (nullptr while the buffer is empty) and its pixels (after GdiFlush). Whoever
  // draws into the DC directly calls DrewDirectly afterwards.
  HDC Dc() const;
  void DrewDirectly() { Everywhere(); }
  const Picture* Buffer() const { return buffer_.get(); }

 private:
  // Rectangles of the buffer, or (everywhere) the whole of it.
  struct Pieces {
    std::vector<RECT> rects;
    long long area = 0;
    bool everywhere = true;
    void Add(const RECT& rect);
    // Whether wiping (or showing) just these costs less than the whole buffer, the pieces
    // coming `perPicture` to each picture of the frame.
    bool Pay(long long wholeArea, int perPicture) const;
    void Reset() {
      rects.clear();
      area = 0;
      everywhere = false;
    }
  };

  void Fill(HDC dc, int x, int y, int width, int height, Colour colour);
  void Drew(int x, int y, int width, int height);
  void Everywhere() { drawn_.everywhere = changed_.everywhere = true; }
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
  Pieces drawn_;    // blitted since the last clear
  Pieces changed_;  // changed since the last present
};

}  // namespace quarlo::fw
