#include "settings_dialog/quarlo_p.h"

#include <gtest/gtest.h>

#include "settings_dialog/dialog_fixture.h"
#include "support/headless_backend.h"
#include "support/software_surface.h"

namespace quarlo::testing {
namespace {

// --- Set-up
// -----------------------------------------------------------------------------------------

TEST_F(DialogTest, OpensWithTheStoredSettingsInItsControls) {
  struct Case {
    std::int16_t count, source, track;
    const char* file;
    int bar;                // position of HS_Fast
    const char* countText;  // lbl_Fast
    int mark;               // the chosen mark, -1 for none
    const char* trackText;  // BGM_Repeat
  };
  for (const Case& c : {
           Case{50, 0, 0, "", 50, "50", 0, ""},
           Case{120, 1, 12, "C:\\Music\\theme.mp3", 120, "120", 1, "12"},
           Case{300, 2, 3, "D:\\R&B\\a&b.wav", 300, "300", 2, "3"},
           Case{10, 1, -3, "", 10, "10", 1, "-3"},
           // Outside the bar's range: the bar keeps its design position, the label the number.
           Case{5, 0, 0, "", 10, "5", 0, ""},
           Case{301, 0, 0, "", 10, "301", 0, ""},
           Case{-3, 0, 0, "", 10, "-3", 0, ""},
           // A source without a mark: none shows as chosen.
           Case{50, 7, 0, "", 50, "50", -1, ""},
           Case{50, -1, 0, "", 50, "50", -1, ""},
       }) {
    SCOPED_TRACE(::testing::Message()
                 << "count " << c.count << ", source " << c.source << ", track " << c.track);
    Stored(c.count, c.source, c.track, c.file);
    Quarlo_P& p = Open();
    EXPECT_EQ(p.HS_Fast.Value(), c.bar);
    EXPECT_EQ(p.lbl_Fast.Caption(), c.countText);
    EXPECT_EQ(ChosenMark(), c.mark);
    EXPECT_EQ(p.BGM_Repeat.Text(), c.trackText);
    EXPECT_EQ(p.lbl_Fname.Caption(), c.file);
    // Set-up changes nothing in the record.
    EXPECT_EQ(SaverSettings().MusicSource, c.source);
    EXPECT_EQ(SaverSettings().SpriteCount, c.count);
  }
}

TEST_F(DialogTest, TrackListOffersTheEmptyEntryAndOneToThirty) {
  Quarlo_P& p = Open();
  const auto& items = p.BGM_Repeat.Items();
  ASSERT_EQ(items.size(), 31u);
  EXPECT_EQ(items.front(), "");
  EXPECT_EQ(items[1], "1");
  EXPECT_EQ(items[9], "9");
  EXPECT_EQ(items.back(), "30");
}

TEST_F(DialogTest, LoadingZoomsOpenFromThePointerAndRestoresTheArrow) {
  os.windowRects[kDialogWindow] = {280, 250, 760, 480};
  Open();
  EXPECT_EQ(os.calls(),
            lines({"GetCursorPos()", "GetWindowRect(4096)",
                   "DrawAnimatedRects(4096, 3, {400, 300, 400, 300}, {280, 250, 760, 480})",
                   "LoadCursorA(0, 32512)", "SetCursor(32512)"}));
  EXPECT_EQ(ZoomOrigin().x, 400);
  EXPECT_EQ(ZoomOrigin().y, 300);
}

TEST_F(DialogTest, WithoutAPointerPositionBothZoomsUseTheScreenCorner) {
  ZoomOrigin() = {123, 45};  // left over from before: must not be used
  os.cursorPos = std::nullopt;
  os.windowRects[kDialogWindow] = {280, 250, 760, 480};
  Quarlo_P& p = Open();
  p.Cmd_Can_Click();
  EXPECT_EQ(os.callsStartingWith("DrawAnimatedRects"),
            lines({"DrawAnimatedRects(4096, 3, {0, 0, 0, 0}, {280, 250, 760, 480})",
                   "DrawAnimatedRects(4096, 3, {280, 250, 760, 480}, {0, 0, 0, 0})"}));
}

TEST_F(DialogTest, LoadingArmsEveryImageButtonFoundAmongTheControls) {
  testing::HeadlessBackend probeBackend{os};
  Quarlo_P probe(probeBackend, os);
  for (Command* button : {&probe.Cmd_Can, &probe.Cmd_Set, &probe.Cmd_BGM}) {
    EXPECT_EQ(button->FaceState(), Command::State::None) << button->Name();
  }
  Quarlo_P& p = Open();
  for (Command* button : {&p.Cmd_Can, &p.Cmd_Set, &p.Cmd_BGM}) {
    EXPECT_EQ(button->FaceState(), Command::State::Normal) << button->Name();
    EXPECT_TRUE(button->TmrMouse.TimerEnabled()) << button->Name();
    EXPECT_EQ(button->TmrMouse.Interval(), 100u) << button->Name();
  }
  EXPECT_EQ(p.Cmd_Set.GetCaption(), "設定");
  EXPECT_EQ(p.Cmd_Can.GetCaption(), "ｷｬﾝｾﾙ");
  EXPECT_EQ(p.Cmd_BGM.GetCaption(), "...");
}

// --- Where the window stands
// ------------------------------------------------------------------------

// A backend whose form windows have a frame and a caption around their client area.
class FramedBackend final : public testing::HeadlessBackend {
 public:
  using HeadlessBackend::HeadlessBackend;
  fw::Size frame{90, 400};

  std::unique_ptr<fw::ControlPeer> CreatePeer(fw::Control& control) override {
    auto inner = HeadlessBackend::CreatePeer(control);
    if (dynamic_cast<fw::Form*>(&control) == nullptr) return inner;
    return std::make_unique<FramedPeer>(std::move(inner), control, frame);
  }

 private:
  struct FramedPeer final : fw::ControlPeer {
    FramedPeer(std::unique_ptr<fw::ControlPeer> p, fw::Control& c, fw::Size f)
        : inner(std::move(p)), control(c), frameSize(f) {}
    void Update(fw::Change what) override { inner->Update(what); }
    os::Handle Handle() const override { return inner->Handle(); }
    fw::Surface* DrawingSurface() override { return inner->DrawingSurface(); }
    std::optional<fw::Size> ClientSizeTwips() const override {
      return fw::Size{control.Width() - frameSize.width, control.Height() - frameSize.height};
    }
    fw::Size FrameSizeTwips() const override { return frameSize; }
    std::unique_ptr<fw::ControlPeer> inner;
    fw::Control& control;
    fw::Size frameSize;
  };
};

TEST(DialogPlacement, CentredAcrossWithAThirdOfTheFreeHeightAbove) {
  struct Case {
    int width, height;
    double twipsPerPixel;
    int left, top;
  };
  // The window measures 6975 + 90 by 2895 + 400 twips with its frame, and the line's band
  // below: 640 twips and a margin of 240 (two lines of the fake's text, 615 where they are lower).
  for (const Case& c : {Case{1024, 768, 15.0, 4147, 2448},    // 8295 \ 2, 7345 \ 3
                        Case{1920, 1080, 15.0, 10867, 4008},  // 21735 \ 2, 12025 \ 3
                        Case{640, 480, 15.0, 1267, 1008},
                        Case{1280, 1024, 12.0, 4147, 2712},  // 120 dpi: 8295 \ 2, 8138 \ 3
                        // A screen smaller than the window: truncation toward zero.
                        Case{400, 200, 15.0, -532, -391},
                        // 192 dpi: 10252.5 twips across; the difference 3187.5 rounds to the
                        // even 3188, not 10252 - 7065 = 3187; 1617.5 down rounds to 1618.
                        Case{1367, 769, 7.5, 1594, 539}}) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << " x " << c.height << " px at " << c.twipsPerPixel);
    ResetSaverSettings();
    FakeOs os;
    FramedBackend backend{os};
    backend.screenWidth = c.width;
    backend.screenHeight = c.height;
    backend.twipsPerPixel = c.twipsPerPixel;
    Quarlo_P p(backend, os);
    p.Show(true);
    EXPECT_EQ(p.ScaleWidth(), 6975);
    EXPECT_EQ(p.ScaleHeight(), 2895 + p.Pic_Start.Height() + 240);
    EXPECT_EQ(p.Left(), c.left);
    EXPECT_EQ(p.Top(), c.top);
  }
}

// --- The count
// ---------------------------------------------------------------------------------------

TEST_F(DialogTest, CountLabelFollowsTheThumbWhileDraggingAndAfterwards) {
  Stored(50, 0, 0);
  Quarlo_P& p = Open();
  p.HS_Fast.RaiseScroll(57);
  EXPECT_EQ(p.lbl_Fast.Caption(), "57");
  p.HS_Fast.RaiseScroll(212);
  EXPECT_EQ(p.lbl_Fast.Caption(), "212");
  p.HS_Fast.EndScroll(213);
  EXPECT_EQ(p.lbl_Fast.Caption(), "213");
  // Arrow and page steps move the bar and the label alike.
  ASSERT_TRUE(p.HS_Fast.SetValue(p.HS_Fast.Value() + p.HS_Fast.SmallChange()));
  EXPECT_EQ(p.lbl_Fast.Caption(), "214");
  EXPECT_EQ(p.HS_Fast.Max(), 300);
  EXPECT_EQ(SaverSettings().SpriteCount, 50);  // only the file receives the bar's position
}

// --- The music source
// --------------------------------------------------------------------------------

TEST_F(DialogTest, MarksAndCaptionsChooseTheSourceAlike) {
  Stored(50, 2, 4, "C:\\Music\\theme.mp3");
  Quarlo_P& p = Open();
  os.clearCalls();
  struct Step {
    const char* what;
    int index;
    bool onCaption;
  };
  for (const Step& s :
       {Step{"mark 1", 1, false}, Step{"caption 0", 0, true}, Step{"caption 0 again", 0, true},
        Step{"mark 2", 2, false}, Step{"caption 1", 1, true}, Step{"mark 0", 0, false},
        Step{"caption 2", 2, true}}) {
    SCOPED_TRACE(s.what);
    if (s.onCaption)
      p.lbl_BGM.At(s.index)->RaiseClick();
    else
      p.Img_BGM.At(s.index)->RaiseClick();
    EXPECT_EQ(SaverSettings().MusicSource, s.index);
    EXPECT_EQ(ChosenMark(), s.index);
  }
  // Nothing else changes: no chooser, no file access, the other controls keep their contents.
  EXPECT_TRUE(os.calls().empty()) << os.calls().front();
  EXPECT_EQ(p.BGM_Repeat.Text(), "4");
  EXPECT_EQ(p.lbl_Fname.Caption(), "C:\\Music\\theme.mp3");
  EXPECT_TRUE(p.Cmd_BGM.Enabled());
  EXPECT_TRUE(p.BGM_Repeat.Enabled());
}

// --- The music file
// ----------------------------------------------------------------------------------

// The wide dialog gets the Japanese texts as they are, whatever the code page.
TEST_F(DialogTest, ChooserGetsTheRecordTheWindowFills) {
  for (const std::uint32_t codePage : {932u, 1252u, 65001u}) {
    SCOPED_TRACE(codePage);
    os.codePage = codePage;
    Quarlo_P& p = Open();
    Press(p.Cmd_BGM);
    ASSERT_TRUE(os.lastOpenFileName.has_value());
    const os::OpenFileName& r = *os.lastOpenFileName;
    EXPECT_EQ(r.structSize, 76u);
    EXPECT_EQ(r.owner, kDialogWindow);
    EXPECT_EQ(r.instance, os.moduleInstance);
    static constexpr char kFilter[] = "BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0\0";
    EXPECT_EQ(r.filter, std::string(kFilter, sizeof kFilter - 1));
    EXPECT_EQ(r.customFilter, "");
    EXPECT_EQ(r.maxCustomFilter, 0u);
    EXPECT_EQ(r.filterIndex, 0u);
    EXPECT_EQ(r.file, std::string(255, '\0'));
    EXPECT_EQ(r.maxFile, 255u);
    EXPECT_EQ(r.fileTitle, std::string(255, '\0'));
    EXPECT_EQ(r.maxFileTitle, 255u);
    EXPECT_EQ(r.initialDir, nullptr);
    EXPECT_EQ(r.title, "ﾌｧｲﾙを選択");
    EXPECT_EQ(r.flags, 0u);
  }
}

// A path the settings file cannot hold is refused: the record and the label keep the previous
// file, and OK writes that one, never a broken path.
TEST_F(DialogTest, AChosenPathIsTakenOnlyWhenTheSettingsFileCanHoldIt) {
  const struct {
    std::uint32_t codePage;
    const char* chosen;
    bool taken;
  } cases[] = {
      {1252, "C:\\Müsik\\Café.mp3", true}, {1252, "C:\\曲集\\夜&朝.mp3", false},
      {1252, "C:\\Олег\\a.mp3", false},    {932, "C:\\曲集\\夜&朝.mp3", true},
      {932, "C:\\Müsik\\Café.mp3", false}, {65001, "C:\\Олег\\曲.mp3", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.codePage << " " << c.chosen);
    os.codePage = c.codePage;
    Stored(50, 2, 0, "C:\\Old\\old.mp3");
    Quarlo_P& p = Open();
    os.openFileChoice = c.chosen;
    Press(p.Cmd_BGM);
    const std::string expected = c.taken ? c.chosen : "C:\\Old\\old.mp3";
    EXPECT_EQ(SaverSettings().MusicFile, expected);
    EXPECT_EQ(p.lbl_Fname.Caption(), expected);
    os.clearCalls();
    Press(p.Cmd_Set);
    EXPECT_EQ(os.callsStartingWith("WritePrivateProfileStringW").back(),
              "WritePrivateProfileStringW(\"Section\", \"" + KeyInFile(os, kKeyMusicFile) +
                  "\", \"" + expected + "\", \"C:\\Saver\\Quarlo.ini\")");
  }
}

TEST_F(DialogTest, AChosenFileIsShownAndKeptButDoesNotChooseTheSource) {
  Stored(50, 1, 0, "C:\\Old\\old.mp3");
  Quarlo_P& p = Open();
  os.openFileChoice = "D:\\Rock & Roll\\R&B.mp3";
  Press(p.Cmd_BGM);
  EXPECT_EQ(SaverSettings().MusicFile, "D:\\Rock & Roll\\R&B.mp3");
  EXPECT_EQ(p.lbl_Fname.Caption(), "D:\\Rock & Roll\\R&B.mp3");
  EXPECT_FALSE(p.lbl_Fname.UseMnemonic());  // the ampersands show as themselves
  EXPECT_EQ(SaverSettings().MusicSource, 1);
  EXPECT_EQ(ChosenMark(), 1);
}

TEST_F(DialogTest, CancellingTheChooserChangesNothing) {
  Stored(50, 2, 0, "C:\\Old\\old.mp3");
  Quarlo_P& p = Open();
  os.openFileChoice = std::nullopt;
  Press(p.Cmd_BGM);
  EXPECT_EQ(os.callsStartingWith("GetOpenFileNameW").size(), 1u);
  EXPECT_EQ(SaverSettings().MusicFile, "C:\\Old\\old.mp3");
  EXPECT_EQ(p.lbl_Fname.Caption(), "C:\\Old\\old.mp3");
  EXPECT_EQ(SaverSettings().MusicSource, 2);
}

// --- OK, Cancel and closing
// --------------------------------------------------------------------------

TEST_F(DialogTest, OkWritesTheFourKeysInOrderThenZoomsClosed) {
  Stored(120, 0, 0, "C:\\Music\\theme.mp3");
  os.windowRects[kDialogWindow] = {280, 250, 760, 480};
  Quarlo_P& p = Open();
  p.HS_Fast.EndScroll(50);
  p.BGM_Repeat.TextEdited("-3");
  os.clearCalls();
  Press(p.Cmd_Set);
  EXPECT_EQ(os.calls(),
            lines({"WritePrivateProfileStringW(\"Section\", \"Quarloの数\", \" 50\", "
                   "\"C:\\Saver\\Quarlo.ini\")",
                   "WritePrivateProfileStringW(\"Section\", \"BGM区分\", \" 0\", "
                   "\"C:\\Saver\\Quarlo.ini\")",
                   "WritePrivateProfileStringW(\"Section\", \"BGMﾘﾋﾟｰﾄ\", \"-3\", "
                   "\"C:\\Saver\\Quarlo.ini\")",
                   "WritePrivateProfileStringW(\"Section\", \"BGMﾌｧｲﾙ\", \"C:\\Music\\theme.mp3\", "
                   "\"C:\\Saver\\Quarlo.ini\")",
                   "GetWindowRect(4096)",
                   "DrawAnimatedRects(4096, 3, {280, 250, 760, 480}, {400, 300, 400, 300})"}));
  EXPECT_FALSE(p.IsLoaded());
  EXPECT_EQ(SaverSettings().SpriteCount, 120);
  EXPECT_EQ(SaverSettings().RepeatTrack, -3);
}

TEST_F(DialogTest, OkTakesTheTrackFromTheTypedText) {
  struct Case {
    const char* typed;
    const char* written;
  };
  for (const Case& c : {Case{"12", " 12"}, Case{" 12 ", " 12"}, Case{"", " 0"}, Case{"abc", " 0"},
                        Case{"2.5", " 2"}, Case{"3.5", " 4"}, Case{"-3", "-3"}, Case{"0", " 0"},
                        Case{"32767", " 32767"},
                        // A number too large for a track keeps the loaded one.
                        Case{"40000", " 7"}, Case{"1e9", " 7"}}) {
    SCOPED_TRACE(::testing::Message() << "typed \"" << c.typed << "\"");
    os.profiles.clear();
    Stored(50, 1, 7);
    Quarlo_P& p = Open();
    p.BGM_Repeat.TextEdited(c.typed);
    Press(p.Cmd_Set);
    EXPECT_EQ(os.profiles[kIniPath]["Section"]["BGMﾘﾋﾟｰﾄ"], c.written);
  }
}

TEST_F(DialogTest, OkWritesBackWhatItCouldNotShow) {
  // A count outside the bar's range and a source without a mark: the bar's design position and
  // the stored source go to the file.
  Stored(500, 7, 0);
  Quarlo_P& p = Open();
  Press(p.Cmd_Set);
  auto& section = os.profiles[kIniPath]["Section"];
  EXPECT_EQ(section["Quarloの数"], " 10");
  EXPECT_EQ(section["BGM区分"], " 7");
  EXPECT_EQ(section["BGMﾘﾋﾟｰﾄ"], " 0");
  EXPECT_EQ(section["BGMﾌｧｲﾙ"], "");
}

TEST_F(DialogTest, CancelAndTheCloseBoxWriteNothingButZoomClosed) {
  os.windowRects[kDialogWindow] = {280, 250, 760, 480};
  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Cancel");
    Stored(50, 0, 0);
    Quarlo_P& p = Open();
    p.HS_Fast.EndScroll(99);
    p.Img_BGM.At(1)->RaiseClick();
    os.clearCalls();
    if (closeBox)
      p.Unload();
    else
      Press(p.Cmd_Can);
    EXPECT_EQ(os.calls(),
              lines({"GetWindowRect(4096)",
                     "DrawAnimatedRects(4096, 3, {280, 250, 760, 480}, {400, 300, 400, 300})"}));
    EXPECT_FALSE(p.IsLoaded());
  }
}

// --- The home page
// -------------------------------------------------------------------------------------

TEST_F(DialogTest, HomePageLabelOpensTheAddressUnderTheHourglass) {
  Quarlo_P& p = Open();
  EXPECT_EQ(p.lbl_URL.CursorResource(), IDC_HAND_POINTER);
  EXPECT_TRUE(p.lbl_URL.GetFont().underline);
  EXPECT_EQ(p.lbl_URL.ForeColour(), fw::Rgb(255, 255, 255));
  os.clearCalls();
  p.lbl_URL.RaiseClick();
  EXPECT_EQ(os.calls(),
            lines({"LoadCursorA(0, 32514)", "SetCursor(32514)",
                   "ShellExecuteA(4096, \"open\", \"https://quarlo.example.org/\", \"\", \"\", 1)",
                   "LoadCursorA(0, 32512)", "SetCursor(32512)"}));
}

// --- The gradients
// -------------------------------------------------------------------------------------

fw::Colour Pixel(fw::Surface* surface, int x, int y) {
  return static_cast<testing::SoftwareSurface*>(surface)->ColourAt(x, y);
}

TEST_F(DialogTest, GradientsRunDarkBrightDarkDownTheWindowAndThePanel) {
  Quarlo_P& p = Open();
  fw::Surface* window = p.DrawingSurface();
  fw::Surface* panel = p.Pic_1.DrawingSurface();
  ASSERT_NE(window, nullptr);
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(window->Height(), 252);  // 2895 twips, then the line's band of 59 pixels
  ASSERT_EQ(panel->Height(), 117);   // 1755 twips
  // v = |sin(y / (H / 3.142)) * 220| rounded; the window adds 30 to the blue, the panel to all.
  struct Row {
    int y, v;
  };
  // The band runs dark, bright, dark over its own height, the design's rows as they were.
  for (const Row& r : {Row{0, 0}, Row{1, 4}, Row{48, 155}, Row{96, 220}, Row{192, 3},
                       Row{193, 0}, Row{222, 220}}) {
    SCOPED_TRACE(::testing::Message() << "window row " << r.y);
    const auto v = static_cast<std::uint8_t>(r.v);
    const fw::Colour expected = fw::Rgb(v, v, static_cast<std::uint8_t>(r.v + 30));
    EXPECT_EQ(Pixel(window, 0, r.y), expected);
    EXPECT_EQ(Pixel(window, window->Width() - 1, r.y), expected);
  }
  for (const Row& r : {Row{0, 0}, Row{1, 6}, Row{29, 155}, Row{58, 220}, Row{116, 6}}) {
    SCOPED_TRACE(::testing::Message() << "panel row " << r.y);
    const auto grey = static_cast<std::uint8_t>(r.v + 30);
    EXPECT_EQ(Pixel(panel, 0, r.y), fw::Rgb(grey, grey, grey));
    EXPECT_EQ(Pixel(panel, panel->Width() - 1, r.y), fw::Rgb(grey, grey, grey));
  }
}

TEST_F(DialogTest, AZeroHeightPanelPaintsNothingAndFailsQuietly) {
  Quarlo_P& p = Open();
  p.Pic_1.Resize(p.Pic_1.Width(), 0);
  ASSERT_EQ(p.Pic_1.DrawingSurface()->Height(), 0);
  p.Form_Resize();  // k = 0: the row brightness cannot be computed
  EXPECT_EQ(Pixel(p.DrawingSurface(), 3, 96), fw::Rgb(220, 220, 250));
}

}  // namespace
}  // namespace quarlo::testing
