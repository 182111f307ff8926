// Forms and controls on the headless backend: creation order, the form's life, the scroll bar's
// rules, timers, hit-testing of windowless controls, the tab order, twips, and the frame loop's
// pace on simulated displays.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/form.h"
#include "framework/frame_pacer.h"

namespace quarlo::fw {
namespace {

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
  HeadlessBackend backend;
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
  HeadlessBackend backend;
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
  HeadlessBackend backend;
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
  HeadlessBackend backend;
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
  HeadlessBackend backend;
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
  combo.Clear();
  EXPECT_TRUE(combo.Items().empty());
  EXPECT_EQ(combo.Text(), "3");
}

TEST(WindowlessChildAt, FindsTheTopmostVisibleEnabledLabelOrImage) {
  HeadlessBackend backend;
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
  HeadlessBackend backend;
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

// A simulated clock and display for the frame loop. The display refreshes every 1000 / hz ms;
// with a compositor, WaitForRefresh goes to the next refresh. A timed wait wakes up to
// `overshootMs` late (15.6 ms is a scheduler tick without a fine timer resolution); composing a
// step takes 1 ms. Nobody watches from `awayFromMs` to `awayUntilMs`: a wait without a deadline
// sleeps until then, as if the message that brings the viewer back were the next one.
class SimulatedDisplay final : public FramePlatform {
 public:
  SimulatedDisplay(double hz, bool composited, double overshootMs)
      : periodMs(1000.0 / hz), composited_(composited), overshoot_(0.0, overshootMs) {}

  double NowMs() override { return now; }
  bool Watching() override { return now < awayFromMs || now >= awayUntilMs; }
  bool Composited() override { return composited_; }
  void WaitUntil(std::optional<double> deadlineMs, const std::function<bool()>& done) override {
    ++waits;
    if (done()) return;
    if (!deadlineMs) {
      ++untimedWaits;
      now = std::max(now, awayUntilMs);
    } else if (now < *deadlineMs) {
      if (!Watching()) ++timedWaitsWhileAway;
      now = *deadlineMs + overshoot_(random_);
    }
  }
  std::optional<double> WaitForRefresh() override {
    if (!composited_) return std::nullopt;
    ++refreshWaits;
    now = (std::floor(now / periodMs + 1e-9) + 1) * periodMs;
    return now;
  }
  // The refresh on which a present made now is shown: with a compositor the next one.
  std::int64_t ShownOnRefresh() const {
    return static_cast<std::int64_t>(std::floor(now / periodMs + 1e-9)) + 1;
  }

  double periodMs;
  double now = 1000.0;
  double awayFromMs = 1e18, awayUntilMs = 1e18;
  int waits = 0, untimedWaits = 0, timedWaitsWhileAway = 0, refreshWaits = 0;

 private:
  bool composited_;
  std::mt19937 random_{7};
  std::uniform_real_distribution<double> overshoot_;
};

// What a frame loop did over 11 simulated seconds: the time each step was composed, and for each
// present the step it showed, when that step was due, when it was presented and on which refresh
// it is shown.
struct LoopRun {
  struct Present {
    int step;
    double dueMs;
    double atMs;
    std::int64_t refresh;
  };
  std::vector<double> composedAt;
  std::vector<Present> presents;

  LoopRun(SimulatedDisplay& display, int reportedHz) {
    FramePacer pacer(reportedHz);
    const double end = display.now + 11000.0;
    RunFrameLoop(
        display, pacer,
        {[&] {
           composedAt.push_back(display.now);
           display.now += 1.0;
         },
         [&] {
           presents.push_back({static_cast<int>(composedAt.size()), pacer.DueMs(), display.now,
                               display.ShownOnRefresh()});
         },
         [&] { return display.now < end; }});
  }
  // Steps composed in the 10 s after the first present (the loop's start-up set aside).
  double StepsInTenSeconds() const {
    const double from = presents.front().atMs;
    return static_cast<double>(std::count_if(composedAt.begin(), composedAt.end(), [&](double at) {
      return at >= from && at < from + 10000.0;
    }));
  }
};

TEST(FrameLoop, SixtyStepsASecondOnEveryDisplayEachShownOnceOnTheFirstRefreshItIsDue) {
  struct Case {
    double hz;
    int reportedHz;  // 59.94 Hz modes are reported as 59
    bool composited;
    double overshootMs;
  };
  const Case cases[] = {
      {60, 60, true, 0},         {60, 60, true, 15.6},      {60, 60, false, 15.6},
      {59.94, 59, true, 0},      {59.94, 59, true, 15.6},   {59.94, 59, false, 15.6},
      {75, 75, true, 0},         {75, 75, true, 15.6},      {75, 75, false, 15.6},
      {120, 120, true, 0},       {120, 120, true, 15.6},    {120, 120, false, 15.6},
      {144, 144, true, 0},       {144, 144, true, 15.6},    {144, 144, false, 15.6},
      {165, 165, true, 0},       {165, 165, true, 15.6},    {165, 165, false, 15.6},
      {240, 240, true, 0},       {240, 240, true, 15.6},    {240, 240, false, 15.6},
      {30, 30, true, 0},         {30, 30, true, 15.6},      {60, 0, false, 0},
  };
  for (const Case& c : cases) {
    SimulatedDisplay display(c.hz, c.composited, c.overshootMs);
    const LoopRun run(display, c.reportedHz);
    const std::string name = std::to_string(c.hz) + " Hz reported as " +
                             std::to_string(c.reportedHz) +
                             (c.composited ? ", composited" : ", no compositor") +
                             ", waits up to " + std::to_string(c.overshootMs) + " ms late";
    ASSERT_FALSE(run.presents.empty()) << name;
    const double steps = run.StepsInTenSeconds();
    EXPECT_NEAR(steps, 600, 1) << name;
    int skipped = 0;
    for (std::size_t i = 0; i < run.presents.size(); ++i) {
      const LoopRun::Present& present = run.presents[i];
      const double shownMs = c.composited ? static_cast<double>(present.refresh) * display.periodMs
                                          : present.atMs;
      EXPECT_GE(shownMs, present.dueMs - 1e-6) << name << ": step " << present.step << " early";
      if (c.overshootMs == 0) {
        // The compositor shows it on the first refresh at or after its time; without one the
        // present goes at its time (the first step after the 1 ms it takes to compose).
        EXPECT_LT(shownMs - present.dueMs, c.composited ? display.periodMs : 1.5)
            << name << ": step " << present.step << " not on the first refresh after it is due";
      }
      if (i == 0) continue;
      const LoopRun::Present& before = run.presents[i - 1];
      EXPECT_GT(present.step, before.step) << name << ": step " << present.step << " shown twice";
      if (c.composited) {
        EXPECT_GT(present.refresh, before.refresh) << name << ": two presents on one refresh";
      }
      if (present.atMs < run.presents.front().atMs + 10000.0) {
        skipped += present.step - before.step - 1;
      }
    }
    if (c.hz >= 60) {
      EXPECT_EQ(skipped, 0) << name;
    } else {
      // Only the steps the slower display has no refresh for are left unshown.
      const double refreshes = 10000.0 / display.periodMs;
      EXPECT_NEAR(skipped, steps - refreshes, 2) << name;
    }
    // No busy waiting: a message pass follows a refresh or a step's timer, nothing else.
    EXPECT_LE(display.waits, display.refreshWaits + static_cast<int>(run.composedAt.size()) + 2)
        << name;
  }
}

TEST(FrameLoop, NothingIsComposedOrShownWhileNobodyWatchesAndTheStepsGoOnWhereTheyStopped) {
  for (const bool composited : {true, false}) {
    for (const double overshoot : {0.0, 15.6}) {
      SimulatedDisplay display(144, composited, overshoot);
      display.awayFromMs = display.now + 3000;
      display.awayUntilMs = display.now + 5000;
      const LoopRun run(display, 144);
      const std::string name = std::string(composited ? "composited" : "no compositor") +
                               ", waits up to " + std::to_string(overshoot) + " ms late";
      for (const double at : run.composedAt) {
        EXPECT_TRUE(at < display.awayFromMs || at >= display.awayUntilMs)
            << name << ": a step composed at " << at;
      }
      for (std::size_t i = 0; i < run.presents.size(); ++i) {
        const double at = run.presents[i].atMs;
        EXPECT_TRUE(at < display.awayFromMs || at >= display.awayUntilMs)
            << name << ": a present at " << at;
        if (i > 0) {
          EXPECT_EQ(run.presents[i].step, run.presents[i - 1].step + 1)
              << name << ": from step " << run.presents[i - 1].step << " at "
              << run.presents[i - 1].atMs << " to " << run.presents[i].step << " at " << at;
        }
      }
      EXPECT_NEAR(run.StepsInTenSeconds(), 480, 2)
          << name << ": eight seconds watched, no catching up afterwards";
      EXPECT_EQ(display.untimedWaits, 1) << name;
      EXPECT_EQ(display.timedWaitsWhileAway, 0) << name << ": no timer while nobody watches";
    }
  }
}

TEST(FramePacer, AStallStartsTheClockAfreshInsteadOfABurstOfSteps) {
  FramePacer pacer(60);
  pacer.Restart(1000);
  pacer.Composed(1);
  EXPECT_EQ(pacer.DueMs(), 1000);
  EXPECT_EQ(pacer.StepsToCompose(1001), 1) << "the next step, ahead of its time";
  pacer.Composed(1);
  EXPECT_NEAR(pacer.DueMs(), 1000 + FramePacer::kStepMs, 1e-9);
  EXPECT_EQ(pacer.StepsToCompose(1000 + 3 * FramePacer::kStepMs), 2) << "behind: steps 3 and 4";
  pacer.Composed(2);
  EXPECT_EQ(pacer.StepsToCompose(3000), 1) << "two seconds behind";
  pacer.Composed(1);
  EXPECT_EQ(pacer.DueMs(), 3000) << "the step goes now and the clock counts on from it";
  EXPECT_EQ(pacer.StepsToCompose(3001), 1);
  EXPECT_NEAR(FramePacer(0).RefreshPeriodMs(), 1000.0 / 60, 1e-9);
  EXPECT_NEAR(FramePacer(1).RefreshPeriodMs(), 1000.0 / 60, 1e-9);
  EXPECT_NEAR(FramePacer(144).RefreshPeriodMs(), 1000.0 / 144, 1e-9);
}

TEST(Audience, WatchesWhileTheDisplayIsOnOrDimmedAndTheSessionIsUnlockedAndConnected) {
  struct Event {
    bool display;  // else a session change
    std::uint32_t value;
    bool watching;
  };
  const std::vector<Event> events = {
      {true, 2, true},                         // dimmed: still seen
      {true, 0, false},  {true, 1, true},      // off, on
      {false, Audience::kSessionLock, false},  {false, Audience::kSessionUnlock, true},
      {false, Audience::kConsoleDisconnect, false},
      {false, Audience::kRemoteConnect, true},  // the session moved to a remote client
      {false, Audience::kRemoteDisconnect, false},
      {false, Audience::kConsoleConnect, true},
      {false, Audience::kSessionLock, false},  {true, 0, false},
      {false, Audience::kSessionUnlock, false},  // unlocked, but the display is still off
      {false, 5, false},                         // a logon elsewhere changes nothing
      {true, 1, true},
  };
  Audience audience;
  EXPECT_TRUE(audience.Watching());
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].display) {
      audience.DisplayState(events[i].value);
    } else {
      audience.SessionChange(events[i].value);
    }
    EXPECT_EQ(audience.Watching(), events[i].watching) << "event " << i;
  }
}

}  // namespace
}  // namespace quarlo::fw
