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
  // Puts the buffer on the screen; set by the window that owns the surface.
  using Presenter = std::function<void()>;

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
  void Present() override;

  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
  // A new size: what fits of the old content stays at the top-left, the rest is `fill`.
  void Resize(int width, int height, Colour fill);
  // The buffer's DC (nullptr while the buffer is empty) and its pixels (after GdiFlush). Whoever
  // draws into the DC directly calls DrewDirectly afterwards.
  HDC Dc() const;
  void DrewDirectly() { drawnAnywhere_ = true; }
  const Picture* Buffer() const { return buffer_.get(); }

 private:
  void Fill(HDC dc, int x, int y, int width, int height, Colour colour);
  void Drew(int x, int y, int width, int height);

  int width_ = 0;
  int height_ = 0;
  PicturePtr buffer_;
  Presenter presenter_;
  // A frame loop clears the whole buffer and then blits a few small pictures: the next clear in
  // the same colour need only wipe what those blits covered, which spares a full-screen fill per
  // frame. Anything else drawn (or too much) makes the next clear a full one.
  std::optional<Colour> clearedTo_;
  std::vector<RECT> drawn_;
  long long drawnArea_ = 0;
  bool drawnAnywhere_ = true;
};

}  // namespace quarlo::fw
