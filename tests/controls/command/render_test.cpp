// The button's face: gradient direction and colours, the eight slices in pixels, the caption's
// place, and the pixels a drawing leaves on the surface.

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "command_fixture.h"

namespace quarlo::testing {
namespace {

using State = Command::State;
using Strings = std::vector<std::string>;

TEST(GradientColour, DigitsAreReadInWrittenOrderIntoHighBytes) {
  EXPECT_EQ(ReadGradientColour("&HC6C5D7"), (GradientChannels{0xC600, 0xC500, 0xD700}));
  EXPECT_EQ(ReadGradientColour("&HFFFFFF"), (GradientChannels{0xFF00, 0xFF00, 0xFF00}));
  // Not the platform's blue-green-red order: the first pair is red.
  EXPECT_EQ(ReadGradientColour("&H102030"), (GradientChannels{0x1000, 0x2000, 0x3000}));
  // Leading zeros are not written back, so the pairs shift.
  EXPECT_EQ(ReadGradientColour("&H0A0B0C"), (GradientChannels{0xA000, 0xB000, 0x0C00}));
  EXPECT_EQ(ReadGradientColour("white"), std::nullopt);
}

class RenderTest : public CommandTest {
 protected:
  std::string GradientCall() {
    for (const std::string& call : surface().calls) {
      if (call.rfind("GradientFill", 0) == 0) return call;
    }
    return "(none)";
  }
  fw::Colour Pixel(int x, int y) { return surface().Canvas().ColourAt(x, y); }
};

TEST_F(RenderTest, OneDrawingIsClearGradientEightPiecesAndPresent_1215x375) {
  LoadEnabled();
  button().GetVisible();  // draws Normal
  EXPECT_EQ(surface().calls,
            lines({
                "Clear(D8E9EC)",
                "GradientFill((0, 0 FF00 FF00 FF00 0), (80, 24 C600 C500 D700 0), [1 0], mode 1)",
                "Present()",
                "BitBlt(0, 0, 4, 4, Normal, 0, 0)",
                "StretchBlt(4, 0, 73, 4, Normal, 4, 0, 56, 4)",
                "BitBlt(77, 0, 4, 4, Normal, 60, 0)",
                "StretchBlt(77, 4, 4, 17, Normal, 60, 4, 4, 17)",
                "BitBlt(77, 21, 4, 4, Normal, 60, 21)",
                "StretchBlt(4, 21, 73, 4, Normal, 4, 21, 56, 4)",
                "BitBlt(0, 21, 4, 4, Normal, 0, 21)",
                "StretchBlt(0, 4, 4, 17, Normal, 0, 4, 4, 17)",
                "Present()",
            }));
  EXPECT_EQ(button().LblMsg.Top(), 80);
  EXPECT_EQ(button().LblMsg.Left(), 0);
  EXPECT_EQ(button().LblMsg.Width(), 1215);
  EXPECT_EQ(button().LblMsg.Height(), 195);
}

TEST_F(RenderTest, SmallButtonSlices_435x315) {
  Build(435, 315);
  LoadEnabled();
  button().GetVisible();
  EXPECT_EQ(surface().calls,
            lines({
                "Clear(D8E9EC)",
                "GradientFill((0, 0 FF00 FF00 FF00 0), (28, 20 C600 C500 D700 0), [1 0], mode 1)",
                "Present()",
                "BitBlt(0, 0, 4, 4, Normal, 0, 0)",
                "StretchBlt(4, 0, 21, 4, Normal, 4, 0, 56, 4)",
                "BitBlt(25, 0, 4, 4, Normal, 60, 0)",
                "StretchBlt(25, 4, 4, 13, Normal, 60, 4, 4, 17)",
                "BitBlt(25, 17, 4, 4, Normal, 60, 21)",
                "StretchBlt(4, 17, 21, 4, Normal, 4, 21, 56, 4)",
                "BitBlt(0, 17, 4, 4, Normal, 0, 21)",
                "StretchBlt(0, 4, 4, 13, Normal, 0, 4, 4, 17)",
                "Present()",
            }));
  EXPECT_EQ(button().LblMsg.Top(), 50);
  EXPECT_EQ(button().LblMsg.Width(), 435);
}

// At 150 % and 200 % the faces drawn for the scale (96 x 38, 128 x 50) give a 6- and 8-pixel frame.
TEST_F(RenderTest, PiecesAtOtherScalesAreCutFromTheFacesDrawnForThem) {
  const std::tuple<double, int, int, Strings> cases[] = {
      {10.0,
       1215,
       375,
       {"BitBlt(0, 0, 6, 6, Normal@150, 0, 0)", "StretchBlt(6, 0, 110, 6, Normal@150, 6, 0, 84, 6)",
        "BitBlt(116, 0, 6, 6, Normal@150, 90, 0)",
        "StretchBlt(116, 6, 6, 26, Normal@150, 90, 6, 6, 26)",
        "BitBlt(116, 32, 6, 6, Normal@150, 90, 32)",
        "StretchBlt(6, 32, 110, 6, Normal@150, 6, 32, 84, 6)",
        "BitBlt(0, 32, 6, 6, Normal@150, 0, 32)",
        "StretchBlt(0, 6, 6, 26, Normal@150, 0, 6, 6, 26)"}},
      {7.5,
       435,
       315,
       {"BitBlt(0, 0, 8, 8, Normal@200, 0, 0)", "StretchBlt(8, 0, 42, 8, Normal@200, 8, 0, 112, 8)",
        "BitBlt(50, 0, 8, 8, Normal@200, 120, 0)",
        "StretchBlt(50, 8, 8, 26, Normal@200, 120, 8, 8, 34)",
        "BitBlt(50, 34, 8, 8, Normal@200, 120, 42)",
        "StretchBlt(8, 34, 42, 8, Normal@200, 8, 42, 112, 8)",
        "BitBlt(0, 34, 8, 8, Normal@200, 0, 42)",
        "StretchBlt(0, 8, 8, 26, Normal@200, 0, 8, 8, 34)"}},
  };
  for (const auto& [twipsPerPixel, width, height, pieces] : cases) {
    backend.twipsPerPixel = twipsPerPixel;
    Build(width, height);
    LoadEnabled();
    button().GetVisible();  // Clear, GradientFill, Present, the eight pieces, Present
    EXPECT_EQ(Strings(surface().calls.begin() + 3, surface().calls.end() - 1), pieces) << width;
  }
}

TEST_F(RenderTest, GradientDirectionFollowsTheStateOfEachDrawing) {
  struct Case {
    const char* what;
    std::function<void(Command&)> steps;
    Bool16 reversed;
  };
  const auto move = [](Command& b) { b.UserControl_MouseMove(0, 0, 10, 10); };
  const Case cases[] = {
      {"resting",
       [](Command& b) {
         b.Initialize();
         b.UserControl_Resize();
       },
       kFalse},
      {"hovered",
       [&](Command& b) {
         b.Initialize();
         move(b);
       },
       kTrue},
      {"focused",
       [](Command& b) {
         b.Initialize();
         b.UserControl_GotFocus();
       },
       kFalse},
      {"hovered, then focused",
       [&](Command& b) {
         b.Initialize();
         move(b);
         b.UserControl_GotFocus();
       },
       kTrue},
      {"focused, then hovered",
       [&](Command& b) {
         b.Initialize();
         b.UserControl_GotFocus();
         move(b);
       },
       kFalse},
      {"hovered, focused, pressed, released",
       [&](Command& b) {
         b.Initialize();
         move(b);
         b.UserControl_GotFocus();
         b.UserControl_MouseDown(1, 0, 0, 0);
         b.UserControl_MouseUp(1, 0, 0, 0);
       },
       kTrue},
      {"Normal drawn while hovered (Enabled read)",
       [&](Command& b) {
         b.Initialize();
         move(b);
         b.GetEnabled();
       },
       kTrue},
      {"pressed from Normal",
       [](Command& b) {
         b.Initialize();
         b.UserControl_MouseDown(1, 0, 0, 0);
       },
       kFalse},
      {"disabled while hovered",
       [&](Command& b) {
         b.Initialize();
         move(b);
         b.LetEnabled(kFalse);
       },
       kTrue},
      {"before Initialize", [](Command& b) { b.UserControl_MouseDown(1, 0, 0, 0); }, kFalse},
  };
  for (const Case& c : cases) {
    Build(1215, 375);
    LoadEnabled();
    c.steps(button());
    EXPECT_EQ(button().GradientReversed(), c.reversed) << c.what;
    // The top vertex (0) carries lavender grey exactly when the gradient is reversed.
    ASSERT_EQ(surface().lastVertices.size(), 2u) << c.what;
    EXPECT_EQ(surface().lastVertices[0].red, c.reversed ? 0xC600 : 0xFF00) << c.what;
    EXPECT_EQ(surface().lastVertices[1].red, c.reversed ? 0xFF00 : 0xC600) << c.what;
  }
}

TEST_F(RenderTest, FacePixelsShowTheFrameOfTheImageAndTheGradientInside) {
  struct Case {
    const char* what;
    std::function<void(Command&)> steps;
    int image;
    bool reversed;
  };
  const Case cases[] = {
      {"normal",
       [](Command& b) {
         b.Initialize();
         b.UserControl_Resize();
       },
       0, false},
      {"hover",
       [](Command& b) {
         b.Initialize();
         b.UserControl_MouseMove(0, 0, 1, 1);
       },
       1, true},
      {"hover, focused",
       [](Command& b) {
         b.Initialize();
         b.UserControl_GotFocus();
         b.UserControl_MouseMove(0, 0, 1, 1);
       },
       2, false},
      {"focused",
       [](Command& b) {
         b.Initialize();
         b.UserControl_GotFocus();
       },
       3, false},
      {"pressed",
       [](Command& b) {
         b.Initialize();
         b.UserControl_MouseDown(1, 0, 1, 1);
       },
       4, false},
      {"disabled",
       [](Command& b) {
         b.Initialize();
         b.LetEnabled(kFalse);
       },
       5, false},
  };
  for (const Case& c : cases) {
    for (const auto& [w, h] : {std::pair{1215, 375}, std::pair{435, 315}}) {
      Build(w, h);
      LoadEnabled();
      c.steps(button());
      const int pw = w / 15, ph = h / 15;
      const auto at = [&](int x, int y) { return fw::PixelOf(Pixel(x, y)); };
      const std::string what = std::string(c.what) + " " + std::to_string(w);
      // Corners copy the image's corners pixel for pixel.
      EXPECT_EQ(at(0, 0), FacePixel(c.image, 0, 0)) << what;
      EXPECT_EQ(at(3, 3), FacePixel(c.image, 3, 3)) << what;
      EXPECT_EQ(at(pw - 1, 0), FacePixel(c.image, 63, 0)) << what;
      EXPECT_EQ(at(pw - 4, ph - 1), FacePixel(c.image, 60, 24)) << what;
      EXPECT_EQ(at(0, ph - 1), FacePixel(c.image, 0, 24)) << what;
      EXPECT_EQ(at(pw - 1, ph - 1), FacePixel(c.image, 63, 24)) << what;
      // Edges are stretched from the image's edge strips: rows 0..3 across, columns 0..3 down.
      const std::uint32_t top = at(pw / 2, 1);
      EXPECT_EQ(top >> 16, FacePixel(c.image, 0, 0) >> 16) << what;
      EXPECT_EQ(top & 0xFF, 1u) << what;
      const int sourceX = static_cast<int>((top >> 8) & 0xFF);
      EXPECT_TRUE(sourceX >= 4 && sourceX < 60) << what << " took column " << sourceX;
      const std::uint32_t left = at(2, ph / 2);
      EXPECT_EQ((left >> 8) & 0xFF, 2u) << what;
      const int sourceY = static_cast<int>(left & 0xFF);
      EXPECT_TRUE(sourceY >= 4 && sourceY < 21) << what << " took row " << sourceY;
      // Inside the frame, the centre column is the vertical gradient from vertex 0 (y 0) to
      // vertex 1 (y ph - 1): white 255 and lavender (C6, C5, D7), per row.
      for (int y = 4; y < ph - 4; ++y) {
        const double t = static_cast<double>(y) / (ph - 1);
        const double f = c.reversed ? 1.0 - t : t;
        const fw::Colour colour = Pixel(pw / 2, y);
        EXPECT_NEAR(fw::RedOf(colour), 255 - (255 - 0xC6) * f, 1.0) << what << " y " << y;
        EXPECT_NEAR(fw::GreenOf(colour), 255 - (255 - 0xC5) * f, 1.0) << what << " y " << y;
        EXPECT_NEAR(fw::BlueOf(colour), 255 - (255 - 0xD7) * f, 1.0) << what << " y " << y;
      }
    }
  }
}

TEST_F(RenderTest, CaptionLooksAndPlace) {
  LoadEnabled();
  Command& b = button();
  EXPECT_TRUE(b.LblMsg.Transparent());
  EXPECT_EQ(b.LblMsg.GetAlignment(), fw::Alignment::Centre);
  EXPECT_FALSE(b.LblMsg.AutoSize());
  b.Initialize();
  b.UserControl_MouseMove(0, 0, 1, 1);
  b.UserControl_MouseDown(1, 0, 1, 1);
  EXPECT_EQ(surface().facesDrawn.back(), "Pressed");
  EXPECT_EQ(b.LblMsg.Top(), 80);  // the caption does not move when pressed
  b.LetEnabled(kFalse);
  EXPECT_TRUE(b.LblMsg.Greyed());
  b.LetEnabled(kTrue);
  EXPECT_FALSE(b.LblMsg.Greyed());
  // A resize places the caption for the new height; its height stays one line.
  b.Move(0, 0, 2000, 500);
  b.UserControl_Resize();
  EXPECT_EQ(b.LblMsg.Top(), 142);  // (500 - 195 - 20) / 2 = 142.5, to the even neighbour
  EXPECT_EQ(b.LblMsg.Width(), 2000);
  EXPECT_EQ(b.LblMsg.Height(), 195);
}

TEST_F(RenderTest, MissingFaceImagesLeaveTheGradientAndTheRestOfTheDrawing) {
  backend.pictures.clear();
  Build(1215, 375);
  LoadEnabled();
  button().GetVisible();
  EXPECT_EQ(surface().calls.size(), 4u);  // Clear, GradientFill, Present, Present
  EXPECT_EQ(button().LblMsg.Top(), 80);
}

TEST_F(RenderTest, ANewButtonDrawsNothingBeforeItIsSizedOrAsked) {
  FakeOs localOs;
  RecordingBackend localBackend{localOs};
  HostForm host(localBackend, localOs);
  EXPECT_EQ(host.Cmd.Width(), 1755);
  EXPECT_EQ(host.Cmd.Height(), 420);
  EXPECT_EQ(host.Cmd.FaceState(), State::None);
  EXPECT_EQ(host.Cmd.GradientReversed(), kFalse);
  EXPECT_EQ(host.Cmd.TypeName(), "Quarlo.Command");
  // Without a window there is nothing to draw on; asking does not fail.
  EXPECT_EQ(host.Cmd.GetEnabled(), kTrue);
  EXPECT_EQ(host.Cmd.LblMsg.Top(), 102);  // (420 - 215) / 2 = 102.5 to even
}

TEST_F(RenderTest, OversizedGeometryKeepsThePreviousSlices) {
  LoadEnabled();
  button().Move(0, 0, 40000, 375);  // W - 60 no longer fits 16 bits
  Forget();
  button().GetVisible();
  // The right column and the edge length keep the 1215-twip values (77 and 73 pixels).
  EXPECT_NE(std::find(surface().calls.begin(), surface().calls.end(),
                      "BitBlt(77, 0, 4, 4, Normal, 60, 0)"),
            surface().calls.end());
  EXPECT_NE(std::find(surface().calls.begin(), surface().calls.end(),
                      "StretchBlt(4, 0, 73, 4, Normal, 4, 0, 56, 4)"),
            surface().calls.end());
}

TEST_F(RenderTest, TheMostNegativeSizeIsSkippedWithoutOverflow) {
  LoadEnabled();
  const int lowest = std::numeric_limits<int>::min();
  button().Move(0, 0, lowest, lowest);
  Forget();
  button().GetVisible();
  // No slice fits 16 bits: those of 1215 x 375 stay; the caption is placed without wrapping.
  EXPECT_NE(std::find(surface().calls.begin(), surface().calls.end(),
                      "StretchBlt(4, 0, 73, 4, Normal, 4, 0, 56, 4)"),
            surface().calls.end());
  EXPECT_LT(button().LblMsg.Top(), 0);
  EXPECT_EQ(button().LblMsg.Height(), 195);
}

}  // namespace
}  // namespace quarlo::testing
