#include "saver/quarlo_s.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "assets/asset_ids.h"
#include "settings/settings.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"
#include "support/software_surface.h"

namespace quarlo {
namespace {

using testing::FakeOs;
using testing::lines;

// The saver's window (the first the headless backend creates) gives up its notifications.
const std::string kUnregisterDisplay = "UnregisterPowerSettingNotification(29184)";
const std::string kUnregisterSession = "WTSUnRegisterSessionNotification(4096)";
const std::string kStopHearing =
    "RegisterRawInputDevices({{1, 6, 0x0001, 0}, {1, 2, 0x0001, 0}}, 2)";

fw::PicturePtr Filled(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
  auto picture = std::make_shared<fw::Picture>(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture->SetPixel(x, y, pixel(x, y));
  }
  return picture;
}

// One run of the saver window on the headless backend. `during(frame)` runs inside the frame's
// message processing (frame 1 is the first); a run that never ends is stopped after 400 frames,
// and fails.
struct SaverRun {
  explicit SaverRun(const std::string& commandText, std::int16_t spriteCount = 50) {
    ResetSaverSettings();
    SaverSettings().SpriteCount = spriteCount;
    os.commandText = commandText;
    os.refreshHz = 0;  // no compositor: each step is shown at its time
    os.everyFileReadable = true;
    sheet = Filled(1024, 1180, [](int x, int y) {
      return static_cast<std::uint32_t>(x / 128 << 20 | y / 295 << 16 | (x & 0x7F) << 8 |
                                        (y & 0xFF)) |
             0x808080u;
    });
    backend.pictures[IDR_WALK_SHEET] = sheet;
    for (int i = 0; i < saver::kSpriteFrames; ++i) {
      backend.pictures[IDR_QUARLO_FIRST + i] = Filled(60, 60, [](int, int) { return 0xFF0000u; });
      backend.pictures[IDR_MASK_FIRST + i] = Filled(60, 60, [](int, int) { return 0u; });
    }
  }

  void Run(const std::function<void(int frame)>& during) {
    saver = std::make_unique<Quarlo_S>(backend, os);
    backend.onDoEvents = [this, during] {
      ++frames;
      if (frames == 1) handle = saver->hWnd();
      during(frames);
      if (frames >= 400 && saver->IsLoaded()) {
        cutOff = true;
        ADD_FAILURE() << "the saver ran on past 400 frames";
        saver->Unload();  // the frame loop runs while the window is loaded
      }
    };
    saver->Load();
  }

  // The recorded calls without the frame loop's clock, timer and waits.
  std::vector<std::string> Calls() const {
    static const char* const kFrameLoop[] = {
        "GetVersionExW",    "QueryPerformanceFrequency",   "CreateWaitableTimerExW",
        "SetWaitableTimer", "DwmGetCompositionTimingInfo", "MsgWaitForMultipleObjectsEx",
        "CloseHandle"};
    std::vector<std::string> found;
    for (const auto& line : os.calls()) {
      if (std::none_of(std::begin(kFrameLoop), std::end(kFrameLoop),
                       [&](const char* name) { return line.rfind(name, 0) == 0; })) {
        found.push_back(line);
      }
    }
    return found;
  }
  // The same without the music's command strings either.
  std::vector<std::string> SystemCalls() const {
    std::vector<std::string> found = Calls();
    found.erase(std::remove_if(found.begin(), found.end(),
                               [](const std::string& line) { return line.rfind("mci", 0) == 0; }),
                found.end());
    return found;
  }
  std::ptrdiff_t IndexOf(const std::string& prefix) const {
    const auto& calls = os.calls();
    const auto it = std::find_if(calls.begin(), calls.end(), [&](const std::string& line) {
      return line.rfind(prefix, 0) == 0;
    });
    return it == calls.end() ? -1 : it - calls.begin();
  }
  testing::SoftwareSurface& Display() {
    return *dynamic_cast<testing::SoftwareSurface*>(saver->Display.DrawingSurface());
  }

  FakeOs os;
  testing::HeadlessBackend backend{os};
  fw::PicturePtr sheet;
  std::unique_ptr<Quarlo_S> saver;
  os::Handle handle = os::kNull;
  int frames = 0;
  bool cutOff = false;
};

TEST(Quarlo_S, IsABorderlessKeyPreviewingWindowWithItsControlsAndPictures) {
  SaverRun run("/s");
  run.Run([&](int) { run.saver->Display_Click(); });
  Quarlo_S& s = *run.saver;
  EXPECT_EQ(s.Caption(), "Quarlo_Main");
  EXPECT_EQ(s.Border(), fw::FormBorder::None);
  EXPECT_TRUE(s.KeyPreview());
  EXPECT_TRUE(s.CoversMonitor());
  EXPECT_EQ(s.Timer1.Interval(), 1000u);
  EXPECT_EQ(s.Timer2.Interval(), 200u);
  EXPECT_EQ(s.Scene().Pic_Mas().size(), 32u) << "the sheet's cells";
  EXPECT_FALSE(s.Scene().Pic_Quarlo()[22].Empty());
}

TEST(Quarlo_S, LoadCoversTheScreenStartsTheMusicShowsTopmostThenAnimates) {
  SaverRun run("/s");
  SaverSettings().MusicSource = kMusicFile;
  SaverSettings().MusicFile = "C:\\Music\\song.Mp3";
  bool visible = false, timersAsExpected = false;
  int width = 0, height = 0, displayWidth = 0, displayHeight = 0;
  std::size_t sprites = 0;
  run.Run([&](int frame) {
    if (frame != 3) return;
    const Quarlo_S& s = *run.saver;
    visible = s.Visible();
    width = s.Width();
    height = s.Height();
    displayWidth = s.Display.InnerWidthPixels();
    displayHeight = s.Display.InnerHeightPixels();
    sprites = run.saver->Engine().Sprites().size();
    timersAsExpected = s.Timer1.Enabled() && !s.Timer2.Enabled();
    run.saver->Form_KeyDown(32, 0);
  });
  EXPECT_TRUE(visible);
  EXPECT_EQ(width, 1024 * 15);
  EXPECT_EQ(height, 768 * 15);
  EXPECT_EQ(run.saver->Left(), 0);
  EXPECT_EQ(run.saver->Top(), 0);
  EXPECT_EQ(displayWidth, 1024);
  EXPECT_EQ(displayHeight, 768);
  EXPECT_EQ(sprites, 51u);
  EXPECT_TRUE(timersAsExpected) << "an MP3 is kept playing by Timer1";

  const std::ptrdiff_t open = run.IndexOf("mciSendStringA(\"open \"C:\\Music\\song.Mp3\"");
  const std::ptrdiff_t topmost = run.IndexOf("SetWindowPos(");
  const std::ptrdiff_t close = run.IndexOf("mciSendStringA(\"close MP3Play\"");
  const std::ptrdiff_t flags = run.IndexOf("SystemParametersInfoA(97");
  ASSERT_GE(open, 0);
  EXPECT_LT(open, topmost) << "the music starts before the window is shown";
  EXPECT_LT(topmost, close);
  EXPECT_LT(close, flags) << "the music stops first thing in EndSaver";
  const std::string window = std::to_string(run.handle);
  EXPECT_EQ(
      run.SystemCalls(),
      lines({"RegisterPowerSettingNotification(" + window +
                 ", {2b84c20e-ad23-4ddf-93db-05ffbd7efca5}, 0)",
             "WTSRegisterSessionNotification(" + window + ", 0)",
             "WTSQuerySessionInformationW(0, -1, 8)", "WTSQuerySessionInformationW(0, -1, 25)",
             "RegisterRawInputDevices({{1, 6, 0x0100, " + window + "}, {1, 2, 0x0100, " + window +
                 "}}, 2)",
             "EnumDisplayMonitors(0, NULL)", "GetMonitorInfoA(65537)",
             "CanOpenForReading(\"C:\\Music\\song.Mp3\")",
             "SetWindowPos(" + window + ", -1, 0, 0, 0, 0, 0x0013)",
             "SystemParametersInfoA(97, 0, NULL, 0)", "ShowCursor(TRUE)",
             "SystemParametersInfoA(17, 1, NULL, 0)", "UnregisterPowerSettingNotification(29184)",
             "WTSUnRegisterSessionNotification(" + window + ")", kStopHearing, "ExitProcess(0)"}));
}

TEST(Quarlo_S, EndSaverRestoresCursorAndRunningFlagOnlyInSaverMode) {
  struct Case {
    const char* commandText;
    std::vector<std::string> endCalls;
  };
  const Case cases[] = {
      {"/s",
       {"SystemParametersInfoA(97, 0, NULL, 0)", "ShowCursor(TRUE)",
        "SystemParametersInfoA(17, 1, NULL, 0)", kUnregisterDisplay, kUnregisterSession,
        kStopHearing, "ExitProcess(0)"}},
      {"/S",
       {"SystemParametersInfoA(97, 0, NULL, 0)", "ShowCursor(TRUE)",
        "SystemParametersInfoA(17, 1, NULL, 0)", kUnregisterDisplay, kUnregisterSession,
        kStopHearing, "ExitProcess(0)"}},
      {"",
       {"SystemParametersInfoA(17, 1, NULL, 0)", kUnregisterDisplay, kUnregisterSession,
        kStopHearing, "ExitProcess(0)"}},
  };
  for (const Case& c : cases) {
    SaverRun run(c.commandText);
    int presents = 0;
    run.Run([&](int frame) {
      if (frame == 2) {
        presents = run.Display().Presents();
        run.os.clearCalls();
        run.saver->EndSaver();
      }
    });
    EXPECT_EQ(run.Calls(), c.endCalls) << "command text \"" << c.commandText << "\"";
    EXPECT_FALSE(IsTrue(run.saver->Running));
    EXPECT_FALSE(run.saver->IsLoaded()) << "the window is closed";
    EXPECT_EQ(run.frames, 2) << "no frame is drawn after the exit";
    EXPECT_EQ(presents, 2) << "the first two steps shown, the third waiting for its time";
  }
}

TEST(Quarlo_S, EveryWayOutFromOutsideStopsTheMusicAndGivesBackTheSystemStateThroughEndSaver) {
  // Another program closes the window or takes the activation, the session ends, or a key,
  // a click or a close request reaches the window on another monitor: the saver must not
  // leave the screen-saver-running flag set, the cursor hidden, the MP3 open, nor the
  // notifications of its window registered.
  struct Case {
    const char* what;
    std::function<void(Quarlo_S&)> act;
  };
  const Case cases[] = {
      {"the window unloaded", [](Quarlo_S& s) { s.Unload(); }},
      {"a close request", [](Quarlo_S& s) { s.Close(fw::UnloadMode::FormControlMenu); }},
      {"the end of the session", [](Quarlo_S& s) { s.Close(fw::UnloadMode::AppWindows); }},
      {"another program activated", [](Quarlo_S& s) { s.Form_AppDeactivate(); }},
      {"a key on another monitor",
       [](Quarlo_S& s) { s.Monitors().Screens()[1].own->Form_KeyDown(65, 0); }},
      {"a click on another monitor",
       [](Quarlo_S& s) { s.Monitors().Screens()[1].own->Display.RaiseClick(); }},
      {"another monitor's window closed",
       [](Quarlo_S& s) { s.Monitors().Screens()[1].own->Close(fw::UnloadMode::FormControlMenu); }},
  };
  for (const Case& c : cases) {
    SaverRun run("/s");
    run.os.monitors.push_back({{1024, 0, 1824, 600}, {1024, 0, 1824, 600}, 0});
    SaverSettings().MusicSource = kMusicFile;
    SaverSettings().MusicFile = "C:\\Music\\song.mp3";
    run.Run([&](int frame) {
      if (frame == 3) {
        run.os.clearCalls();
        c.act(*run.saver);
      }
    });
    std::vector<std::string> expected = {"mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
                                         "mciSendStringA(\"close MP3Play\", NULL, 0, 0)",
                                         "SystemParametersInfoA(97, 0, NULL, 0)",
                                         "ShowCursor(TRUE)",
                                         "SystemParametersInfoA(17, 1, NULL, 0)",
                                         "ExitProcess(0)"};
    // Before the window goes: in EndSaver's unload, or first thing when it is unloaded.
    expected.insert(
        std::string(c.what) == "the window unloaded" ? expected.begin() : expected.end() - 1,
        {kUnregisterDisplay, kUnregisterSession, kStopHearing});
    EXPECT_EQ(run.Calls(), expected) << c.what;
    EXPECT_EQ(run.frames, 3) << c.what << ": no frame is drawn after the exit";
    EXPECT_FALSE(IsTrue(run.saver->Running)) << c.what;
    EXPECT_FALSE(run.saver->IsLoaded()) << c.what;
  }
}

TEST(Quarlo_S, AWindowThatCannotBeCreatedEndsTheSaverAtOnceThroughEndSaver) {
  SaverRun run("/s");
  run.backend.windowsFail = true;
  run.saver = std::make_unique<Quarlo_S>(run.backend, run.os);
  LoadSaver(*run.saver);
  EXPECT_EQ(run.os.calls(), lines({"SystemParametersInfoA(97, 0, NULL, 0)", "ShowCursor(TRUE)",
                                   "SystemParametersInfoA(17, 1, NULL, 0)", "ExitProcess(0)"}));
  EXPECT_EQ(run.backend.doEventsCount, 0) << "no loop ran";
}

TEST(Quarlo_S,
     EveryOtherMonitorGetsAWindowThatFollowsTheDisplayChangesAndScalesWithoutEndingTheSaver) {
  constexpr os::Rect kLeft = {-1280, -200, 0, 824};
  constexpr os::Rect kRight = {1920, 0, 4480, 1440};
  SaverRun run("/s");
  // Listed in the system's order, the primary monitor between the two others.
  run.os.monitors = {{kLeft, kLeft, 0},
                     {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, os::kMonitorInfoFPrimary},
                     {kRight, kRight, 0}};
  run.backend.screenWidth = 1920;
  run.backend.screenHeight = 1080;
  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<os::Rect> covers;
    int width, height;  // the saver's and its display's, in pixels
    int percent = 100;  // the scale the saver draws at
  };
  auto& monitors = run.os.monitors;
  const Step steps[] = {
      {"at load", [] {}, {kLeft, kRight}, 1920, 1080},
      {"the right monitor resized",
       [&] {
         monitors[2].monitor = {1920, 0, 3840, 1200};
       },
       {kLeft, {1920, 0, 3840, 1200}},
       1920,
       1080},
      {"the left monitor removed",
       [&] { monitors.erase(monitors.begin()); },
       {{1920, 0, 3840, 1200}},
       1920,
       1080},
      {"a monitor added below",
       [&] {
         monitors.push_back({{0, 1080, 1920, 2160}, {0, 1080, 1920, 2160}, 0});
       },
       {{1920, 0, 3840, 1200}, {0, 1080, 1920, 2160}},
       1920,
       1080},
      {"the primary screen's resolution changed",
       [&] {
         monitors[0].monitor = {0, 0, 1280, 1024};
         run.backend.screenWidth = 1280;
         run.backend.screenHeight = 1024;
       },
       {{1920, 0, 3840, 1200}, {0, 1080, 1920, 2160}},
       1280,
       1024},
      {"the primary monitor at 200 % (its window told of the new scale), the others at theirs",
       [&] {
         monitors[0].monitor = {0, 0, 3840, 2160};
         monitors[1].monitor = {3840, 0, 5760, 1200};
         run.backend.screenWidth = 3840;
         run.backend.screenHeight = 2160;
         run.backend.dpi = 192;
       },
       {{3840, 0, 5760, 1200}, {0, 1080, 1920, 2160}},
       3840,
       2160,
       200},
      {"Windows 8.1 has no window's scale to ask: its monitor's, 150 %",
       [&] {
         run.backend.dpi = 0;
         run.os.windowDpi = 0;
         run.os.monitorDpi = 144;
       },
       {{3840, 0, 5760, 1200}, {0, 1080, 1920, 2160}},
       3840,
       2160,
       150},
  };
  const std::size_t stepCount = std::size(steps);
  std::vector<std::vector<os::Rect>> covered;
  std::vector<std::vector<os::Handle>> handles;
  std::vector<fw::Size> sizes, displaySizes;
  std::vector<std::string> lastTopmost;
  const auto topmost = [](os::Handle window) {
    return "SetWindowPos(" + std::to_string(window) + ", -1, 0, 0, 0, 0, 0x0013)";
  };
  std::vector<int> scales, sheetWidths;
  Bool16 screenSaveCancel = kFalse;
  run.Run([&](int frame) {
    const auto step = static_cast<std::size_t>(frame - 2);
    if (frame < 2 || step >= stepCount) {
      if (frame == 2 + static_cast<int>(stepCount)) {
        run.saver->Form_ScreenSave(screenSaveCancel);
      }
      if (frame == 3 + static_cast<int>(stepCount)) run.saver->Form_KeyDown(32, 0);
      return;
    }
    if (step > 0) {
      steps[step].change();
      run.saver->Form_DisplayChange();
    }
    covered.emplace_back();
    handles.emplace_back();
    for (const auto& screen : run.saver->Monitors().Screens()) {
      if (screen.window == run.saver.get()) continue;
      EXPECT_EQ(screen.scene, nullptr) << "black";
      EXPECT_TRUE(screen.window->CoversMonitor());
      covered.back().push_back(screen.area);
      handles.back().push_back(screen.window->hWnd());
    }
    sizes.push_back(
        {fw::TwipsToPixels(run.saver->Width(), 15), fw::TwipsToPixels(run.saver->Height(), 15)});
    displaySizes.push_back({run.saver->Display.DrawingSurface()->Width(),
                            run.saver->Display.DrawingSurface()->Height()});
    lastTopmost.push_back(run.os.callsStartingWith("SetWindowPos(").back());
    scales.push_back(run.saver->Engine().Scale());
    sheetWidths.push_back(run.saver->Scene().Pic_Mas().front().Width() * 8);
  });
  ASSERT_EQ(covered.size(), stepCount);
  for (std::size_t i = 0; i < stepCount; ++i) {
    const Step& step = steps[i];
    EXPECT_EQ(covered[i], step.covers) << step.what;
    EXPECT_EQ(sizes[i], (fw::Size{step.width, step.height})) << step.what;
    EXPECT_EQ(displaySizes[i], (fw::Size{step.width, step.height})) << step.what;
    EXPECT_EQ(lastTopmost[i], topmost(run.handle))
        << step.what << ": the saver stays above the new windows";
    EXPECT_EQ(scales[i], step.percent) << step.what;
    EXPECT_EQ(sheetWidths[i], 1024 * step.percent / 100) << step.what << ": pictures for it";
  }
  EXPECT_EQ(handles[1], handles[0]) << "a resized monitor keeps its window";
  const auto raised = run.os.callsStartingWith("SetWindowPos(");
  ASSERT_GE(raised.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(raised.begin(), raised.begin() + 3),
            lines({topmost(handles[0][0]), topmost(handles[0][1]), topmost(run.handle)}))
      << "each window made topmost as it is shown";
  EXPECT_TRUE(IsTrue(screenSaveCancel)) << "the system's screen-saver request is refused";
  EXPECT_EQ(run.frames, 3 + static_cast<int>(stepCount)) << "only the key ended the saver";
  EXPECT_EQ(run.os.callsStartingWith("ExitProcess").size(), 1u);
}

TEST(Quarlo_S, EveryKeyEndsTheSaverExceptTheCdArrowKeysAlsoWhenHeardInTheBackground) {
  // A key through the window, or heard as raw input while another window kept the foreground;
  // in the background a key's release, moving the mouse or its wheel ends nothing.
  const auto key = [](int keyCode, std::uint16_t flags = 0) {
    return os::RawInput{os::kRimTypeKeyboard, flags, static_cast<std::uint16_t>(keyCode), 0};
  };
  const auto mouse = [](std::uint16_t buttonFlags) {
    return os::RawInput{os::kRimTypeMouse, 0, 0, buttonFlags};
  };
  struct Heard {
    os::RawInput input;
    bool ends;
  };
  for (const Heard& h :
       {Heard{key(65), true}, Heard{key(65, os::kRiKeyBreak), false}, Heard{mouse(0), false},
        Heard{mouse(0x0400), false}, Heard{mouse(0x0001), true}, Heard{mouse(0x0004), true}}) {
    SaverRun run("/s");
    run.Run([&](int frame) {
      if (frame == 5) run.saver->BackgroundInput(h.input);
      if (frame == 8) run.saver->Display_Click();
    });
    EXPECT_EQ(run.frames, h.ends ? 5 : 8)
        << "raw input " << h.input.type << " " << h.input.keyFlags << " " << h.input.buttonFlags;
  }
  struct Case {
    std::int16_t musicSource;
    int keyCode;
    bool ends;
  };
  const Case cases[] = {
      {kMusicNone, 16, true}, {kMusicNone, 17, true}, {kMusicNone, 18, true},  // modifiers alone
      {kMusicNone, 27, true}, {kMusicNone, 65, true}, {kMusicNone, 37, true},
      {kMusicNone, 39, true}, {kMusicFile, 39, true}, {kMusicCd, 37, false},
      {kMusicCd, 39, false},  {kMusicCd, 38, true},   {kMusicCd, 16, true},
  };
  for (const Case& c : cases) {
    SaverRun run("/s");
    SaverSettings().MusicSource = c.musicSource;
    SaverSettings().MusicFile = "C:\\a.wav";
    run.Run([&](int frame) {
      if (frame == 5) run.saver->BackgroundInput(key(c.keyCode));
      if (frame == 8) run.saver->Display_Click();
    });
    EXPECT_EQ(run.frames, c.ends ? 5 : 8) << "source " << c.musicSource << " key " << c.keyCode;
    EXPECT_EQ(run.os.callsStartingWith("ExitProcess").size(), 1u)
        << "source " << c.musicSource << " key " << c.keyCode;
  }
}

TEST(Quarlo_S, ClickOnTheDisplayEndsTheSaverAndTimersReachTheMusic) {
  SaverRun run("/s");
  SaverSettings().MusicSource = kMusicCd;
  std::size_t mciBeforeTick = 0, mciAfterTick = 0;
  run.Run([&](int frame) {
    if (frame == 2) {
      mciBeforeTick = run.os.callsStartingWith("mciSendStringA").size();
      run.saver->Timer2.RaiseTick();
      mciAfterTick = run.os.callsStartingWith("mciSendStringA").size();
    }
    if (frame == 4) run.saver->Display.RaiseClick();
  });
  EXPECT_GT(mciAfterTick, mciBeforeTick) << "Timer2 polls the CD";
  EXPECT_EQ(run.frames, 4);
  EXPECT_TRUE(run.os.exited());
  EXPECT_FALSE(run.cutOff);
}

TEST(Quarlo_S, EachFrameShowsTheNextStepOfTheWalkAtTheCentre) {
  SaverRun run("/s", -1);
  std::vector<std::uint32_t> centre;
  std::vector<int> presents;
  run.Run([&](int frame) {
    centre.push_back(run.Display().Buffer().Pixel(448, 236));
    presents.push_back(run.Display().Presents());
    if (frame == 13) run.saver->Form_KeyDown(32, 0);
  });
  ASSERT_EQ(centre.size(), 13u);
  for (int frame = 0; frame < 13; ++frame) {
    const int column = 7 - frame / 6;
    EXPECT_EQ(centre[static_cast<std::size_t>(frame)], run.sheet->Pixel(column * 128, 0))
        << "frame " << frame + 1;
    // The first step is shown at once; each later one is composed and shown after its wait.
    EXPECT_EQ(presents[static_cast<std::size_t>(frame)], frame + 1) << "one present per frame";
  }
  EXPECT_NEAR(run.os.nowMs, 1000 + 13 * fw::FramePacer::kStepMs, 1e-3)
      << "each step waits for its time, 60 steps a second; the key came in step 14's wait";
}

TEST(Quarlo_S, WithEveryMonitorChosenEachMonitorHasASceneOfItsOwnScaleThatFollowsTheMonitors) {
  constexpr os::Rect kPrimary = {0, 0, 1920, 1080}, kLeft = {-1280, -200, 0, 824},
                     kRight = {1920, 0, 4480, 1440}, kBelow = {0, 1080, 1920, 2160};
  // The primary monitor's pixels after 40 frames with the choice off, to compare.
  std::vector<std::uint32_t> alone;
  const auto pixels = [](const fw::Picture& p) {
    return std::vector<std::uint32_t>(p.Pixels(), p.Pixels() + p.Width() * p.Height());
  };
  const auto prepare = [&](SaverRun& run) {
    run.backend.screenWidth = 1920;
    run.backend.screenHeight = 1080;
    run.backend.dpi = 0;
    run.backend.monitorDpi = {{kPrimary, 96}, {kLeft, 144}, {kRight, 192}};
    run.os.monitors = {
        {kLeft, kLeft, 0}, {kPrimary, kPrimary, os::kMonitorInfoFPrimary}, {kRight, kRight, 0}};
  };
  {
    SaverRun off("/s");
    prepare(off);
    off.Run([&](int frame) {
      if (frame == 40) alone = pixels(off.Display().Buffer());
      if (frame == 41) off.saver->Form_KeyDown(32, 0);
    });
  }
  SaverRun run("/s");
  prepare(run);
  SaverSettings().EveryMonitor = kTrue;
  struct Seen {
    std::vector<os::Rect> areas;
    std::vector<int> scales, presents;
    std::vector<os::Handle> handles;
  };
  std::vector<Seen> seen;
  std::vector<std::uint32_t> primary;
  std::vector<std::vector<float>> heights;  // two scenes' sprites' heights after set-up
  const auto height = [&](saver::Scene& scene) {
    heights.emplace_back();
    for (const auto& sprite : scene.Engine().Sprites()) heights.back().push_back(sprite.PosY);
  };
  const auto look = [&] {
    Seen now;
    for (const auto& screen : run.saver->Monitors().Screens()) {
      if (screen.window == run.saver.get()) continue;
      now.areas.push_back(screen.area);
      now.scales.push_back(screen.scene ? screen.scene->Engine().Scale() : 0);
      now.presents.push_back(
          dynamic_cast<testing::SoftwareSurface&>(*screen.display->DrawingSurface()).Presents());
      now.handles.push_back(screen.window->hWnd());
    }
    seen.push_back(now);
  };
  run.Run([&](int frame) {
    if (frame == 1) {
      look();
      height(run.saver->Scene());
      height(*run.saver->Monitors().Screens()[2].scene);
    }
    if (frame == 40) {
      primary = pixels(run.Display().Buffer());
      look();
      run.os.monitors.erase(run.os.monitors.begin());  // the left monitor unplugged
      run.os.monitors.push_back({kBelow, kBelow, 0});  // another plugged in below
      run.saver->Form_DisplayChange();
      look();
    }
    if (frame == 42) run.saver->Monitors().Screens()[2].own->Form_KeyDown(32, 0);
  });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].areas, (std::vector<os::Rect>{kLeft, kRight}));
  EXPECT_EQ(seen[0].scales, (std::vector<int>{150, 200})) << "each a scene at its monitor's scale";
  EXPECT_EQ(primary, alone) << "the primary monitor shows what it shows alone";
  EXPECT_NE(heights[0], heights[1]) << "a random sequence of its own";
  EXPECT_EQ(seen[1].presents, (std::vector<int>{seen[1].presents[0], seen[1].presents[0]}))
      << "every scene shown in the same frames";
  EXPECT_GT(seen[1].presents[0], 30);
  EXPECT_EQ(seen[2].areas, (std::vector<os::Rect>{kRight, kBelow}));
  EXPECT_EQ(seen[2].handles[0], seen[1].handles[1]) << "the right monitor keeps its window";
  EXPECT_EQ(seen[2].scales, (std::vector<int>{200, 100}));
  EXPECT_EQ(run.frames, 42) << "a key on another monitor's scene ended the saver";
  EXPECT_EQ(run.os.callsStartingWith("ExitProcess").size(), 1u);
}

TEST(Quarlo_S, NothingIsDrawnOrPlayedWhileNobodyWatchesAndTheWalkGoesOnFromTheSameStep) {
  struct Case {
    const char* what;
    std::function<void(fw::FrameDriver&)> away, back;
    double wakeMs;  // how long each pass of the pause waited
  };
  const Case cases[] = {
      {"display off", [](fw::FrameDriver& d) { d.PowerSetting(os::kGuidSessionDisplayStatus, 0); },
       [](fw::FrameDriver& d) { d.PowerSetting(os::kGuidSessionDisplayStatus, 1); }, 0},
      // Locked behind the secure desktop, it looks once a second whether it is shown again.
      {"session locked", [](fw::FrameDriver& d) { d.SessionChange(fw::Audience::kSessionLock); },
       [](fw::FrameDriver& d) { d.SessionChange(fw::Audience::kSessionUnlock); },
       fw::FrameDriver::kInputDesktopCheckMs},
      {"session disconnected",
       [](fw::FrameDriver& d) { d.SessionChange(fw::Audience::kConsoleDisconnect); },
       [](fw::FrameDriver& d) { d.SessionChange(fw::Audience::kConsoleConnect); }, 0},
  };
  for (const Case& c : cases) {
    SaverRun run("/s", -1);
    SaverSettings().MusicSource = kMusicCd;
    std::vector<std::uint32_t> centre;
    std::vector<int> presents;
    std::vector<double> clock;
    std::size_t mciBefore = 0, mciDuringPause = 0;
    run.Run([&](int pass) {
      centre.push_back(run.Display().Buffer().Pixel(448, 236));
      presents.push_back(run.Display().Presents());
      clock.push_back(run.os.nowMs);
      if (pass == 6) c.away(run.backend.Frames());  // step 6 shown, step 7 not yet
      if (pass == 8) {
        mciBefore = run.os.callsStartingWith("mciSendStringA").size();
        run.saver->Timer2.RaiseTick();
        mciDuringPause = run.os.callsStartingWith("mciSendStringA").size();
      }
      if (pass == 10) c.back(run.backend.Frames());
      if (pass == 13) run.saver->Form_KeyDown(32, 0);
    });
    ASSERT_EQ(centre.size(), 13u) << c.what;
    // Passes 7 to 10 are messages handled while nobody watches: nothing composed or shown, and
    // no time waited for but the looks at a locked session's desktop.
    for (std::size_t pass = 6; pass < 10; ++pass) {
      EXPECT_EQ(centre[pass], centre[5]) << c.what << ", pass " << pass + 1;
      EXPECT_EQ(presents[pass], presents[5]) << c.what << ", pass " << pass + 1;
      EXPECT_NEAR(clock[pass] - clock[pass - 1], c.wakeMs, 1e-3) << c.what << ", pass " << pass + 1;
    }
    EXPECT_EQ(mciDuringPause, mciBefore) << c.what << ": no music timer runs while nobody watches";
    const auto count = [&](const char* command) {
      const auto& calls = run.os.calls();
      return std::count_if(calls.begin(), calls.end(), [&](const std::string& line) {
        return line.find(command) != std::string::npos;
      });
    };
    EXPECT_EQ(count("\"pause cdaudio\""), 1) << c.what << ": the music pauses with the picture";
    EXPECT_EQ(count("\"play cdaudio\""), 1) << c.what << ": and goes on with it";
    // Back: step 7 is composed and shown at once (after pass 11), then 8 follows at its pace.
    EXPECT_EQ(presents[11], presents[5] + 1) << c.what;
    EXPECT_EQ(presents[12], presents[5] + 2) << c.what;
    EXPECT_EQ(centre[12], run.sheet->Pixel(6 * 128, 0)) << c.what << ": step 8, column 6";
    EXPECT_EQ(clock[10], clock[9]) << c.what << ": no steps made up for the pause";
    EXPECT_NEAR(clock[12] - clock[10], 2 * fw::FramePacer::kStepMs, 1e-3) << c.what;
  }
}

TEST(Quarlo_S, SurvivesOddSpriteCountsMissingPicturesAndTinyScreens) {
  struct Case {
    std::int16_t spriteCount;
    int width, height;
    bool pictures;
    std::size_t sprites;
  };
  const Case cases[] = {
      {-1, 1024, 768, true, 0},        {0, 1024, 768, true, 1},    {300, 1024, 768, true, 301},
      {32767, 1024, 768, true, 32768}, {50, 1024, 768, false, 51}, {50, 100, 200, true, 51},
      {50, 1, 1, false, 51},           {-1, 100, 200, true, 0},
  };
  for (const Case& c : cases) {
    SaverRun run("/s", c.spriteCount);
    run.backend.screenWidth = c.width;
    run.backend.screenHeight = c.height;
    if (!c.pictures) run.backend.pictures.clear();
    std::uint32_t corner = 0;
    run.Run([&](int frame) {
      corner = run.Display().Buffer().Pixel(0, 0);
      if (frame == 12) run.saver->Form_KeyDown(65, 0);
    });
    const std::string name = std::to_string(c.spriteCount) + " sprites on " +
                             std::to_string(c.width) + " x " + std::to_string(c.height) +
                             (c.pictures ? "" : " without pictures");
    EXPECT_EQ(run.saver->Engine().Sprites().size(), c.sprites) << name;
    EXPECT_EQ(run.frames, 12) << name;
    EXPECT_TRUE(run.os.exited()) << name;
    if (!c.pictures) {
      EXPECT_EQ(corner, 0u) << name << ": nothing to draw, the display stays black";
    }
    if (c.width == 100 && c.sprites == 0) {
      // Frame 12 shows column 6; the cell starts at (-14, -47), so its pixel (14, 47) lands on
      // the corner.
      EXPECT_EQ(corner, run.sheet->Pixel(6 * 128 + 14, 47)) << name;
    }
  }
}

}  // namespace
}  // namespace quarlo
