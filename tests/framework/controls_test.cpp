// Forms and controls on the headless backend: creation order, the form's life, the scroll bar's
// rules, timers, hit-testing of windowless controls, the tab order, twips, and the frame
// driver's pace and waits on the fake system's clock and display.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/form.h"
#include "framework/frame_driver.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"

namespace quarlo::fw {
namespace {

using testing::FakeOs;
using testing::HeadlessBackend;
using testing::lines;

class Probe : public UserControl {
 public:
  Probe(Container* parent, std::string name, std::vector<std::string>& log)
      : UserControl(parent, std::move(name)), log_(log) {}
  std::string_view TypeName() const override { return "Quarlo.Probe"; }
  void UserControl_Resize() override {
    log_.push_back(Name() + " resize " + std::to_string(InnerWidthPixels()) + "x" +
                   std::to_string(InnerHeightPixels()));
  }
  Label caption{this, "LblMsg"};

 private:
  std::vector<std::string>& log_;
};

class Window : public Form {
 public:
  explicit Window(Backend& backend) : Form(backend, "Window") {
    panel.Move(240, 240, 6495, 1755);
    button.Move(1800, 1080, 435, 315);
  }
  void Form_Load() override { log.push_back("Form_Load"); }
  void Form_Resize() override { log.push_back("Form_Resize"); }
  void Form_Unload() override { log.push_back("Form_Unload"); }
  void Form_QueryUnload(Bool16& Cancel, UnloadMode mode) override {
    log.push_back("Form_QueryUnload " + std::to_string(static_cast<int>(mode)));
    Cancel = refuseClose;
  }

  std::vector<std::string> log;
  Bool16 refuseClose = kFalse;
  Label first{this, "first"};
  PictureBox panel{this, "panel"};
  Probe button{&panel, "button", log};
  HScrollBar bar{&panel, "bar"};
  Timer timer{this, "timer"};
};

class FormTest : public ::testing::Test {
 protected:
  FakeOs os;
  HeadlessBackend backend{os};
  Window form{backend};
};

TEST_F(FormTest, ControlsAreListedInCreationOrderWhateverTheirContainer) {
  std::vector<std::string> names;
  for (Control* control : form.Controls()) names.push_back(control->Name());
  EXPECT_EQ(names,
            (std::vector<std::string>{"first", "panel", "button", "LblMsg", "bar", "timer"}));
  EXPECT_EQ(form.panel.Children().size(), 2u);
  EXPECT_EQ(&form.button.caption.OwnerForm(), &form);
  {
    Label passing(&form.panel, "passing");
    EXPECT_EQ(form.Controls().back(), &passing);
  }
  EXPECT_EQ(form.Controls().back()->Name(), "timer");
  EXPECT_EQ(form.panel.Children().size(), 2u);
}

TEST_F(FormTest, LoadSizesUserControlsBeforeFormLoadAndShowRaisesResizeOnce) {
  EXPECT_FALSE(form.Visible()) << "a form is hidden until shown";
  form.Load();
  EXPECT_EQ(form.log, (std::vector<std::string>{"button resize 29x21", "Form_Load"}));
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(form.panel.hWnd(), os::kNull);
  EXPECT_EQ(form.first.hWnd(), os::kNull) << "labels have no window";

  form.Show();
  form.Show();
  EXPECT_EQ(form.log.back(), "Form_Resize");
  EXPECT_EQ(std::count(form.log.begin(), form.log.end(), "Form_Resize"), 1);
  EXPECT_TRUE(form.Visible());

  form.button.Resize(1215, 375);
  EXPECT_EQ(form.log.back(), "button resize 81x25");
  form.log.clear();
  form.button.Move(0, 0);  // moving alone is no resize
  EXPECT_TRUE(form.log.empty());

  form.Unload();
  EXPECT_EQ(form.log.back(), "Form_Unload");
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.panel.Peer(), nullptr);
  EXPECT_EQ(form.panel.DrawingSurface(), nullptr);
}

TEST_F(FormTest, AModalShowRunsTheBackendsModalLoop) {
  bool ranModal = false;
  backend.onModal = [&](Form& modal) {
    ranModal = &modal == &form;
    EXPECT_EQ(form.log.back(), "Form_Resize") << "the form is shown before the loop";
    modal.Unload();
  };
  form.Show(true);
  EXPECT_TRUE(ranModal);
  EXPECT_FALSE(form.IsLoaded());
}

TEST_F(FormTest, ACloseRequestAsksFormQueryUnloadWhichMayRefuseIt) {
  form.Load();
  form.log.clear();
  form.refuseClose = kTrue;
  form.Close(UnloadMode::FormControlMenu);
  EXPECT_TRUE(form.IsLoaded());
  form.refuseClose = kFalse;
  form.Close(UnloadMode::AppWindows);
  EXPECT_FALSE(form.IsLoaded());
  form.Close(UnloadMode::FormControlMenu);  // nothing left to close
  EXPECT_EQ(form.log,
            (std::vector<std::string>{"Form_QueryUnload 0", "Form_QueryUnload 2", "Form_Unload"}));
}

TEST_F(FormTest, AFormWhoseWindowCannotBeCreatedStaysUnloadedAndAModalShowReturnsAtOnce) {
  backend.windowsFail = true;
  bool ranModal = false;
  backend.onModal = [&](Form&) { ranModal = true; };
  EXPECT_FALSE(form.Load());
  form.Show(true);
  EXPECT_FALSE(ranModal) << "no loop may wait for a window that does not exist";
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(form.log.empty()) << "neither Form_Load nor anything after it ran";
  EXPECT_EQ(form.panel.Peer(), nullptr);
}

TEST_F(FormTest, ClientSizeIsTheWholeFormWithoutAFrame) {
  form.SetClientSize(6975, 2895);
  form.Load();
  EXPECT_EQ(form.Width(), 6975);
  EXPECT_EQ(form.ScaleWidth(), 6975);
  EXPECT_EQ(form.ScaleHeight(), 2895);
}

TEST_F(FormTest, DrawableControlsGetSurfacesOfTheirPixelSize) {
  form.panel.SetBorder(Border::FixedSingle);
  form.Load();
  ASSERT_NE(form.panel.DrawingSurface(), nullptr);
  EXPECT_EQ(form.panel.InnerWidthPixels(), 431) << "the border takes a pixel each side";
  EXPECT_EQ(form.panel.DrawingSurface()->Width(), 431);
  EXPECT_EQ(form.panel.DrawingSurface()->Height(), 115);
  form.panel.SetBorder(Border::None);
  EXPECT_EQ(form.panel.DrawingSurface()->Width(), 433);
  form.panel.Resize(1500, 1200);
  EXPECT_EQ(form.panel.DrawingSurface()->Width(), 100);
  EXPECT_EQ(form.panel.DrawingSurface()->Height(), 80);
  EXPECT_EQ(form.bar.Peer()->DrawingSurface(), nullptr);
}

TEST(HScrollBar, ValueStaysWithinTheRangeEitherWayRound) {
  FakeOs os;
  HeadlessBackend backend{os};
  Window form(backend);
  HScrollBar& bar = form.bar;
  int changes = 0;
  bar.Changed = [&] { ++changes; };
  bar.SetRange(10, 300, 1, 10);
  EXPECT_EQ(bar.Value(), 10) << "the range pulled the position 0 up to Min";
  const struct {
    int value;
    bool accepted;
    int after;
  } moves[] = {
      {10, true, 10}, {300, true, 300}, {301, false, 300}, {9, false, 300},
      {50, true, 50}, {50, true, 50},  // the same position again: accepted, no change raised
  };
  for (const auto& m : moves) {
    EXPECT_EQ(bar.SetValue(m.value), m.accepted) << m.value;
    EXPECT_EQ(bar.Value(), m.after) << m.value;
  }
  EXPECT_EQ(changes, 2) << "only 300 and 50 moved the thumb";

  // A range that no longer holds the position pulls it in, without a change event.
  bar.SetRange(100, 200, 1, 10);
  EXPECT_EQ(bar.Value(), 100);
  EXPECT_EQ(changes, 2);

  // Min above Max: the range runs backwards and still bounds the position.
  bar.SetRange(20, 0, 1, 5);
  EXPECT_EQ(bar.Value(), 20);
  EXPECT_TRUE(bar.SetValue(0));
  EXPECT_FALSE(bar.SetValue(21));
  EXPECT_FALSE(bar.SetValue(-1));
}

TEST(HScrollBar, DraggingScrollsAndTheReleaseChangesOnlyWhenTheThumbMoved) {
  FakeOs os;
  HeadlessBackend backend{os};
  Window form(backend);
  HScrollBar& bar = form.bar;
  bar.SetRange(0, 100, 1, 10);
  bar.SetValue(40);
  std::vector<std::string> seen;
  bar.Changed = [&] { seen.push_back("change " + std::to_string(bar.Value())); };
  bar.Scrolled = [&] { seen.push_back("scroll " + std::to_string(bar.Value())); };
  bar.RaiseScroll(45);
  bar.RaiseScroll(140);  // dragged past the end: the position stops at Max
  bar.EndScroll(100);
  bar.RaiseScroll(90);
  bar.RaiseScroll(100);
  bar.EndScroll(100);  // back where the drag began: no change
  bar.EndScroll(7);    // a thumb release without a drag
  EXPECT_EQ(seen, (std::vector<std::string>{"scroll 45", "scroll 100", "change 100", "scroll 90",
                                            "scroll 100", "change 7"}));
}

TEST(Timer, TicksOnlyWhileEnabledWithAnInterval) {
  FakeOs os;
  HeadlessBackend backend{os};
  Window form(backend);
  int ticks = 0;
  form.timer.Tick = [&] { ++ticks; };
  form.timer.RaiseTick();  // interval 0: a timer that never runs
  form.timer.SetInterval(100);
  form.timer.RaiseTick();
  form.timer.SetEnabled(false);
  form.timer.RaiseTick();
  EXPECT_FALSE(form.timer.TimerEnabled());
  form.timer.SetEnabled(true);
  form.timer.RaiseTick();
  EXPECT_EQ(ticks, 2);
}

TEST(ComboBox, TheUsersTextRaisesChangedButTheProgramsDoesNot) {
  FakeOs os;
  HeadlessBackend backend{os};
  Window form(backend);
  ComboBox combo(&form.panel, "BGM_Repeat");
  int changes = 0;
  combo.Changed = [&] { ++changes; };
  combo.SetText("12");
  combo.AddItem("");
  combo.AddItem("1");
  EXPECT_EQ(changes, 0);
  combo.TextEdited("3");
  EXPECT_EQ(combo.Text(), "3");
  EXPECT_EQ(changes, 1);
}

TEST(WindowlessChildAt, FindsTheTopmostVisibleEnabledLabelOrImage) {
  FakeOs os;
  HeadlessBackend backend{os};
  Window form(backend);
  PictureBox& panel = form.panel;
  Label under(&panel, "under");
  under.Move(100, 100, 1000, 300);
  Image mark(&panel, "mark");
  mark.Move(500, 100, 195, 195);
  Shape frame(&panel, "frame");
  frame.Move(0, 0, 3000, 3000);
  const struct {
    int x, y;
    const Control* expected;
  } points[] = {
      {100, 100, &under},     // top-left corner is inside
      {1099, 399, &under},    // the last twip inside
      {1100, 200, nullptr},   // right edge is outside
      {200, 400, nullptr},    // bottom edge is outside
      {600, 150, &mark},      // the later control lies on top
      {2000, 2000, nullptr},  // shapes take no mouse
      {99, 150, nullptr},
  };
  for (const auto& p : points)
    EXPECT_EQ(WindowlessChildAt(panel, p.x, p.y), p.expected) << p.x << "," << p.y;

  mark.SetVisible(false);
  EXPECT_EQ(WindowlessChildAt(panel, 600, 150), &under);
  under.SetEnabled(false);
  EXPECT_EQ(WindowlessChildAt(panel, 600, 150), nullptr);
  EXPECT_TRUE(IsWindowless(under));
  EXPECT_TRUE(IsWindowless(form.timer));
  EXPECT_FALSE(IsWindowless(panel));
}

TEST(TabOrder, FollowsTabIndexThenCreationOrderAndWrapsRound) {
  FakeOs os;
  HeadlessBackend backend{os};
  Form form(backend, "Quarlo_P");
  PictureBox pic(&form, "Pic_1");
  HScrollBar bar(&pic, "HS_Fast");
  ComboBox list(&pic, "BGM_Repeat");
  Label label(&pic, "lbl");
  PictureBox loose(&form, "loose");  // no TabIndex: after the others
  pic.SetTabIndex(0);
  list.SetTabIndex(1);
  bar.SetTabIndex(2);
  const auto windows = [](const Control& c) {
    return !IsWindowless(c) && c.Visible() && c.Enabled();
  };
  std::vector<std::string> names;
  for (Control* c : TabOrder(form, windows)) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Pic_1", "BGM_Repeat", "HS_Fast", "loose"}));

  EXPECT_EQ(NextInTabOrder(form, &pic, false, windows), &list);
  EXPECT_EQ(NextInTabOrder(form, &loose, false, windows), &pic);
  EXPECT_EQ(NextInTabOrder(form, &pic, true, windows), &loose);
  EXPECT_EQ(NextInTabOrder(form, &label, false, windows), &pic) << "from outside the order";
  EXPECT_EQ(NextInTabOrder(form, nullptr, true, windows), &loose);
  list.SetEnabled(false);
  EXPECT_EQ(NextInTabOrder(form, &pic, false, windows), &bar);
  EXPECT_EQ(NextInTabOrder(form, &pic, false, [](const Control&) { return false; }), nullptr);
}

TEST(Twips, ConvertToTheNearestPixel) {
  const struct {
    int twips;
    double perPixel;
    int pixels;
  } cases[] = {
      {2280, 15, 152}, {1680, 15, 112}, {7, 15, 0},      {8, 15, 1}, {-8, 15, -1},
      {1215, 12, 101}, {1214, 12, 101}, {1206, 12, 100},  // 120 dpi; 100.5 goes to the even 100
      {100, 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TwipsToPixels(c.twips, c.perPixel), c.pixels) << c.twips << " / " << c.perPixel;
  EXPECT_EQ(PixelsToTwips(152, 15), 2280);
  EXPECT_EQ(PixelsToTwips(81, 12), 972);
}

// What the frame driver did over 11 seconds of the fake system's clock: when each step was
// composed (composing takes 1 ms), each present with the step it showed and when (right after
// the steps it composed), and how many message passes ran. `duringPass` runs inside each pass.
struct LoopRun {
  struct Present {
    int step;
    double atMs;
  };

  explicit LoopRun(FakeOs& fake, const std::function<void(FrameDriver&)>& duringPass = {})
      : os(fake) {
    FrameDriver driver(os, [&] {
      ++passes;
      if (duringPass) duringPass(driver);
    });
    const double end = os.nowMs + 11000.0;
    driver.Run(
        [&](int steps) {
          for (int i = 0; i < steps; ++i) {
            composedAt.push_back(os.nowMs);
            os.nowMs += 1.0;
          }
          presents.push_back({static_cast<int>(composedAt.size()), os.nowMs});
        },
        [&] { return os.nowMs < end; }, [&](bool watched) { watchChanges.push_back(watched); });
  }
  // When a present is seen: on the first refresh after it, or at once without a compositor.
  double ShownMs(const Present& present) const {
    if (!(os.refreshHz > 0)) return present.atMs;
    const double period = 1000.0 / os.refreshHz;
    return (std::floor(present.atMs / period + 1e-9) + 1) * period;
  }
  // Steps composed in the 10 s after the first present (the loop's start-up set aside).
  double StepsInTenSeconds() const {
    const double from = presents.front().atMs;
    return static_cast<double>(std::count_if(composedAt.begin(), composedAt.end(), [&](double at) {
      return at >= from && at < from + 10000.0;
    }));
  }
  std::size_t Waits() const { return os.callsStartingWith("MsgWaitForMultipleObjectsEx").size(); }

  FakeOs& os;
  std::vector<double> composedAt;
  std::vector<Present> presents;
  std::vector<bool> watchChanges;
  int passes = 0;
};

TEST(FrameLoop, SixtyStepsASecondOnEveryDisplayEachShownOnceOnTheFirstRefreshItIsDue) {
  // Waits come back on time, up to 2 ms late (a 1 ms timer resolution on a busy machine), or up
  // to 15.6 ms late (a scheduler tick, should the fine resolution be refused): then a step may
  // be shown a refresh late (the late wake and the composing after it pass the refresh), and the
  // next one is skipped, but none is shown twice.
  struct Case {
    double hz;  // 0: no compositor
    double lateMs;
    bool highResolution;
  };
  const Case cases[] = {
      {60, 0, true},    {60, 2, false},   {60, 15.6, false}, {0, 0, true},       {0, 2, false},
      {0, 15.6, false}, {59.94, 0, true}, {59.94, 2, false}, {75, 0, true},      {75, 2, false},
      {120, 0, true},   {144, 0, true},   {144, 2, false},   {144, 15.6, false}, {165, 0, true},
      {240, 0, true},   {240, 2, false},  {240, 15.6, true}, {30, 0, true},      {30, 2, false},
  };
  for (const Case& c : cases) {
    FakeOs os;
    os.refreshHz = c.hz;
    os.waitLateMs = c.lateMs;
    os.highResolutionTimers = c.highResolution;
    const LoopRun run(os);
    const std::string name =
        (c.hz > 0 ? std::to_string(c.hz) + " Hz composited" : "no compositor") + ", waits up to " +
        std::to_string(c.lateMs) + " ms late";
    ASSERT_FALSE(run.presents.empty()) << name;
    const double steps = run.StepsInTenSeconds();
    // A display slower than 60 Hz is given its steps in twos (or more) before each present.
    EXPECT_NEAR(steps, 600, c.hz > 0 && c.hz < 60 ? 2 : 1) << name;
    // Step n is due n steps after step 0: seen on the first refresh at or after that, each step
    // lies the same distance from its refresh, give or take less than one refresh.
    double nearest = 1e18, farthest = -1e18;
    int skipped = 0;
    for (std::size_t i = 0; i < run.presents.size(); ++i) {
      const LoopRun::Present& present = run.presents[i];
      const double offset = run.ShownMs(present) - present.step * FramePacer::kStepMs;
      nearest = std::min(nearest, offset);
      farthest = std::max(farthest, offset);
      if (i == 0) continue;
      const LoopRun::Present& before = run.presents[i - 1];
      EXPECT_GT(present.step, before.step) << name << ": step " << present.step << " shown twice";
      if (c.hz > 0) {
        EXPECT_GT(run.ShownMs(present), run.ShownMs(before))
            << name << ": two presents on one refresh: " << before.step << " at " << before.atMs
            << ", " << present.step << " at " << present.atMs;
      }
      if (present.atMs < run.presents.front().atMs + 10000.0) {
        skipped += present.step - before.step - 1;
      }
    }
    if (c.lateMs == 0) {
      EXPECT_LT(farthest - nearest, c.hz > 0 ? 1000.0 / c.hz : 1.5)
          << name << ": a step not on the first refresh at or after its time";
    }
    if (c.lateMs > 2) {
      EXPECT_LT(skipped, 0.15 * steps) << name;
    } else if (c.hz >= 60 || c.hz == 0) {
      EXPECT_EQ(skipped, 0) << name;
    } else {
      // Only the steps the slower display has no refresh for are left unshown.
      EXPECT_NEAR(skipped, steps - 10 * c.hz, 2) << name;
    }
    // One wait and one message pass for each present, whatever the refresh rate.
    EXPECT_LE(run.Waits(), run.presents.size() + 1) << name;
    EXPECT_LE(static_cast<std::size_t>(run.passes), run.presents.size() + 1) << name;
  }
}

TEST(FrameLoop, ALockedSessionStopsTheFramesOnlyOnceTheSecureDesktopHasTheInput) {
  // A saver that shows the logon screen on resume: the lock is reported at 3 s while its own
  // desktop is still shown; the secure desktop takes the input at 5 s; the unlock comes at 8 s.
  FakeOs os;
  os.threadDesktopHasInput = true;
  const double lockAt = os.nowMs + 3000, hiddenAt = os.nowMs + 5000, unlockAt = os.nowMs + 8000;
  bool locked = false;
  const LoopRun run(os, [&](FrameDriver& driver) {
    if (!locked && os.nowMs >= lockAt) {
      locked = true;
      driver.SessionChange(Audience::kSessionLock);
      os.messageAtMs = unlockAt;
    }
    if (os.nowMs >= hiddenAt) os.threadDesktopHasInput = false;
    if (os.nowMs >= unlockAt && !driver.Watching()) driver.SessionChange(Audience::kSessionUnlock);
  });
  const auto composedBetween = [&](double from, double to) {
    return std::count_if(run.composedAt.begin(), run.composedAt.end(),
                         [&](double at) { return at >= from && at < to; });
  };
  EXPECT_GT(composedBetween(lockAt, hiddenAt), 100) << "still on the screen: it goes on";
  EXPECT_EQ(composedBetween(hiddenAt + FrameDriver::kInputDesktopCheckMs, unlockAt), 0)
      << "hidden within a look of the secure desktop taking the input";
  EXPECT_EQ(run.watchChanges, std::vector<bool>({false, true}));
  // Looked at once at the lock, then once a second, running or paused; never after the unlock.
  const auto looks = os.callsStartingWith("ThreadDesktopHasInput").size();
  EXPECT_GE(looks, 5u);
  EXPECT_LE(looks, 7u);
}

TEST(FrameLoop, NothingIsComposedOrShownWhileNobodyWatchesAndTheTimerResolutionIsGivenBack) {
  for (const double hz : {144.0, 0.0}) {
    for (const bool highResolution : {true, false}) {
      FakeOs os;
      os.refreshHz = hz;
      os.highResolutionTimers = highResolution;
      const double awayFrom = os.nowMs + 3000, awayUntil = os.nowMs + 5000;
      const LoopRun run(os, [&](FrameDriver& driver) {
        if (driver.Watching() && os.nowMs >= awayFrom && os.nowMs < awayUntil) {
          driver.SessionChange(Audience::kConsoleDisconnect);
          os.messageAtMs = awayUntil;  // the reconnection, as the next message
        } else if (!driver.Watching() && os.nowMs >= awayUntil) {
          driver.SessionChange(Audience::kConsoleConnect);
        }
      });
      const std::string name =
          (hz > 0 ? std::string("composited") : "no compositor") +
          (highResolution ? ", a high-resolution timer" : ", a 1 ms resolution");
      for (const double at : run.composedAt) {
        EXPECT_TRUE(at < awayFrom || at >= awayUntil) << name << ": a step composed at " << at;
      }
      for (std::size_t i = 0; i < run.presents.size(); ++i) {
        const double at = run.presents[i].atMs;
        EXPECT_TRUE(at < awayFrom || at >= awayUntil) << name << ": a present at " << at;
        if (i > 0) {
          EXPECT_EQ(run.presents[i].step, run.presents[i - 1].step + 1) << name << " at " << at;
        }
      }
      EXPECT_NEAR(run.StepsInTenSeconds(), 480, 2)
          << name << ": eight seconds watched, no catching up afterwards";
      EXPECT_EQ(run.watchChanges, std::vector<bool>({false, true})) << name;
      // While paused: one wait for messages only, and no timer resolution held.
      std::vector<std::string> pauses;
      for (const std::string& line : os.calls()) {
        if (line.rfind("time", 0) == 0 ||
            line.rfind("MsgWaitForMultipleObjectsEx(0, {}, INFINITE", 0) == 0) {
          pauses.push_back(line);
        }
      }
      const std::string untimed = "MsgWaitForMultipleObjectsEx(0, {}, INFINITE, 0x1CFF, 0x0004)";
      EXPECT_EQ(pauses, highResolution ? lines({untimed})
                                       : lines({"timeBeginPeriod(1)", "timeEndPeriod(1)", untimed,
                                                "timeBeginPeriod(1)", "timeEndPeriod(1)"}))
          << name;
    }
  }
}

TEST(FrameLoop, EveryWaitAsksForTheInputTheSystemKnowsAndAFailedWaitSleepsInsteadOfSpinning) {
  struct Case {
    os::OsVersion version;
    bool waitsFail;
    const char* wakeFlags;
  };
  for (const Case& c : {Case{{6, 1, 7601}, false, "0x04FF"}, Case{{6, 2, 9200}, false, "0x1CFF"},
                        Case{{10, 0, 19045}, false, "0x1CFF"}, Case{{6, 1, 7601}, true, "0x04FF"},
                        Case{{10, 0, 22631}, true, "0x1CFF"}}) {
    FakeOs os;
    os.version = c.version;
    os.waitsFail = c.waitsFail;
    const std::string name = std::to_string(c.version.major) + "." +
                             std::to_string(c.version.minor) +
                             (c.waitsFail ? ", every wait failing" : "");
    const LoopRun run(os);
    const auto waits = os.callsStartingWith("MsgWaitForMultipleObjectsEx");
    ASSERT_FALSE(waits.empty()) << name;
    for (const std::string& wait : waits) {
      EXPECT_NE(wait.find(std::string(", ") + c.wakeFlags + ", 0x0004)"), std::string::npos)
          << name << ": " << wait;
    }
    EXPECT_NEAR(run.StepsInTenSeconds(), 600, 2) << name;
    EXPECT_LE(waits.size(), run.presents.size() + 1) << name << ": no spinning";
    if (c.waitsFail) {
      const auto sleeps = os.callsStartingWith("Sleep(");
      EXPECT_EQ(sleeps.size(), waits.size()) << name;
      EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), "Sleep(0)"), 0) << name;
    }
  }
}

TEST(FramePacer, AStallStartsTheClockAfreshInsteadOfABurstOfSteps) {
  FramePacer pacer;
  pacer.Restart(1000, std::nullopt);
  EXPECT_EQ(pacer.PresentMs(std::nullopt), 1000) << "the first step at once";
  EXPECT_EQ(pacer.StepsToShow(1000, std::nullopt), 1);
  pacer.Presented(1, 1000, std::nullopt);
  EXPECT_NEAR(pacer.PresentMs(std::nullopt), 1000 + FramePacer::kStepMs, 1e-9);
  EXPECT_EQ(pacer.StepsToShow(1000 + 3 * FramePacer::kStepMs, std::nullopt), 3)
      << "behind: steps 1, 2 and 3, the last shown";
  pacer.Presented(3, 1050, std::nullopt);
  EXPECT_EQ(pacer.StepsToShow(3000, std::nullopt), 1) << "two seconds behind";
  pacer.Presented(1, 3000, std::nullopt);
  EXPECT_NEAR(pacer.DueMs(), 3000 + FramePacer::kStepMs, 1e-9)
      << "the step went then and the clock counts on from it";
}

TEST(FrameDriver, ListensToTheSessionsDisplayAndReadsTheSessionsStateWhenTheWindowIsCreated) {
  struct Case {
    const char* what;
    os::OsVersion version;
    std::optional<std::int32_t> connectState, sessionLock;
    bool desktopHasInput;
    bool watching;
    const char* setting;
  };
  const char* kSessionDisplay = "{2b84c20e-ad23-4ddf-93db-05ffbd7efca5}";
  const char* kMonitorPower = "{02731015-4510-4526-99e6-e5a17ebd1aea}";
  const Case cases[] = {
      {"Windows 10, unlocked",
       {10, 0, 19045},
       0,
       os::kWtsSessionStateUnlock,
       false,
       true,
       kSessionDisplay},
      {"Windows 10, locked",
       {10, 0, 19045},
       0,
       os::kWtsSessionStateLock,
       false,
       false,
       kSessionDisplay},
      {"locked, but a saver that shows the logon screen on resume is still on the screen",
       {10, 0, 19045},
       0,
       os::kWtsSessionStateLock,
       true,
       true,
       kSessionDisplay},
      {"lock state unknown",
       {10, 0, 19045},
       0,
       os::kWtsSessionStateUnknown,
       false,
       true,
       kSessionDisplay},
      {"disconnected",
       {10, 0, 19045},
       os::kWtsDisconnected,
       os::kWtsSessionStateUnlock,
       false,
       false,
       kSessionDisplay},
      {"Windows 7, locked", {6, 1, 7601}, 0, os::kWtsSessionStateLock, false, false, kMonitorPower},
      {"Vista answers no lock state", {6, 0, 6002}, 0, std::nullopt, false, true, kMonitorPower},
  };
  for (const Case& c : cases) {
    FakeOs os;
    os.version = c.version;
    os.connectState = c.connectState;
    os.sessionLock = c.sessionLock;
    os.threadDesktopHasInput = c.desktopHasInput;
    FrameDriver driver(os, [] {});
    driver.Listen(0x1234);
    EXPECT_EQ(driver.Watching(), c.watching) << c.what;
    EXPECT_EQ(os.callsStartingWith("RegisterPowerSettingNotification"),
              lines({"RegisterPowerSettingNotification(4660, " + std::string(c.setting) + ", 0)"}))
        << c.what;
    os.clearCalls();
    driver.PowerSetting(
        c.version.major >= 10 ? os::kGuidSessionDisplayStatus : os::kGuidMonitorPowerOn, 0);
    EXPECT_FALSE(driver.Watching()) << c.what << ": the display off";
    driver.StopListening();
    driver.StopListening();
    EXPECT_EQ(os.calls(), lines({"UnregisterPowerSettingNotification(29184)",
                                 "WTSUnRegisterSessionNotification(4660)"}))
        << c.what;
  }
}

TEST(Audience, WatchesWhileTheDisplayIsOnOrDimmedAndTheSessionIsConnectedAndUnlockedOrSeen) {
  enum Kind { kDisplay, kSession, kOwnDesktopHasInput };
  struct Event {
    Kind kind;
    std::uint32_t value;
    bool watching;
  };
  const std::vector<Event> events = {
      {kDisplay, 2, true},  // dimmed: still seen
      {kDisplay, 0, false},
      {kDisplay, 1, true},  // off, on
      {kOwnDesktopHasInput, 0, true},
      {kSession, Audience::kSessionLock, false},
      {kSession, Audience::kSessionUnlock, true},
      {kSession, Audience::kConsoleDisconnect, false},
      {kSession, Audience::kRemoteConnect, true},  // the session moved to a remote client
      {kSession, Audience::kRemoteDisconnect, false},
      {kSession, Audience::kConsoleConnect, true},
      {kSession, Audience::kSessionLock, false},
      {kDisplay, 0, false},
      {kSession, Audience::kSessionUnlock, false},  // unlocked, but the display is still off
      {kSession, 5, false},                         // a logon elsewhere changes nothing
      {kDisplay, 1, true},
      // A saver asking for the logon screen on resume: the lock is reported while its own
      // desktop still has the input, and it is hidden once the secure desktop takes it.
      {kOwnDesktopHasInput, 1, true},
      {kSession, Audience::kSessionLock, true},
      {kOwnDesktopHasInput, 0, false},
      {kSession, Audience::kSessionUnlock, true},
  };
  Audience audience;
  EXPECT_TRUE(audience.Watching());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    if (e.kind == kDisplay) audience.DisplayState(e.value);
    if (e.kind == kSession) audience.SessionChange(e.value);
    if (e.kind == kOwnDesktopHasInput) audience.InputDesktop(e.value != 0);
    EXPECT_EQ(audience.Watching(), e.watching) << "event " << i;
  }
}

}  // namespace
}  // namespace quarlo::fw
