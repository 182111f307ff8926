// The software surface draws as GDI does: raster operations on 24-bit colour, clipping at every
// edge, nearest-pixel stretching, two-colour gradients and lines that leave out their last point.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/picture.h"
#include "framework/scaling.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"
#include "support/software_surface.h"

namespace quarlo::fw {
namespace {

using testing::SoftwareSurface;

constexpr Colour kGrey = Rgb(0x80, 0x80, 0x80);

// A picture whose every pixel tells where it came from: red = x, green = y, blue 1 (never black).
std::shared_ptr<Picture> Coordinates(int width, int height) {
  auto picture = std::make_shared<Picture>(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture->SetPixel(x, y, static_cast<std::uint32_t>(x << 16 | y << 8 | 1));
  }
  return picture;
}

int SourceX(const SoftwareSurface& s, int x, int y) { return RedOf(s.ColourAt(x, y)); }
int SourceY(const SoftwareSurface& s, int x, int y) { return GreenOf(s.ColourAt(x, y)); }

int CountColour(const SoftwareSurface& s, Colour colour) {
  int count = 0;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) count += s.ColourAt(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST(SoftwareSurface, RasterOperationsWorkOnTheColourBits) {
  Picture source(1, 1);
  source.SetPixel(0, 0, 0x00F0A05A);
  const struct {
    Rop rop;
    std::uint32_t expected;
  } cases[] = {
      {Rop::SrcCopy, 0x00F0A05A},
      {Rop::SrcAnd, 0x00F0A05A & 0x00808080},
      {Rop::SrcInvert, 0x00F0A05A ^ 0x00808080},
      {Rop::SrcPaint, 0x00F0A05A | 0x00808080},
  };
  for (const auto& c : cases) {
    SoftwareSurface surface(2, 1);
    surface.Clear(kGrey);
    surface.BitBlt(0, 0, 1, 1, source, 0, 0, c.rop);
    EXPECT_EQ(surface.Buffer().Pixel(0, 0), c.expected) << static_cast<std::uint32_t>(c.rop);
    EXPECT_EQ(surface.ColourAt(1, 0), kGrey);
  }
}

TEST(SoftwareSurface, AMaskAndAFrameOnBlackPutASpriteOverTheBackground) {
  // The mask is black where the sprite is and white elsewhere; the frame is the sprite on black.
  Picture mask(3, 1), frame(3, 1);
  mask.SetPixel(0, 0, 0xFFFFFF);
  mask.SetPixel(1, 0, 0x000000);
  mask.SetPixel(2, 0, 0xFFFFFF);
  frame.SetPixel(0, 0, 0x000000);
  frame.SetPixel(1, 0, 0x12AB34);
  frame.SetPixel(2, 0, 0x000000);
  SoftwareSurface surface(5, 1);
  surface.Clear(Rgb(0x40, 0x50, 0x60));
  surface.BitBlt(1, 0, 3, 1, mask, 0, 0, Rop::SrcAnd);
  surface.BitBlt(1, 0, 3, 1, frame, 0, 0, Rop::SrcInvert);
  EXPECT_EQ(surface.Buffer().Pixel(2, 0), 0x12AB34u);  // the sprite itself
  for (int x : {0, 1, 3, 4}) EXPECT_EQ(surface.ColourAt(x, 0), Rgb(0x40, 0x50, 0x60)) << x;
}

TEST(SoftwareSurface, BlitsAreClippedAtEveryEdge) {
  const auto source = Coordinates(10, 10);
  const struct {
    const char* name;
    int x, y, sx, sy;
    int drawn;           // pixels that received the source
    int firstX, firstY;  // a destination pixel ...
    int fromX, fromY;    // ... and the source pixel it must show
  } cases[] = {
      {"inside", 5, 5, 0, 0, 100, 5, 5, 0, 0},
      {"off the left and top", -3, -4, 0, 0, 42, 0, 0, 3, 4},
      {"off the right and bottom", 14, 16, 0, 0, 24, 19, 19, 5, 3},
      {"wholly off to the left", -10, 0, 0, 0, 0, -1, -1, 0, 0},
      {"wholly below", 0, 20, 0, 0, 0, -1, -1, 0, 0},
      {"source rectangle past the source's end", 0, 0, 6, 7, 12, 3, 2, 9, 9},
      {"source rectangle before the source's start", 0, 0, -2, -3, 56, 2, 3, 0, 0},
  };
  for (const auto& c : cases) {
    SoftwareSurface surface(20, 20);
    surface.Clear(0);
    surface.BitBlt(c.x, c.y, 10, 10, *source, c.sx, c.sy, Rop::SrcCopy);
    EXPECT_EQ(400 - CountColour(surface, 0), c.drawn) << c.name;
    if (c.firstX >= 0) {
      EXPECT_EQ(SourceX(surface, c.firstX, c.firstY), c.fromX) << c.name;
      EXPECT_EQ(SourceY(surface, c.firstX, c.firstY), c.fromY) << c.name;
    }
  }
}

// A cutout of a mask and a frame draws what their two blits draw, mixed pixels (a grey mask, a
// frame not black outside its mask) and a missing or smaller picture among them, clipped alike.
TEST(SoftwareSurface, ACutoutDrawsThePixelsOfItsBlits) {
  Picture mask(12, 12), frame(12, 12), small(5, 7);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool in = (x - 6) * (x - 6) + (y - 6) * (y - 6) <= 20;
      mask.SetPixel(x, y, in ? 0u : x == 2 ? 0x7F8081u : 0xFFFFFFu);
      frame.SetPixel(x, y, in || y == 1 ? static_cast<std::uint32_t>(x << 16 | y << 8 | 3) : 0u);
    }
  }
  for (int i = 0; i < 35; ++i) small.Pixels()[i] = 0x00A0B0C0u + static_cast<std::uint32_t>(i);
  const std::pair<const Picture*, const Picture*> pairs[] = {
      {&mask, &frame}, {&mask, nullptr}, {nullptr, &frame}, {&mask, &small}};
  for (const auto& [m, f] : pairs) {
    const Cutout cutout = Cutout::Masked(m, f, 12, 12);
    for (const auto& [x, y] : {std::pair{4, 3}, {-5, 4}, {22, 6}, {7, -6}, {9, 12}, {-7, -7},
                               {23, 13}, {-12, 2}}) {
      SoftwareSurface blits(28, 18), cut(28, 18);
      for (SoftwareSurface* s : {&blits, &cut})
        s->StretchBlt(0, 0, 28, 18, *Coordinates(28, 18), 0, 0, 28, 18, Rop::SrcCopy);
      if (m != nullptr) blits.BitBlt(x, y, 12, 12, *m, 0, 0, Rop::SrcAnd);
      if (f != nullptr) blits.BitBlt(x, y, 12, 12, *f, 0, 0, Rop::SrcInvert);
      cut.DrawCutout(x, y, cutout);
      const std::uint32_t* a = blits.Buffer().Pixels();
      EXPECT_TRUE(std::equal(a, a + 28 * 18, cut.Buffer().Pixels())) << x << ", " << y;
    }
  }
}

// Which source column (or row) each destination pixel shows, as GDI's nearest-pixel stretch
// picks it (the figures were read from GDI itself).
TEST(SoftwareSurface, StretchingPicksTheSourcePixelsGdiPicks) {
  const struct {
    int sourceLength, length;
    std::vector<int> columns;  // across: several source pixels on one keep the last
    std::vector<int> rows;     // down: several source rows on one keep the first
  } cases[] = {
      {12, 6, {1, 3, 5, 7, 9, 11}, {0, 2, 4, 6, 8, 10}},
      {5, 13, {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4}, {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4}},
      {4, 4, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {3, 1, {1}, {0}},
  };
  const auto source = Coordinates(20, 20);
  for (const auto& c : cases) {
    SoftwareSurface surface(20, 20);
    surface.StretchBlt(0, 0, c.length, c.length, *source, 0, 0, c.sourceLength, c.sourceLength,
                       Rop::SrcCopy);
    std::vector<int> columns, rows;
    for (int i = 0; i < c.length; ++i) {
      columns.push_back(SourceX(surface, i, 0));
      rows.push_back(SourceY(surface, 0, i));
    }
    EXPECT_EQ(columns, c.columns) << c.sourceLength << " -> " << c.length;
    EXPECT_EQ(rows, c.rows) << c.sourceLength << " -> " << c.length;
  }
}

TEST(SoftwareSurface, AButtonEdgeWidensFrom56To73Pixels) {
  const auto source = Coordinates(64, 4);
  SoftwareSurface surface(81, 4);
  surface.StretchBlt(4, 0, 73, 4, *source, 4, 0, 56, 4, Rop::SrcCopy);
  const std::vector<int> expected = {4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 12, 12};
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(SourceX(surface, 4 + static_cast<int>(i), 0), expected[i]) << i;
  EXPECT_EQ(SourceX(surface, 76, 0), 59) << "the last column shows the edge's last pixel";
  EXPECT_EQ(surface.ColourAt(77, 0), 0u) << "nothing beyond the destination";
}

TEST(SoftwareSurface, StretchingIsClippedAndIgnoresEmptyRectangles) {
  const auto source = Coordinates(10, 10);
  SoftwareSurface surface(10, 10);
  surface.StretchBlt(-5, -5, 20, 20, *source, 0, 0, 10, 10, Rop::SrcCopy);
  EXPECT_EQ(SourceX(surface, 0, 0), 2);
  EXPECT_EQ(SourceX(surface, 9, 9), 7);
  SoftwareSurface untouched(4, 4);
  untouched.StretchBlt(0, 0, 0, 4, *source, 0, 0, 4, 4, Rop::SrcCopy);
  untouched.StretchBlt(0, 0, 4, 4, *source, 0, 0, 4, -1, Rop::SrcCopy);
  EXPECT_EQ(CountColour(untouched, 0), 16);
}

TriVertex Vertex(int x, int y, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
  return TriVertex{x, y, r, g, b, 0};
}

TEST(SoftwareSurface, AVerticalGradientRunsFromTheTopVertexAndLeavesTheLastRowAndColumn) {
  // The image button's fill: vertex 0 white at the top-left, vertex 1 lavender grey at the
  // bottom-right, the mesh naming vertex 1 as its upper-left corner.
  const TriVertex vertices[] = {Vertex(0, 0, 0xFF00, 0xFF00, 0xFF00),
                                Vertex(80, 24, 0xC600, 0xC500, 0xD700)};
  const GradientRect mesh = {1, 0};
  SoftwareSurface surface(81, 25);
  surface.Clear(kGrey);
  ASSERT_TRUE(surface.GradientFill(vertices, 2, &mesh, 1, kGradientFillRectV));
  EXPECT_EQ(surface.ColourAt(0, 0), Rgb(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(surface.ColourAt(79, 0), Rgb(0xFF, 0xFF, 0xFF));
  // Row 23 is 23/24 of the way: 0xFF00 + (0xC600 - 0xFF00) * 23 / 24 = 0xC860 -> 0xC8.
  EXPECT_EQ(surface.ColourAt(40, 23), Rgb(0xC8, 0xC7, 0xD8));
  for (int x = 0; x < 81; ++x) EXPECT_EQ(surface.ColourAt(x, 24), kGrey) << "last row, x " << x;
  for (int y = 0; y < 25; ++y) EXPECT_EQ(surface.ColourAt(80, y), kGrey) << "last column, y " << y;
  // Every row has one colour, getting darker downwards.
  for (int y = 1; y < 24; ++y) {
    EXPECT_EQ(surface.ColourAt(0, y), surface.ColourAt(79, y));
    EXPECT_LE(RedOf(surface.ColourAt(0, y)), RedOf(surface.ColourAt(0, y - 1)));
  }

  // Reversed vertices give the reversed gradient.
  const TriVertex reversed[] = {Vertex(0, 0, 0xC600, 0xC500, 0xD700),
                                Vertex(80, 24, 0xFF00, 0xFF00, 0xFF00)};
  surface.GradientFill(reversed, 2, &mesh, 1, kGradientFillRectV);
  EXPECT_EQ(surface.ColourAt(10, 0), Rgb(0xC6, 0xC5, 0xD7));
}

TEST(SoftwareSurface, AHorizontalGradientRunsLeftToRight) {
  const TriVertex vertices[] = {Vertex(0, 0, 0, 0, 0), Vertex(4, 2, 0x8000, 0x4000, 0xFF00)};
  const GradientRect mesh = {0, 1};
  SoftwareSurface surface(5, 3);
  ASSERT_TRUE(surface.GradientFill(vertices, 2, &mesh, 1, kGradientFillRectH));
  EXPECT_EQ(surface.ColourAt(0, 1), Rgb(0, 0, 0));
  EXPECT_EQ(surface.ColourAt(2, 0), Rgb(0x40, 0x20, 0x7F));
  EXPECT_EQ(surface.ColourAt(2, 1), surface.ColourAt(2, 0));
}

// The program fills rectangles only; a vertex index out of range fails as it does in GDI.
TEST(SoftwareSurface, GradientFillRejectsBadIndicesAndTriangles) {
  const TriVertex vertices[] = {Vertex(0, 0, 0, 0, 0), Vertex(4, 4, 0xFF00, 0, 0)};
  SoftwareSurface surface(5, 5);
  const GradientRect badIndex = {0, 2};
  EXPECT_FALSE(surface.GradientFill(vertices, 2, &badIndex, 1, kGradientFillRectV));
  const GradientRect mesh = {0, 1};
  EXPECT_FALSE(surface.GradientFill(vertices, 2, &mesh, 1, 2));  // triangles: not supported
  EXPECT_EQ(CountColour(surface, 0), 25);
}

std::vector<std::pair<int, int>> LinePoints(int x1, int y1, int x2, int y2) {
  SoftwareSurface surface(12, 12);
  surface.Line(x1, y1, x2, y2, Rgb(255, 255, 255));
  std::vector<std::pair<int, int>> points;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      if (surface.ColourAt(x, y) != 0) points.emplace_back(x, y);
    }
  }
  return points;
}

TEST(SoftwareSurface, LinesLeaveOutTheirLastPointAndBreakTiesAsGdiDoes) {
  using P = std::vector<std::pair<int, int>>;
  EXPECT_EQ(LinePoints(1, 3, 5, 3), (P{{1, 3}, {2, 3}, {3, 3}, {4, 3}}));
  EXPECT_EQ(LinePoints(2, 5, 2, 1), (P{{2, 2}, {2, 3}, {2, 4}, {2, 5}}));
  // Exactly half-way steps: going down they step early, going up they step late.
  EXPECT_EQ(LinePoints(0, 8, 4, 10), (P{{0, 8}, {1, 8}, {2, 9}, {3, 9}}));
  EXPECT_EQ(LinePoints(0, 10, 4, 8), (P{{3, 8}, {1, 9}, {2, 9}, {0, 10}}));
  EXPECT_EQ(LinePoints(4, 4, 4, 4), P{});
  // Clipped: the part inside is the same as that of the whole line.
  EXPECT_EQ(LinePoints(-4, 0, 4, 4), (P{{0, 2}, {1, 2}, {2, 3}, {3, 3}}));
}

TEST(SoftwareSurface, ResizingGivesABlackBufferOfTheNewSize) {
  SoftwareSurface surface(3, 3);
  surface.Clear(kGrey);
  surface.Present();
  surface.Resize(5, 2);
  EXPECT_EQ(surface.Width(), 5);
  EXPECT_EQ(surface.Height(), 2);
  EXPECT_EQ(CountColour(surface, 0), 10);
  EXPECT_EQ(surface.Presents(), 1);
}

TEST(Scaling, PercentsAndPixelsOfTheDesignAtAScale) {
  for (const auto& [dpi, percent] : {std::pair{96, 100},
                                     {120, 125},
                                     {144, 150},
                                     {168, 175},
                                     {192, 200},
                                     {288, 300},
                                     {110, 115},
                                     {0, 100}}) {
    EXPECT_EQ(ScalePercent(dpi), percent) << dpi;
  }
  EXPECT_EQ(ScaledPixels(60, 125), 75);
  EXPECT_EQ(ScaledPixels(295, 125), 369);
  EXPECT_EQ(ScaledPixels(295, 150), 442) << "442.5: the even neighbour";
  EXPECT_EQ(ScaledPixels(-10, 150), -15);
}

// A picture of two cells across, one red and one blue, each with a white left half.
PicturePtr TwoCells(int cellWidth, int height) {
  auto picture = std::make_shared<Picture>(2 * cellWidth, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 2 * cellWidth; ++x) {
      const bool left = x % cellWidth < cellWidth / 2;
      picture->SetPixel(x, y, left ? 0xFFFFFFu : x < cellWidth ? 0xFF0000u : 0x0000FFu);
    }
  }
  return picture;
}

TEST(Scaling, APictureDrawnForTheScaleElseTheNextLargerResampledCellByCell) {
  testing::FakeOs os;
  testing::HeadlessBackend backend{os};
  backend.pictures[7] = TwoCells(4, 2);
  backend.pictures[ScaledResourceId(7, 200)] = TwoCells(8, 4);
  backend.pictures[ScaledResourceId(7, 300)] = TwoCells(12, 6);
  EXPECT_EQ(LoadPictureAt(backend, 7, 100), backend.pictures[7]);
  EXPECT_EQ(LoadPictureAt(backend, 7, 200), backend.pictures[ScaledResourceId(7, 200)]);

  // 125 % from 200 %: cells 5 x 2.5 -> 2 pixels; each pixel the average of what it covers, and
  // the second cell takes nothing from the first.
  const PicturePtr small = LoadPictureAt(backend, 7, 125, {2, 1});
  ASSERT_TRUE(small);
  EXPECT_EQ(small->Width(), 10);
  EXPECT_EQ(small->Height(), 2);
  EXPECT_EQ(small->Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(small->Pixel(2, 1), 0xFF8080u) << "half white, half red";
  EXPECT_EQ(small->Pixel(4, 0), 0xFF0000u);
  EXPECT_EQ(small->Pixel(5, 0), 0xFFFFFFu) << "the blue cell starts white";
  EXPECT_EQ(small->Pixel(9, 1), 0x0000FFu);
  // 250 % from 300 %, 400 % from the largest below.
  EXPECT_EQ(LoadPictureAt(backend, 7, 250, {2, 1})->Width(), 20);
  const PicturePtr large = LoadPictureAt(backend, 7, 400, {2, 1});
  ASSERT_TRUE(large);
  EXPECT_EQ(large->Width(), 32);
  EXPECT_EQ(large->Pixel(31, 7), 0x0000FFu);
  EXPECT_EQ(LoadPictureAt(backend, 8, 150), nullptr) << "no picture of that id at any scale";
}

TEST(Scaling, AResampledMaskIsAnAndMaskAgain) {
  Picture mask(4, 1);
  for (const auto& [x, pixel] :
       {std::pair{0, 0x000000u}, {1, 0x7F7F7Fu}, {2, 0x808080u}, {3, 0xF0F0F0u}}) {
    mask.SetPixel(x, 0, pixel);
  }
  SharpenMask(mask);
  EXPECT_EQ(mask.Pixel(0, 0), 0u);
  EXPECT_EQ(mask.Pixel(1, 0), 0u);
  EXPECT_EQ(mask.Pixel(2, 0), 0xFFFFFFu);
  EXPECT_EQ(mask.Pixel(3, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace quarlo::fw
