// The GDI back buffer draws the same pixels as the software surface the native tests use: the
// raster operations, the clipping at every edge, the gradients and the lines.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/picture.h"
#include "framework/win32/gdi.h"
#include "framework/win32/gdi_surface.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/win32_os.h"
#include "saver/sprite_engine.h"
#include "support/software_surface.h"

namespace quarlo::fw {
namespace {

using testing::SoftwareSurface;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// A source with a different colour in every pixel and a black-and-white mask of a disc.
std::uint32_t Pattern(int x, int y) {
  return static_cast<std::uint32_t>(((x * 37) & 0xFF) << 16 | ((y * 53) & 0xFF) << 8 |
                                    ((x * y + 11) & 0xFF));
}
std::uint32_t Mask(int x, int y) {
  const int dx = x - 6, dy = y - 6;
  return dx * dx + dy * dy <= 20 ? 0x000000u : 0xFFFFFFu;
}

void Fill(Picture& picture, std::uint32_t (*pixel)(int, int)) {
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, pixel(x, y));
  }
}

TriVertex Vertex(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TriVertex{x,
                   y,
                   static_cast<std::uint16_t>(r << 8),
                   static_cast<std::uint16_t>(g << 8),
                   static_cast<std::uint16_t>(b << 8),
                   0};
}

struct Sources {
  const Picture& frame;
  const Picture& mask;
  const Cutout& sprite;  // the mask and the frame, cut
  const Cutout& figure;  // a picture with black around it, cut opaquely
};

struct Case {
  std::string name;
  std::function<void(Surface&, const Sources&)> draw;
  // A frame loop's: on a surface large enough for a clear to wipe only what was drawn since the
  // last one.
  bool frames = false;
};

// Everything starts from a grey background so that AND, XOR and OR all show.
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"copy inside",
       [](Surface& s, const Sources& p) { s.BitBlt(5, 4, 12, 12, p.frame, 0, 0, Rop::SrcCopy); }},
      {"copy from inside the source",
       [](Surface& s, const Sources& p) { s.BitBlt(0, 0, 8, 9, p.frame, 3, 2, Rop::SrcCopy); }},
      {"clipped left and top",
       [](Surface& s, const Sources& p) { s.BitBlt(-5, -7, 12, 12, p.frame, 0, 0, Rop::SrcCopy); }},
      {"clipped right and bottom",
       [](Surface& s, const Sources& p) { s.BitBlt(33, 24, 12, 12, p.frame, 0, 0, Rop::SrcCopy); }},
      {"wholly outside",
       [](Surface& s, const Sources& p) {
         s.BitBlt(-20, 40, 12, 12, p.frame, 0, 0, Rop::SrcCopy);
       }},
      {"source rectangle beyond the source",
       [](Surface& s, const Sources& p) { s.BitBlt(10, 10, 12, 12, p.frame, 6, 6, Rop::SrcCopy); }},
      {"source rectangle before the source",
       [](Surface& s, const Sources& p) {
         s.BitBlt(10, 10, 12, 12, p.frame, -4, -3, Rop::SrcCopy);
       }},
      {"and",
       [](Surface& s, const Sources& p) { s.BitBlt(7, 3, 12, 12, p.frame, 0, 0, Rop::SrcAnd); }},
      {"xor",
       [](Surface& s, const Sources& p) { s.BitBlt(7, 3, 12, 12, p.frame, 0, 0, Rop::SrcInvert); }},
      {"or",
       [](Surface& s, const Sources& p) { s.BitBlt(7, 3, 12, 12, p.frame, 0, 0, Rop::SrcPaint); }},
      {"sprite over a background (mask AND, frame XOR)",
       [](Surface& s, const Sources& p) {
         s.BitBlt(0, 0, 40, 30, p.frame, 0, 0, Rop::SrcCopy);
         s.BitBlt(20, 10, 12, 12, p.mask, 0, 0, Rop::SrcAnd);
         s.BitBlt(20, 10, 12, 12, p.frame, 0, 0, Rop::SrcInvert);
       }},
      {"sprite half off the left edge",
       [](Surface& s, const Sources& p) {
         s.BitBlt(-6, 3, 12, 12, p.mask, 0, 0, Rop::SrcAnd);
         s.BitBlt(-6, 3, 12, 12, p.frame, 0, 0, Rop::SrcInvert);
       }},
      {"vertical gradient, top vertex first",
       [](Surface& s, const Sources&) {
         const TriVertex v[] = {Vertex(0, 0, 255, 255, 255), Vertex(39, 29, 0xC6, 0xC5, 0xD7)};
         const GradientRect r = {0, 1};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectV);
       }},
      {"vertical gradient, mesh names the bottom vertex as upper-left",
       [](Surface& s, const Sources&) {
         const TriVertex v[] = {Vertex(0, 0, 255, 255, 255), Vertex(39, 29, 0xC6, 0xC5, 0xD7)};
         const GradientRect r = {1, 0};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectV);
       }},
      {"vertical gradient, dark to light",
       [](Surface& s, const Sources&) {
         const TriVertex v[] = {Vertex(3, 2, 0, 10, 30), Vertex(30, 28, 220, 220, 250)};
         const GradientRect r = {0, 1};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectV);
       }},
      {"horizontal gradient",
       [](Surface& s, const Sources&) {
         const TriVertex v[] = {Vertex(0, 0, 255, 0, 0), Vertex(40, 30, 0, 0, 255)};
         const GradientRect r = {0, 1};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectH);
       }},
      {"gradient past the edges",
       [](Surface& s, const Sources&) {
         const TriVertex v[] = {Vertex(-10, -10, 0, 0, 0), Vertex(50, 45, 255, 128, 64)};
         const GradientRect r = {0, 1};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectV);
       }},
      {"lines",
       [](Surface& s, const Sources&) {
         s.Line(0, 3, 40, 3, Rgb(255, 0, 0));
         s.Line(5, 0, 5, 30, Rgb(0, 255, 0));
         s.Line(2, 2, 20, 11, Rgb(0, 0, 255));
         s.Line(-5, 25, 50, 25, Rgb(1, 2, 3));
         s.Line(30, 29, 30, 29, Rgb(9, 9, 9));
       }},
      {"clear", [](Surface& s, const Sources&) { s.Clear(Rgb(12, 34, 56)); }},
      // A frame loop's clears: the second clear wipes every blit and cutout of the frame before,
      // whatever else was drawn, and wherever it fell.
      {"clear, sprites half outside, clear",
       [](Surface& s, const Sources& p) {
         s.Clear(Rgb(0, 0, 0));
         s.BitBlt(-6, 3, 12, 12, p.mask, 0, 0, Rop::SrcAnd);
         s.BitBlt(s.Width() - 7, s.Height() - 6, 12, 12, p.frame, 0, 0, Rop::SrcInvert);
         s.BitBlt(10, 10, 12, 12, p.frame, 0, 0, Rop::SrcCopy);
         s.Clear(Rgb(0, 0, 0));
         s.BitBlt(20, 5, 12, 12, p.frame, 0, 0, Rop::SrcCopy);
       },
       true},

      // A figure drawn first after a clear leaves out its black; put back in its place, it is
      // redrawn only where what lay over it was wiped; anywhere else it draws its black too.
      {"a figure put back in its place while a sprite moves over it, another over the sprite",
       [](Surface& s, const Sources& p) {
         s.Clear(Rgb(0, 0, 0));
         s.DrawCutout(30, 40, p.figure);
         s.DrawCutout(35, 45, p.sprite);
         s.Clear(Rgb(0, 0, 0));
         s.DrawCutout(30, 40, p.figure);
         s.DrawCutout(38, 47, p.sprite);
         s.DrawCutout(40, 50, p.figure);
       },
       true},
      {"clears in a colour: a figure and sprites half outside, the figure moved, a sprite first",
       [](Surface& s, const Sources& p) {
         s.Clear(Rgb(12, 34, 56));
         s.DrawCutout(30, 40, p.figure);
         s.DrawCutout(-6, 3, p.sprite);
         s.DrawCutout(s.Width() - 7, s.Height() - 6, p.sprite);
         s.Clear(Rgb(12, 34, 56));
         s.DrawCutout(31, 40, p.figure);
         s.Clear(Rgb(12, 34, 56));
         s.DrawCutout(20, -5, p.sprite);
         s.DrawCutout(31, 40, p.figure);
       },
       true},
      {"clear, sprite, clear in another colour",
       [](Surface& s, const Sources& p) {
         s.Clear(Rgb(0, 0, 0));
         s.BitBlt(5, 4, 12, 12, p.frame, 0, 0, Rop::SrcCopy);
         s.Clear(Rgb(12, 34, 56));
       }},
      {"clear, line, gradient, clear",
       [](Surface& s, const Sources&) {
         s.Clear(Rgb(0, 0, 0));
         s.Line(0, 3, 40, 3, Rgb(255, 0, 0));
         const TriVertex v[] = {Vertex(3, 2, 0, 10, 30), Vertex(30, 28, 220, 220, 250)};
         const GradientRect r = {0, 1};
         s.GradientFill(v, 2, &r, 1, kGradientFillRectV);
         s.Clear(Rgb(0, 0, 0));
         s.Line(0, 9, 40, 9, Rgb(0, 255, 0));
         s.Clear(Rgb(0, 0, 0));
       }},
      {"clear, a blit over most of the surface, clear",
       [](Surface& s, const Sources& p) {
         s.Clear(Rgb(0, 0, 0));
         for (int x = 0; x < 40; x += 12) {
           for (int y = 0; y < 30; y += 12) s.BitBlt(x, y, 12, 12, p.frame, 0, 0, Rop::SrcCopy);
         }
         s.Clear(Rgb(0, 0, 0));
         s.BitBlt(7, 3, 12, 12, p.frame, 0, 0, Rop::SrcInvert);
       }},
  };
  return cases;
}

// The surface's pixels as 0x00RRGGBB, after GDI has finished drawing into the DIB section.
std::vector<std::uint32_t> PixelsOf(GdiSurface& surface) {
  GdiFlush();
  const Picture& buffer = *surface.Buffer();
  std::vector<std::uint32_t> pixels(buffer.Pixels(),
                                    buffer.Pixels() + buffer.Width() * buffer.Height());
  for (auto& p : pixels) p &= 0x00FFFFFFu;
  return pixels;
}

std::vector<std::uint32_t> PixelsOf(const SoftwareSurface& surface) {
  const Picture& buffer = surface.Buffer();
  return std::vector<std::uint32_t>(buffer.Pixels(),
                                    buffer.Pixels() + buffer.Width() * buffer.Height());
}

std::string FirstDifference(const std::vector<std::uint32_t>& gdi,
                            const std::vector<std::uint32_t>& soft, int width = kWidth) {
  for (std::size_t i = 0; i < gdi.size() && i < soft.size(); ++i) {
    if (gdi[i] != soft[i]) {
      char text[96];
      std::snprintf(text, sizeof text, "first difference at (%d, %d): %06X, not %06X",
                    static_cast<int>(i % width), static_cast<int>(i / width), gdi[i], soft[i]);
      return text;
    }
  }
  return "sizes differ";
}

class GdiSurfaceTest : public ::testing::TestWithParam<bool> {};

TEST_P(GdiSurfaceTest, DrawsTheSamePixelsAsTheSoftwareSurface) {
  // With a DIB source the blits come straight from its memory DC; with a plain-memory source
  // they go through StretchDIBits.
  const bool dibSource = GetParam();
  PicturePtr frame = dibSource ? gdi::MakeDibPicture(12, 12) : std::make_shared<Picture>(12, 12);
  PicturePtr mask = dibSource ? gdi::MakeDibPicture(12, 12) : std::make_shared<Picture>(12, 12);
  ASSERT_TRUE(frame && mask);
  ASSERT_EQ(gdi::DibDc(*frame) != nullptr, dibSource);
  Fill(*frame, Pattern);
  Fill(*mask, Mask);
  const Cutout sprite = Cutout::Masked(mask.get(), frame.get(), 12, 12);
  Picture onBlack(20, 12);
  Fill(onBlack, [](int x, int y) { return x < 10 ? 0u : Pattern(x, y); });
  const Cutout figure = Cutout::Opaque(onBlack, 0, 0, 20, 12);
  const Sources sources{*frame, *mask, sprite, figure};

  for (const Case& c : Cases()) {
    const int width = c.frames ? 10 * kWidth : kWidth, height = c.frames ? 10 * kHeight : kHeight;
    GdiSurface gdi(width, height, Rgb(0x80, 0x80, 0x80));
    SoftwareSurface soft(width, height);
    soft.Clear(Rgb(0x80, 0x80, 0x80));
    c.draw(gdi, sources);
    c.draw(soft, sources);
    const auto gdiPixels = PixelsOf(gdi);
    const auto softPixels = PixelsOf(soft);
    EXPECT_TRUE(gdiPixels == softPixels)
        << c.name << ": " << FirstDifference(gdiPixels, softPixels, width);
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, GdiSurfaceTest, ::testing::Values(true, false),
                         [](const auto& param) {
                           return param.param ? "DibSection" : "PlainMemory";
                         });

#ifdef QUARLO_HAVE_ASSETS

// The saver's own pictures at 100 % and 200 %, as Windows decodes them: each cutout draws on the
// back buffer exactly what its blits draw (the frames one over the other, each of the sheet's
// cells in turn), wherever it lands, clipped at every edge.
TEST(GdiSurface, TheSaverCutoutsDrawWhatTheirBlitsDraw) {
  os::Win32Os os;
  Win32Backend backend(os);
  constexpr int kW = 300, kH = 400;  // the buffer
  PicturePtr background = gdi::MakeDibPicture(kW, kH);
  ASSERT_TRUE(background);
  Fill(*background, Pattern);
  for (const int percent : {100, 200}) {
    saver::SpritePictures frames, masks;
    saver::LoadSpritePictures(backend, percent, frames, masks);
    const PicturePtr sheet = saver::LoadWalkSheet(backend, percent);
    ASSERT_TRUE(sheet && frames[22] && masks[22]) << percent;
    const saver::SpriteCutouts sprites = saver::CutSprites(frames, masks, percent);
    const saver::WalkCells cells = saver::CutCells(sheet.get(), percent);
    for (const bool cell : {false, true}) {
      const int w = ScaledPixels(cell ? 128 : 60, percent),
                h = ScaledPixels(cell ? 295 : 60, percent);
      const std::pair<int, int> places[] = {
          {50, 60},          {-w / 2, 70},     {80, -h / 3}, {kW - w / 2, 90},
          {100, kH - h / 3}, {-w / 2, -h / 2}, {-w, 0},      {kW - w / 3, kH - h / 3},
          {kW, 10}};
      for (const auto& [x, y] : places) {
        GdiSurface blits(kW, kH, 0), cut(kW, kH, 0);
        for (GdiSurface* s : {&blits, &cut})
          s->BitBlt(0, 0, kW, kH, *background, 0, 0, Rop::SrcCopy);
        for (std::size_t i = 0; i < (cell ? cells.size() : sprites.size()); ++i) {
          if (cell) {
            blits.BitBlt(x, y, w, h, *sheet, static_cast<int>(i % 8) * w,
                         static_cast<int>(i / 8) * h, Rop::SrcCopy);
          } else {
            blits.BitBlt(x, y, w, h, *masks[i], 0, 0, Rop::SrcAnd);
            blits.BitBlt(x, y, w, h, *frames[i], 0, 0, Rop::SrcInvert);
          }
          cut.DrawCutout(x, y, cell ? cells[i] : sprites[i]);
          const auto expected = PixelsOf(blits), drawn = PixelsOf(cut);
          ASSERT_TRUE(expected == drawn)
              << percent << " %, " << (cell ? "cell " : "frame ") << i << " at " << x << ", " << y
              << ": " << FirstDifference(drawn, expected, kW);
        }
      }
    }
  }
}

#endif  // QUARLO_HAVE_ASSETS

TEST(GdiSurface, StretchesLikeTheSoftwareSurface) {
  PicturePtr frame = gdi::MakeDibPicture(12, 12);
  ASSERT_TRUE(frame);
  Fill(*frame, Pattern);
  const struct {
    int x, y, w, h, sx, sy, sw, sh;
  } cases[] = {
      {0, 0, 17, 4, 2, 0, 8, 4},    // a frame edge widened, as the button stretches its border
      {3, 3, 4, 13, 0, 4, 4, 5},    // a side edge lengthened
      {1, 1, 6, 6, 0, 0, 12, 12},   // shrunk
      {-4, 2, 20, 8, 0, 0, 10, 4},  // widened past the left edge
  };
  for (const auto& c : cases) {
    GdiSurface gdi(kWidth, kHeight, 0);
    SoftwareSurface soft(kWidth, kHeight);
    gdi.StretchBlt(c.x, c.y, c.w, c.h, *frame, c.sx, c.sy, c.sw, c.sh, Rop::SrcCopy);
    soft.StretchBlt(c.x, c.y, c.w, c.h, *frame, c.sx, c.sy, c.sw, c.sh, Rop::SrcCopy);
    const auto gdiPixels = PixelsOf(gdi);
    const auto softPixels = PixelsOf(soft);
    EXPECT_TRUE(gdiPixels == softPixels) << c.w << "x" << c.h << " from " << c.sw << "x" << c.sh
                                         << ": " << FirstDifference(gdiPixels, softPixels);
  }
}

TEST(GdiSurface, ResizingKeepsWhatFitsAndFillsTheRest) {
  GdiSurface surface(4, 3, Rgb(1, 2, 3));
  surface.Line(0, 0, 4, 0, Rgb(200, 0, 0));
  surface.Resize(6, 5, Rgb(0, 0, 9));
  ASSERT_EQ(surface.Width(), 6);
  ASSERT_EQ(surface.Height(), 5);
  const auto pixels = PixelsOf(surface);
  EXPECT_EQ(pixels[0], PixelOf(Rgb(200, 0, 0)));
  EXPECT_EQ(pixels[6 + 1], PixelOf(Rgb(1, 2, 3)));  // old background
  EXPECT_EQ(pixels[5], PixelOf(Rgb(0, 0, 9)));      // new column
  EXPECT_EQ(pixels[4 * 6], PixelOf(Rgb(0, 0, 9)));  // new row

  surface.Resize(0, 0, 0);
  EXPECT_EQ(surface.Width(), 0);
  surface.Clear(Rgb(1, 1, 1));  // nothing to draw on, nothing fails
  surface.Line(0, 0, 5, 5, 0);
}

// A frame of a clear and cutouts shows only the pieces where it differs from the screen, and
// they put on the screen what the blits would; anything else drawn is shown whole.
TEST(GdiSurface, PresentShowsWhatChangedSinceTheLastPresentOrEverything) {
  constexpr int kW = 1000, kH = 600;
  GdiSurface surface(kW, kH, 0);
  SoftwareSurface soft(kW, kH);  // the same drawing, to hold the screen against
  Picture screen(kW, kH), mask(12, 12), frame(12, 12), large(kW, kH);
  Fill(mask, Mask);
  Fill(frame, Pattern);
  Fill(large, Pattern);
  const Cutout disc = Cutout::Masked(&mask, nullptr, 12, 12);  // (2, 2) to (11, 11)
  const Cutout sprite = Cutout::Masked(&mask, &frame, 12, 12);
  const Cutout big = Cutout::Opaque(large, 0, 0, kW, kH);
  bool refuse = false;  // a window drawing children over its buffer
  std::string shown;
  surface.SetPresenter([&](const GdiSurface::Piece* piece) {
    if (piece != nullptr && refuse) return false;
    const RECT area = piece ? piece->area : RECT{0, 0, kW, kH};
    const std::uint32_t* from = piece ? piece->pixels : surface.Buffer()->Pixels();
    const int stride = piece ? area.right - area.left : kW;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x)
        screen.SetPixel(x, y, from[(y - area.top) * stride + (x - area.left)] & 0xFFFFFFu);
    }
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld,%ld,%ld)", area.left, area.top, area.right,
                  area.bottom);
    shown += piece ? text : "whole";
    return true;
  });
  const auto both = [&](const std::function<void(Surface&)>& draw) {
    return [&, draw] {
      draw(surface);
      draw(soft);
    };
  };
  const auto frameOf = [&](std::vector<std::pair<int, int>> places, Colour colour = 0) {
    return both([places, colour, &disc](Surface& s) {
      s.Clear(colour);
      for (const auto& [x, y] : places) s.DrawCutout(x, y, disc);
    });
  };
  std::vector<std::pair<int, int>> many;  // 1200 discs, 6 pixels apart down the columns
  for (int x = 0; x < 30; ++x) {
    for (int y = 0; y < 40; ++y) many.emplace_back(x * 30, y * 15);
  }
  const std::string everything = "(0,0,1000,262)(0,262,1000,524)(0,524,1000,600)";  // in bands
  const struct {
    const char* what;
    std::function<void()> draw;
    std::string shown;
  } steps[] = {
      {"a new buffer", [] {}, everything},
      {"a clear in the same colour", frameOf({}), ""},
      {"a cutout half off the top: only around what it changes", frameOf({{20, -5}}),
       "(22,0,31,6)"},
      {"a pixel lower: its old place joined", frameOf({{20, -4}}), "(22,0,31,7)"},
      {"in the same place: nothing to show", frameOf({{20, -4}}), ""},
      {"another, a little apart", frameOf({{20, -4}, {60, -4}}), "(62,0,71,7)"},
      {"far off, a sprite over it: the two old places in one piece, the sprite's joined",
       both([&](Surface& s) {
         s.Clear(0);
         s.DrawCutout(400, 300, disc);
         s.DrawCutout(405, 304, sprite);
       }),
       "(22,0,71,7)(402,302,417,316)"},
      {"close by: the box around both places", frameOf({{440, 300}}), "(402,302,451,316)"},
      {"more pieces than pay their way: the box around them, in bands", frameOf(many),
       "(2,2,881,300)(2,300,881,596)"},
      {"the same again", frameOf(many), ""},
      {"a clear in another colour", frameOf({}, Rgb(1, 2, 3)), everything},
      {"a cutout over all of it",
       both([&](Surface& s) {
         s.Clear(Rgb(1, 2, 3));
         s.DrawCutout(0, 0, big);
       }),
       everything},
      {"a line", both([](Surface& s) { s.Line(0, 0, 5, 5, Rgb(9, 9, 9)); }), "whole"},
      {"a clear after a line", frameOf({}, Rgb(1, 2, 3)), "whole"},
      {"cutouts alone again", frameOf({{20, 20}}, Rgb(1, 2, 3)), everything},
      {"a window that takes no pieces", [&] { refuse = true; }, ""},
      {"moved for a window that takes no pieces", frameOf({{30, 20}}, Rgb(1, 2, 3)), "whole"},
  };
  for (const auto& step : steps) {
    shown.clear();
    step.draw();
    surface.Present();
    EXPECT_EQ(shown, step.shown) << step.what;
    const Picture& expected = soft.Buffer();
    const std::vector<std::uint32_t> want(expected.Pixels(), expected.Pixels() + kW * kH),
        got(screen.Pixels(), screen.Pixels() + kW * kH);
    EXPECT_TRUE(got == want) << step.what << ": " << FirstDifference(got, want, kW);
  }
}

}  // namespace
}  // namespace quarlo::fw
