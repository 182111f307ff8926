#pragma once
// A drawing surface in plain memory, for the native tests.

#include <memory>

#include "framework/picture.h"

namespace quarlo::testing {

// A surface that draws in memory with the same rules as GDI: clipping at the edges, the raster
// operations on 24-bit colour, the vertical and horizontal two-colour gradient. Tests read its
// pixels; the headless backend gives one to every drawable control.
class SoftwareSurface final : public fw::Surface {
 public:
  SoftwareSurface(int width, int height);

  int Width() const override { return buffer_->Width(); }
  int Height() const override { return buffer_->Height(); }
  void Clear(fw::Colour colour) override;
  void BitBlt(int x, int y, int width, int height, const fw::Picture& source, int sourceX,
              int sourceY, fw::Rop rop) override;
  void StretchBlt(int x, int y, int width, int height, const fw::Picture& source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, fw::Rop rop) override;
  bool GradientFill(const fw::TriVertex* vertices, std::uint32_t vertexCount,
                    const fw::GradientRect* mesh, std::uint32_t meshCount,
                    std::uint32_t mode) override;
  void Line(int x1, int y1, int x2, int y2, fw::Colour colour) override;
  void DrawCutout(int x, int y, const fw::Cutout& cutout) override {
    cutout.DrawOn(*buffer_, x, y);
  }
  void Present() override { ++presents_; }

  // Resizes the buffer (contents become black), as a control does when it is resized.
  void Resize(int width, int height);
  const fw::Picture& Buffer() const { return *buffer_; }
  fw::Colour ColourAt(int x, int y) const { return fw::ColourOf(buffer_->Pixel(x, y)); }
  int Presents() const { return presents_; }

 private:
  void Plot(int x, int y, std::uint32_t pixel, fw::Rop rop);

  std::unique_ptr<fw::Picture> buffer_;
  int presents_ = 0;
};

}  // namespace quarlo::testing
