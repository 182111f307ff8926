#include "saver/sprite_engine.h"
#include "support/software_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <set>
#include <utility>

namespace quarlo::saver {
namespace {

// Hands out the numbers a test lists, in order, and counts what was drawn.
class ScriptedRandom final : public RandomSource {
 public:
  void Randomize(double seed) override { seeds.push_back(seed); }
  double Rnd() override {
    ++drawn;
    if (values.empty()) return 0.0;
    const double value = values.front();
    values.pop_front();
    return value;
  }
  std::deque<double> values;
  std::vector<double> seeds;
  int drawn = 0;
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

fw::PicturePtr MakePicture(int width, int height,
                           const std::function<std::uint32_t(int, int)>& pixel) {
  auto picture = std::make_shared<fw::Picture>(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture->SetPixel(x, y, pixel(x, y));
  }
  return picture;
}

// A sprite that fills a disc of radius 20 around (30, 30): the frame holds a colour pattern
// there and black elsewhere; the mask is black on the disc and white elsewhere.
bool InDisc(int x, int y) { return (x - 30) * (x - 30) + (y - 30) * (y - 30) <= 400; }
std::uint32_t DiscColour(int index, int x, int y) {
  return 0x101010u * static_cast<std::uint32_t>(index % 8 + 1) + static_cast<std::uint32_t>(x * 2) +
         (static_cast<std::uint32_t>(y) << 9);
}

struct Art {
  Art() {
    for (int i = 0; i < kSpriteFrames; ++i) {
      frames[i] = MakePicture(
          60, 60, [i](int x, int y) { return InDisc(x, y) ? DiscColour(i, x, y) : 0u; });
      masks[i] = MakePicture(60, 60, [](int x, int y) { return InDisc(x, y) ? 0u : kWhite; });
    }
    // Each cell of the sheet has its own colour in its top-left pixel, the rest a gradient.
    sheet = MakePicture(1024, 1180, [](int x, int y) {
      return static_cast<std::uint32_t>((x / kCellWidth) << 20 | (y / kCellHeight) << 16 |
                                        (x % 128) << 8 | (y % 256));
    });
  }
  SpriteCutouts Sprites(int percent = 100) const { return CutSprites(frames, masks, percent); }
  WalkCells Cells() const { return CutCells(sheet.get(), 100); }
  SpritePictures frames, masks;
  fw::PicturePtr sheet;
};

// A background every pixel of which differs from its neighbours.
void PaintBackground(testing::SoftwareSurface& surface) {
  auto picture = MakePicture(surface.Width(), surface.Height(), [](int x, int y) {
    return static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF) << 8 | 0x400000u |
           static_cast<std::uint32_t>(y & 0x3F);
  });
  surface.BitBlt(0, 0, surface.Width(), surface.Height(), *picture, 0, 0, fw::Rop::SrcCopy);
}

// --- Geometry -------------------------------------------------------------------------------

TEST(WalkerPosition, CentresTheCellTruncatingTowardZero) {
  struct Case {
    double w, h;
    int x, y;
  };
  const Case cases[] = {
      {1024, 768, 448, 236}, {1920, 1080, 896, 392}, {128, 295, 0, 0},
      {127, 294, 0, 0},      // -1 div 2 is 0, not -1
      {100, 200, -14, -47},  // -95 div 2 is -47, not -48
      {0, 0, -64, -147},     {129, 296, 0, 0},       {131, 298, 1, 1},
  };
  for (const Case& c : cases) {
    const auto at = WalkerPosition(c.w, c.h);
    ASSERT_TRUE(at.has_value()) << c.w << " x " << c.h;
    EXPECT_EQ(*at, (os::Point{c.x, c.y})) << c.w << " x " << c.h;
  }
  EXPECT_FALSE(WalkerPosition(std::nan(""), 768).has_value());
  EXPECT_FALSE(WalkerPosition(1024, 1e12).has_value());
}

TEST(SwayX, UsesTheFactor628AndThreeEighthsOfTheFullWidth) {
  struct Case {
    float baseX, swing, phase;
    double wfull, x;
  };
  const Case cases[] = {
      {100, 250, 10, 1024, 476.08},  // with 2 pi it would be 484
      {0, 0, 0, 1024, 384},
      {0, 275, 0, 800, 300},            // sin 0 = 0 whatever the swing
      {0, 200, 0.25f, 1024, 583.9993},  // sin(1.57) just under 1
      {50, 200, 100, 1920, 736.16},     // sin(628) = -0.3965.., cos(1) = 0.5403..
  };
  for (const Case& c : cases) {
    Sprite sprite;
    sprite.BaseX = c.baseX;
    sprite.Swing = c.swing;
    sprite.Phase = c.phase;
    EXPECT_NEAR(SwayX(sprite, c.wfull), c.x, 0.01) << c.baseX << " " << c.swing << " " << c.phase;
  }
}

// --- Cycles ---------------------------------------------------------------------------------

TEST(Turn, StepsEverySixFramesAndWrapsInBothDirections) {
  struct Case {
    float spin, frame, tick;
    float frameAfter, tickAfter;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 1},  {0, 0, 4, 0, 5}, {0, 0, 5, 1, 0},  {0, 21, 5, 22, 0},
      {0, 22, 5, 0, 0}, {1, 5, 5, 4, 0}, {1, 0, 5, 22, 0}, {1, 22, 3, 22, 4},
  };
  for (const Case& c : cases) {
    Sprite sprite;
    sprite.Spin = c.spin;
    sprite.FrameIndex = c.frame;
    sprite.SpinTick = c.tick;
    Turn(sprite);
    EXPECT_EQ(sprite.FrameIndex, c.frameAfter)
        << "spin " << c.spin << " from " << c.frame << "/" << c.tick;
    EXPECT_EQ(sprite.SpinTick, c.tickAfter)
        << "spin " << c.spin << " from " << c.frame << "/" << c.tick;
  }
}

TEST(Turn, VisitsAll23FramesInTurnAndNever23) {
  for (const float spin : {0.0f, 1.0f}) {
    Sprite sprite;
    sprite.Spin = spin;
    std::vector<float> visited;
    for (int frame = 0; frame < 23 * 6; ++frame) {
      Turn(sprite);
      if (sprite.SpinTick == 0) visited.push_back(sprite.FrameIndex);
    }
    ASSERT_EQ(visited.size(), 23u);
    for (std::size_t step = 0; step < visited.size(); ++step) {
      const int expected =
          spin == 0 ? static_cast<int>(step + 1) % 23 : (22 - static_cast<int>(step) + 23) % 23;
      EXPECT_EQ(visited[step], static_cast<float>(expected)) << "spin " << spin << " step " << step;
    }
    EXPECT_EQ(sprite.FrameIndex, 0) << "back at the start after a full turn";
  }
}

TEST(Walk, ShowsEachOf32CellsForSixFramesRightToLeftTopToBottom) {
  ScriptedRandom random;
  SpriteEngine engine(random);
  engine.WalkColumn = 3;
  engine.WalkRow = 2;
  engine.WalkTick = 4;
  engine.StartWalk();
  for (int frame = 0; frame < 2 * 192; ++frame) {
    const int cell = frame / 6 % 32;
    ASSERT_EQ(engine.WalkColumn, 7 - cell % 8) << "frame " << frame;
    ASSERT_EQ(engine.WalkRow, cell / 8) << "frame " << frame;
    engine.AdvanceWalk();
  }
  EXPECT_EQ(engine.WalkTick, 0);
}

// --- Set-up ---------------------------------------------------------------------------------

TEST(SetUp, AllocatesCountPlusOneSpritesAndNoneForANegativeCount) {
  struct Case {
    std::int16_t count;
    std::size_t sprites;
  };
  const Case cases[] = {{50, 51}, {0, 1}, {300, 301}, {32767, 32768}, {-1, 0}, {-32768, 0}};
  for (const Case& c : cases) {
    ScriptedRandom random;
    SpriteEngine engine(random);
    engine.SetUp(c.count, 768, 1.0, nullptr);
    EXPECT_EQ(engine.Sprites().size(), c.sprites) << c.count;
    EXPECT_EQ(random.drawn, static_cast<int>(3 * c.sprites)) << c.count;
    EXPECT_EQ(random.seeds, std::vector<double>{1.0}) << "seeded once even without sprites";
  }
}

TEST(SetUp, DrawsHeightSpeedAndDirectionPerSpriteInThatOrder) {
  ScriptedRandom random;
  random.values = {0.5, 0.25, 0.7, 0.1, 0.99, 0.49};
  SpriteEngine engine(random);
  testing::SoftwareSurface display(40, 30);
  display.Clear(fw::Rgb(9, 9, 9));
  engine.SetUp(1, 768, 45296.25, &display);

  EXPECT_EQ(random.seeds, std::vector<double>{45296.25});
  const auto& s = engine.Sprites();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_FLOAT_EQ(s[0].PosY, 384);
  EXPECT_FLOAT_EQ(s[0].Speed, 0.55f);
  EXPECT_EQ(s[0].Spin, 1);
  EXPECT_FLOAT_EQ(s[1].PosY, 76.8f);
  EXPECT_FLOAT_EQ(s[1].Speed, 0.698f);
  EXPECT_EQ(s[1].Spin, 0);
  for (const Sprite& sprite : s) {
    EXPECT_EQ(sprite.BaseX, 0);
    EXPECT_EQ(sprite.Swing, 0);
    EXPECT_EQ(sprite.Phase, 0);
    EXPECT_EQ(sprite.Shown, 0);
    EXPECT_EQ(sprite.FrameIndex, 0);
    EXPECT_EQ(sprite.SpinTick, 0);
  }
  EXPECT_EQ(display.ColourAt(0, 0), 0u) << "the display is cleared to black";
  EXPECT_EQ(display.ColourAt(39, 29), 0u);
}

// --- Falling and respawning -----------------------------------------------------------------

TEST(Fall, RespawnsOnlyWhenTheTopEdgeIsPastTheBottom) {
  ScriptedRandom random;
  SpriteEngine engine(random);
  Sprite sprite;
  sprite.PosY = 767.5f;
  sprite.Speed = 0.5f;
  sprite.Phase = 10;
  sprite.Spin = 1;
  sprite.SpinTick = 3;
  sprite.FrameIndex = 17;

  engine.Fall(sprite, 1024, 768);  // PosY reaches 768 = H exactly: no respawn
  EXPECT_EQ(sprite.PosY, 768);
  EXPECT_EQ(sprite.Phase, 12);
  EXPECT_EQ(random.drawn, 0);

  random.values = {0.3, 0.4, 0.5, 0.6};
  engine.Fall(sprite, 1024, 768);  // 768.5 > 768
  EXPECT_EQ(random.drawn, 4);
  EXPECT_FLOAT_EQ(sprite.BaseX, 102.4f);  // 0.3 x 1024 / 3
  EXPECT_FLOAT_EQ(sprite.Swing, 230);     // 0.4 x 75 + 200
  EXPECT_FLOAT_EQ(sprite.Phase, 1.5f);    // 0.5 x 3
  EXPECT_EQ(sprite.PosY, -10);
  EXPECT_FLOAT_EQ(sprite.Speed, 0.62f);  // 0.6 x 0.2 + 0.5
  EXPECT_EQ(sprite.Shown, 1);
  EXPECT_EQ(sprite.Spin, 1) << "direction, tick and frame survive the respawn";
  EXPECT_EQ(sprite.SpinTick, 3);
  EXPECT_EQ(sprite.FrameIndex, 17);
}

TEST(Fall, AlternatesBetweenUnseenAndSeenFalls) {
  ScriptedRandom random;
  SpriteEngine engine(random);
  Sprite sprite;
  sprite.Speed = 0.5f;
  std::vector<float> shownAfterRespawn;
  for (int respawn = 0; respawn < 4; ++respawn) {
    sprite.PosY = 1000;
    engine.Fall(sprite, 1024, 768);
    shownAfterRespawn.push_back(sprite.Shown);
  }
  EXPECT_EQ(shownAfterRespawn, (std::vector<float>{1, 0, 1, 0}));
}

// --- Drawing --------------------------------------------------------------------------------

// The engine with sprites set by the test, drawing on a software display.
struct Scene {
  explicit Scene(int width, int height) : engine(random), display(width, height) {}
  Sprite& Add(float x0, float posY) {
    Sprite sprite;
    sprite.Shown = 1;
    sprite.Speed = 0.5f;
    sprite.PosY = posY - 0.5f;  // the frame's fall brings it to posY
    sprite.BaseX = x0 - ToSingle(display.Width() / 8.0 * 3);
    sprite.Phase = -2;  // the frame's step brings it to 0, where the sway is 0
    engine.Sprites().push_back(sprite);
    return engine.Sprites().back();
  }
  void Frame() {
    engine.AnimateSprites(&display, art.Sprites(), display.Width(), display.Height(),
                          display.Width());
  }
  ScriptedRandom random;
  SpriteEngine engine;
  testing::SoftwareSurface display;
  Art art;
};

TEST(Draw, MaskAndFramePaintTheSpriteAndLeaveTheBackgroundPixelForPixel) {
  Scene scene(200, 150);
  PaintBackground(scene.display);
  fw::Picture background(200, 150);
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x) background.SetPixel(x, y, scene.display.Buffer().Pixel(x, y));
  }
  scene.Add(70, 40).FrameIndex = 5;
  scene.Frame();

  int spritePixels = 0;
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x) {
      const int sx = x - 70, sy = y - 40;
      const bool inSprite = sx >= 0 && sx < 60 && sy >= 0 && sy < 60 && InDisc(sx, sy);
      const std::uint32_t expected = inSprite ? DiscColour(5, sx, sy) : background.Pixel(x, y);
      spritePixels += inSprite;
      ASSERT_EQ(scene.display.Buffer().Pixel(x, y), expected) << "at " << x << ", " << y;
    }
  }
  EXPECT_GT(spritePixels, 1200);
}

TEST(Draw, RoundsThePositionHalfToEven) {
  struct Case {
    float x, y;
    int left, top;
  };
  const Case cases[] = {{20.5f, 10.5f, 20, 10}, {21.5f, 11.5f, 22, 12}, {20.25f, 10.75f, 20, 11}};
  for (const Case& c : cases) {
    Scene scene(120, 100);
    Sprite& sprite = scene.Add(0, c.y);
    sprite.BaseX = c.x - ToSingle(120 / 8.0 * 3);
    for (int i = 0; i < kSpriteFrames; ++i) {
      scene.art.frames[i] = MakePicture(60, 60, [](int, int) { return kRed; });
      scene.art.masks[i] = MakePicture(60, 60, [](int, int) { return 0u; });
    }
    scene.Frame();
    EXPECT_EQ(scene.display.ColourAt(c.left, c.top), fw::ColourOf(kRed)) << c.x << ", " << c.y;
    EXPECT_EQ(scene.display.ColourAt(c.left - 1, c.top), 0u) << c.x << ", " << c.y;
    EXPECT_EQ(scene.display.ColourAt(c.left, c.top - 1), 0u) << c.x << ", " << c.y;
  }
}

TEST(Draw, AHigherIndexCoversALowerOneAndUnseenSpritesAreNeitherDrawnNorTurned) {
  Scene scene(120, 100);
  scene.Add(30, 20).FrameIndex = 1;
  scene.Add(30, 20).FrameIndex = 2;
  Sprite& unseen = scene.Add(0, 0);
  unseen.Shown = 0;
  unseen.FrameIndex = 9;
  unseen.SpinTick = 5;
  scene.Frame();
  EXPECT_EQ(scene.display.Buffer().Pixel(30 + 30, 20 + 30), DiscColour(2, 30, 30));
  EXPECT_EQ(scene.display.Buffer().Pixel(0 + 30, 0 + 30), 0u) << "the unseen sprite is not drawn";
  EXPECT_EQ(unseen.SpinTick, 5);
  EXPECT_EQ(unseen.FrameIndex, 9);
  EXPECT_EQ(scene.engine.Sprites()[0].SpinTick, 1) << "shown sprites turn";
}

TEST(Draw, ClipsAtTheEdgesAndOnTinyScreens) {
  struct Case {
    int width, height;
    float x, y;
  };
  const Case cases[] = {{200, 150, -30, -10}, {200, 150, 170, 120}, {200, 150, -70, 40},
                        {200, 150, 500, 900}, {10, 10, -25, -25},   {1, 1, 0, 0},
                        {0, 0, 0, 0}};
  for (const Case& c : cases) {
    Scene scene(c.width, c.height);
    scene.Add(c.x, c.y);
    scene.Frame();
    scene.engine.DrawWalker(scene.display, scene.art.Cells(), c.width, c.height);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const int sx = x - static_cast<int>(c.x), sy = y - static_cast<int>(c.y);
        const bool inSprite = sx >= 0 && sx < 60 && sy >= 0 && sy < 60 && InDisc(sx, sy);
        const auto walker = WalkerPosition(c.width, c.height);
        const int fx = x - walker->x, fy = y - walker->y;
        // The figure is opaque and drawn last here, so it covers everything in its cell.
        const bool inFigure = fx >= 0 && fx < 128 && fy >= 0 && fy < 295;
        const std::uint32_t expected = inFigure   ? scene.art.sheet->Pixel(7 * 128 + fx, fy)
                                       : inSprite ? DiscColour(0, sx, sy)
                                                  : 0u;
        ASSERT_EQ(scene.display.Buffer().Pixel(x, y), expected)
            << c.width << " x " << c.height << " at " << x << ", " << y;
      }
    }
  }
}

TEST(Draw, TheWalkerCopiesItsCellOpaquelyAtTheCentre) {
  Art art;
  ScriptedRandom random;
  SpriteEngine engine(random);
  testing::SoftwareSurface display(1024, 768);
  PaintBackground(display);
  engine.WalkColumn = 2;
  engine.WalkRow = 3;
  engine.DrawWalker(display, art.Cells(), 1024, 768);
  for (const auto& [dx, dy] : {std::pair{0, 0}, {127, 0}, {0, 294}, {127, 294}, {64, 150}}) {
    EXPECT_EQ(display.Buffer().Pixel(448 + dx, 236 + dy),
              art.sheet->Pixel(2 * 128 + dx, 3 * 295 + dy))
        << dx << ", " << dy;
  }
  EXPECT_NE(display.Buffer().Pixel(447, 236), art.sheet->Pixel(2 * 128 - 1, 3 * 295));
  EXPECT_NE(display.Buffer().Pixel(448 + 128, 236), art.sheet->Pixel(3 * 128, 3 * 295));
}

// Records every picture drawn: where, how large, and the cutout itself.
class BlitRecorder final : public fw::Surface {
 public:
  int Width() const override { return 4000; }
  int Height() const override { return 3000; }
  void Clear(fw::Colour) override {}
  void BitBlt(int, int, int, int, const fw::Picture&, int, int, fw::Rop) override {}
  void StretchBlt(int, int, int, int, const fw::Picture&, int, int, int, int, fw::Rop) override {}
  bool GradientFill(const fw::TriVertex*, std::uint32_t, const fw::GradientRect*, std::uint32_t,
                    std::uint32_t) override {
    return false;
  }
  void Line(int, int, int, int, fw::Colour) override {}
  void DrawCutout(int x, int y, const fw::Cutout& cutout) override {
    drawn.push_back({x, y, cutout.Width(), cutout.Height()});
    cutouts.push_back(&cutout);
  }
  void Present() override {}
  std::vector<std::array<int, 4>> drawn;
  std::vector<const fw::Cutout*> cutouts;
};

TEST(Draw, AtEveryScaleEachPictureLandsAtTheDesignPositionTimesTheScale) {
  // The sprite at (101, 47) and the walker's cell in column 7 on a 1024 x 768 design screen.
  struct Case {
    int percent;
    std::array<int, 4> sprite, walker;
  };
  const Case cases[] = {
      {100, {101, 47, 60, 60}, {448, 236, 128, 295}},
      {125, {126, 59, 75, 75}, {560, 295, 160, 369}},
      {150, {152, 70, 90, 90}, {672, 354, 192, 442}},  // halves to even
      {175, {177, 82, 105, 105}, {784, 413, 224, 516}},
      {200, {202, 94, 120, 120}, {896, 472, 256, 590}},
      {300, {303, 141, 180, 180}, {1344, 708, 384, 885}},
  };
  for (const Case& c : cases) {
    Scene scene(1024, 768);
    scene.engine.SetScale(c.percent);
    scene.Add(101, 47);
    const WalkCells cells = CutCells(scene.art.sheet.get(), c.percent);
    BlitRecorder recorder;
    scene.engine.AnimateSprites(&recorder, scene.art.Sprites(c.percent), 1024, 768, 1024);
    scene.engine.DrawWalker(recorder, cells, 1024, 768);
    ASSERT_EQ(recorder.drawn.size(), 2u) << c.percent;
    EXPECT_EQ(recorder.drawn[0], c.sprite) << c.percent << " %: the sprite";
    EXPECT_EQ(recorder.drawn[1], c.walker) << c.percent << " %: the walker";
    EXPECT_EQ(recorder.cutouts[1], &cells[7]) << c.percent << " %: the walker's cell";
  }
}

TEST(Draw, MissingOrOddSizedPicturesAreSkippedOrClipped) {
  Scene scene(120, 100);
  scene.art.frames[3] = nullptr;  // mask only: the disc is blackened
  scene.art.masks[4] = nullptr;   // frame only: its colours are xor-ed onto the background
  scene.art.frames[5] = MakePicture(10, 10, [](int, int) { return kGreen; });
  scene.display.Clear(fw::Rgb(0, 0, 0xFF));
  scene.Add(0, 0).FrameIndex = 3;
  scene.Add(60, 0).FrameIndex = 4;
  scene.Add(0, 60).FrameIndex = 5;
  scene.Frame();
  scene.engine.DrawWalker(scene.display, {}, 120, 100);
  EXPECT_EQ(scene.display.Buffer().Pixel(30, 30), 0u);
  EXPECT_EQ(scene.display.Buffer().Pixel(1, 1), 0x0000FFu);
  EXPECT_EQ(scene.display.Buffer().Pixel(90, 30), DiscColour(4, 30, 30) ^ 0x0000FFu);
  // The 10 x 10 frame covers only the corner of its place; the rest keeps the mask's work.
  EXPECT_EQ(scene.display.Buffer().Pixel(1, 61), 0x0000FFu ^ kGreen);
  EXPECT_EQ(scene.display.Buffer().Pixel(11, 61), 0x0000FFu);
  EXPECT_EQ(scene.display.Buffer().Pixel(30, 90), 0u) << "disc blackened, no frame pixels there";
}

TEST(Draw, AFreshlySetUpScreenShowsNoSpriteUntilOneRespawns) {
  ScriptedRandom random;
  for (int i = 0; i < 51; ++i) random.values.insert(random.values.end(), {i / 60.0, 0.5, 0.5});
  SpriteEngine engine(random);
  testing::SoftwareSurface display(1024, 768);
  Art art;
  engine.SetUp(50, 768, 0, &display);
  random.values = {0.5, 0.5, 0.5, 0.5};  // the respawn of sprite 50, at 50/60 of H
  int frame = 0;
  auto anythingDrawn = [&] {
    const std::uint32_t* pixels = display.Buffer().Pixels();
    return std::any_of(pixels, pixels + 1024 * 768, [](std::uint32_t p) { return p != 0; });
  };
  for (; frame < 300 && !anythingDrawn(); ++frame) {
    display.Clear(0);
    engine.AnimateSprites(&display, art.Sprites(), 1024, 768, 1024);
  }
  // Sprite 50 starts at 640 px and falls 0.6 px a frame: it passes 768 on frame 214.
  EXPECT_EQ(frame, 214);
  EXPECT_EQ(engine.Sprites()[50].Shown, 1);
  EXPECT_EQ(engine.Sprites()[50].PosY, -10);
  // Only its lower rows are visible at the top edge.
  for (int x = 0; x < 1024; ++x) EXPECT_EQ(display.Buffer().Pixel(x, 50), 0u) << x;
}

TEST(Draw, NoSpritesForANegativeCountWhileTheFigureStillWalks) {
  ScriptedRandom random;
  SpriteEngine engine(random);
  testing::SoftwareSurface display(1024, 768);
  Art art;
  engine.SetUp(-1, 768, 0, &display);
  engine.StartWalk();
  for (int frame = 0; frame < 6; ++frame) {
    engine.AnimateSprites(&display, art.Sprites(), 1024, 768, 1024);
    engine.DrawWalker(display, art.Cells(), 1024, 768);
    engine.AdvanceWalk();
  }
  EXPECT_EQ(random.drawn, 0);
  EXPECT_EQ(engine.WalkColumn, 6);
  EXPECT_EQ(display.Buffer().Pixel(448, 236), art.sheet->Pixel(7 * 128, 0));
}

TEST(TwisterRandom, GivesUniformValuesBelowOneRepeatableFromTheSeed) {
  TwisterRandom a, b, c;
  a.Randomize(45296.25);
  b.Randomize(45296.25);
  c.Randomize(45296.5);
  double sum = 0, low = 1, high = 0;
  int differences = 0;
  for (int i = 0; i < 20000; ++i) {
    const double value = a.Rnd();
    ASSERT_GE(value, 0.0);
    ASSERT_LT(value, 1.0);
    ASSERT_EQ(value, b.Rnd());
    differences += value != c.Rnd();
    sum += value;
    low = std::min(low, value);
    high = std::max(high, value);
  }
  EXPECT_NEAR(sum / 20000, 0.5, 0.01);
  EXPECT_LT(low, 0.001);
  EXPECT_GT(high, 0.999);
  EXPECT_GT(differences, 19990) << "a different seed gives a different sequence";
}

}  // namespace
}  // namespace quarlo::saver
