// The button's public properties, their repaints and notifications, the first-run rule and the
// persisted property store.

#include <gtest/gtest.h>

#include "command_fixture.h"
#include "controls/command/stored_designs.h"

namespace quarlo::testing {
namespace {

using State = Command::State;
using Strings = std::vector<std::string>;

class PropertiesTest : public CommandTest {};

TEST_F(PropertiesTest, FirstReadOfEnabledOnANewButtonEnablesIt) {
  Command& b = button();
  EXPECT_EQ(b.FirstRun(), 0);
  EXPECT_EQ(b.GetEnabled(), kTrue);
  EXPECT_EQ(b.FirstRun(), 1);
  // The first-run refresh ran while still disabled (nothing), then the read drew Normal.
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
  b.LetEnabled(kFalse);
  EXPECT_EQ(b.GetEnabled(), kFalse);
  EXPECT_EQ(b.GetEnabled(), kFalse);
  EXPECT_EQ(changes, Strings({"Enabled"}));
}

TEST_F(PropertiesTest, ReadsRepaintWithoutChangingTheState) {
  struct Case {
    const char* what;
    std::function<void(Command&)> read;
    bool enabled;
    Strings draws;
  };
  const Case cases[] = {
      {"Enabled, enabled", [](Command& b) { b.GetEnabled(); }, true, {"Normal"}},
      {"Enabled, disabled", [](Command& b) { b.GetEnabled(); }, false, {"Disable"}},
      {"FontColour, enabled", [](Command& b) { b.GetFontColour(); }, true, {"Normal"}},
      {"FontColour, disabled", [](Command& b) { b.GetFontColour(); }, false, {}},
      {"Visible, enabled", [](Command& b) { b.GetVisible(); }, true, {"Normal"}},
      {"Visible, disabled", [](Command& b) { b.GetVisible(); }, false, {}},
      {"Caption", [](Command& b) { b.GetCaption(); }, true, {}},
      {"Font", [](Command& b) { b.GetFont(); }, true, {}},
  };
  for (const Case& c : cases) {
    Build(1215, 375);
    LoadEnabled();
    button().Initialize();
    button().UserControl_MouseMove(0, 0, 1, 1);  // HighLight
    if (!c.enabled) button().LetEnabled(kFalse);
    Forget();
    c.read(button());
    EXPECT_EQ(surface().facesDrawn, c.draws) << c.what;
    EXPECT_EQ(button().FaceState(), State::HighLight) << c.what;
    EXPECT_TRUE(changes.empty()) << c.what;
  }
}

TEST_F(PropertiesTest, VisibleSetsOpacity) {
  LoadEnabled();
  Command& b = button();
  EXPECT_EQ(b.GetVisible(), 255);
  Forget();
  b.LetVisible(0);
  EXPECT_FALSE(b.Opaque());
  EXPECT_TRUE(surface().facesDrawn.empty());
  EXPECT_EQ(changes, Strings({"Visible"}));
  EXPECT_EQ(b.GetVisible(), 0);
  EXPECT_TRUE(surface().facesDrawn.empty());
  b.LetVisible(7);
  EXPECT_TRUE(b.Opaque());
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
  EXPECT_EQ(b.GetVisible(), 255);
  EXPECT_EQ(changes, Strings({"Visible", "Visible"}));
}

TEST_F(PropertiesTest, FontColourTakesEverySigned32BitValueAndIsNotified) {
  LoadEnabled();
  Command& b = button();
  // Plain colours, system colours (0x80000000 | index) and whatever else fits in 32 bits.
  const struct {
    std::int32_t colour;
    fw::Colour caption;
  } cases[] = {
      {0x0000FF, 0x0000FFu},
      {0, 0u},
      {static_cast<std::int32_t>(0x80000012u), 0x80000012u},  // COLOR_BTNTEXT
      {static_cast<std::int32_t>(0x80000005u), 0x80000005u},  // COLOR_WINDOW
      {-1, 0xFFFFFFFFu},
      {0x1000000, 0x1000000u},
      {INT32_MIN, 0x80000000u},
      {INT32_MAX, 0x7FFFFFFFu},
  };
  for (const auto& c : cases) {
    Forget();
    b.LetFontColour(c.colour);
    EXPECT_EQ(b.LblMsg.ForeColour(), c.caption) << c.colour;
    EXPECT_EQ(b.GetFontColour(), c.colour);
    EXPECT_EQ(changes, Strings({"FontColour"})) << c.colour;
    EXPECT_EQ(surface().facesDrawn, Strings({"Normal", "Normal"})) << c.colour;
  }
}

TEST_F(PropertiesTest, WhileFirstRunIsZeroAnEnabledRefreshPaintsTheCaptionBlack) {
  Command& b = button();  // never loaded: FirstRun 0
  b.LetEnabled(kTrue);
  b.LetFontColour(0x00FF00);
  EXPECT_EQ(b.LblMsg.ForeColour(), 0u);
  EXPECT_EQ(changes, Strings({"Enabled", "FontColour"}));
  // Disabled, the refresh does nothing and the colour stays.
  b.LetEnabled(kFalse);
  b.LetFontColour(0x00FF00);
  EXPECT_EQ(b.LblMsg.ForeColour(), 0x00FF00u);
}

TEST_F(PropertiesTest, CaptionAndFontAreNotifiedWithoutARedraw) {
  LoadEnabled();
  Command& b = button();
  b.LetCaption("設定");
  const fw::Font font{"Arial", 12.0, 700, true, false, true, 0};
  b.SetFont(font);
  EXPECT_EQ(b.GetCaption(), "設定");
  EXPECT_EQ(b.LblMsg.Caption(), "設定");
  EXPECT_EQ(b.GetFont(), font);
  EXPECT_EQ(b.LblMsg.GetFont(), font);
  EXPECT_EQ(changes, Strings({"Caption", "Font"}));
  EXPECT_TRUE(surface().calls.empty());
}

TEST_F(PropertiesTest, EnabledWriteNormalisesToMinusOneAndRedraws) {
  LoadEnabled();
  Command& b = button();
  b.LetEnabled(5);
  EXPECT_EQ(b.IsEnabled(), kTrue);
  b.Initialize();
  b.UserControl_MouseUp(fw::kLeftButton, 0, 0, 0);
  EXPECT_EQ(clicks, 1);  // Click needs IsEnabled exactly -1
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
}

// --- The property store -----------------------------------------------------------------------

TEST_F(PropertiesTest, StoreRoundTripThroughTheTextForm) {
  LoadEnabled();
  Command& b = button();
  const fw::Font font{"ＭＳ ゴシック", 11.25, 700, true, true, true, 1};
  b.LetCaption("終\"了\\");
  b.SetFont(font);
  b.LetFontColour(0x336699);
  b.LetVisible(0);
  b.LetEnabled(kFalse);
  fw::PropertyBag bag;
  b.UserControl_WriteProperties(bag);
  EXPECT_EQ(bag.Keys(), Strings({"Enabled", "Caption", "Font", "FontColour", "Visible"}));

  FakeOs otherOs;
  RecordingBackend otherBackend{otherOs};
  HostForm other(otherBackend, otherOs);
  other.Cmd.UserControl_ReadProperties(fw::PropertyBag::Parse(bag.Serialize()));
  EXPECT_EQ(other.Cmd.IsEnabled(), kFalse);
  EXPECT_EQ(other.Cmd.GetCaption(), "終\"了\\");
  EXPECT_EQ(other.Cmd.GetFont(), font);
  EXPECT_EQ(other.Cmd.LblMsg.ForeColour(), 0x336699u);
  EXPECT_FALSE(other.Cmd.Opaque());
  EXPECT_EQ(other.Cmd.FirstRun(), 1);

  // A system colour is stored as the negative number it is, and read back whole.
  b.LetFontColour(static_cast<std::int32_t>(0x8000000Fu));
  fw::PropertyBag system;
  b.UserControl_WriteProperties(system);
  EXPECT_EQ(system.ReadInt32("FontColour", 0), static_cast<std::int32_t>(0x8000000Fu));
  other.Cmd.UserControl_ReadProperties(fw::PropertyBag::Parse(system.Serialize()));
  EXPECT_EQ(other.Cmd.LblMsg.ForeColour(), 0x8000000Fu);
}

TEST_F(PropertiesTest, DefaultsAreNotWrittenAndCaptionCommandReadsBackAsCommand1) {
  LoadEnabled();
  button().LetCaption("Command");
  fw::PropertyBag bag;
  button().UserControl_WriteProperties(bag);
  EXPECT_TRUE(bag.Keys().empty());
  EXPECT_EQ(bag.Serialize(), "");
  button().LetCaption("Other");
  button().UserControl_ReadProperties(fw::PropertyBag::Parse(bag.Serialize()));
  EXPECT_EQ(button().GetCaption(), "Command1");
}

TEST_F(PropertiesTest, ANeverLoadedButtonWritesItsFirstRunAndDisabledState) {
  fw::PropertyBag bag;
  button().UserControl_WriteProperties(bag);
  EXPECT_EQ(bag.ReadBoolean("Enabled", true), false);
  EXPECT_EQ(bag.ReadByte("FirstRun", 1), 0);
  EXPECT_FALSE(bag.Contains("Caption"));  // "Command", the writing default
}

TEST_F(PropertiesTest, ReadingTheStoreDrawsNormalWhenEnabled) {
  button().UserControl_ReadProperties(fw::PropertyBag::Parse("Caption = \"x\""));
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
  EXPECT_EQ(button().FaceState(), State::None);
  Forget();
  button().UserControl_ReadProperties(fw::PropertyBag::Parse("Enabled = False"));
  EXPECT_TRUE(surface().facesDrawn.empty());
}

TEST_F(PropertiesTest, TheDialogsStoredButtonsLoadEnabledOpaqueAndBlack) {
  const fw::Font dialogFont{"ＭＳ Ｐゴシック", 9.75, 400, false, false, false, 128};
  const struct {
    std::string_view design;
    const char* caption;
  } buttons[] = {{kCmdCanDesign, "ｷｬﾝｾﾙ"}, {kCmdSetDesign, "設定"}, {kCmdBgmDesign, "..."}};
  for (const auto& stored : buttons) {
    Build(1215, 375);
    const fw::PropertyBag bag = fw::PropertyBag::Parse(stored.design);
    EXPECT_EQ(bag.Keys(), Strings({"Caption", "Font"})) << stored.caption;
    button().UserControl_ReadProperties(bag);
    EXPECT_EQ(button().GetCaption(), stored.caption);
    EXPECT_EQ(button().GetFont(), dialogFont) << stored.caption;
    EXPECT_EQ(button().IsEnabled(), kTrue) << stored.caption;
    EXPECT_TRUE(button().Opaque()) << stored.caption;
    EXPECT_EQ(button().LblMsg.ForeColour(), 0u) << stored.caption;
    EXPECT_EQ(button().FirstRun(), 1) << stored.caption;
  }
}

TEST_F(PropertiesTest, BadStoredValuesLeaveTheAffectedValueAsItWas) {
  // Before each read: disabled, transparent (unless the case says opaque), caption "Before", a
  // red caption, FirstRun 0 (never loaded), an Arial font. Each case breaks one key; the others
  // read their defaults.
  const fw::Font before{"Arial", 8.0, 400, false, false, false, 0};
  struct Case {
    const char* text;
    std::function<void(Command&)> check;
    bool startOpaque = false;
  };
  const Case cases[] = {
      {"Visible = 7", [](Command& b) { EXPECT_FALSE(b.Opaque()); }},
      {"Visible = 7", [](Command& b) { EXPECT_TRUE(b.Opaque()); }, true},
      {"Visible = -1", [](Command& b) { EXPECT_TRUE(b.Opaque()); }, true},
      {"Visible = \"abc\"", [](Command& b) { EXPECT_FALSE(b.Opaque()); }},
      {"FirstRun = 300", [](Command& b) { EXPECT_EQ(b.FirstRun(), 0); }},
      {"FirstRun = -1", [](Command& b) { EXPECT_EQ(b.FirstRun(), 0); }},
      {"FontColour = \"red\"", [](Command& b) { EXPECT_EQ(b.LblMsg.ForeColour(), 0xFFu); }},
      {"FontColour = 9999999999", [](Command& b) { EXPECT_EQ(b.LblMsg.ForeColour(), 0xFFu); }},
      {"Enabled = \"maybe\"", [](Command& b) { EXPECT_EQ(b.IsEnabled(), kFalse); }},
      {"Caption = {\n}", [](Command& b) { EXPECT_EQ(b.GetCaption(), "Before"); }},
      {"Font = 5", [&](Command& b) { EXPECT_EQ(b.GetFont(), before); }},
      {"Font = {\n  Weight = heavy\n}", [&](Command& b) { EXPECT_EQ(b.GetFont(), before); }},
  };
  for (const Case& c : cases) {
    Build(1215, 375);
    Command& b = button();
    b.LetVisible(c.startOpaque ? 1 : 0);
    b.LetCaption("Before");
    b.SetFont(before);
    b.LetFontColour(0xFF);  // disabled: the refresh leaves the colour alone
    ASSERT_EQ(b.LblMsg.ForeColour(), 0xFFu);
    b.UserControl_ReadProperties(fw::PropertyBag::Parse(c.text));
    SCOPED_TRACE(c.text);
    c.check(b);
  }
  // One bad key does not stop the others.
  Build(1215, 375);
  button().UserControl_ReadProperties(fw::PropertyBag::Parse("Visible = 7\nCaption = \"Next\""));
  EXPECT_EQ(button().GetCaption(), "Next");
  EXPECT_EQ(button().IsEnabled(), kTrue);
}

}  // namespace
}  // namespace quarlo::testing
