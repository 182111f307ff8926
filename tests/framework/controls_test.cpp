// Forms and controls on the headless backend: creation order, the form's life, the scroll bar's
// rules, timers, hit-testing of windowless controls, the tab order, twips and frame pacing.

#include <gtest/gtest.h>

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

  std::vector<std::string> log;
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

TEST(FramePacer, OneFramePerRefreshStartingAfreshWhenFarBehind) {
  EXPECT_NEAR(FramePacer(0).PeriodMs(), 1000.0 / 60, 1e-9);
  EXPECT_NEAR(FramePacer(1).PeriodMs(), 1000.0 / 60, 1e-9);
  EXPECT_NEAR(FramePacer(75).PeriodMs(), 1000.0 / 75, 1e-9);

  FramePacer pacer(50);  // 20 ms
  EXPECT_EQ(pacer.Deadline(1000), 1000) << "the first frame goes at once";
  pacer.Advance();
  EXPECT_EQ(pacer.Deadline(1005), 1020) << "a quick frame waits for the next refresh";
  pacer.Advance();
  EXPECT_EQ(pacer.Deadline(1050), 1040) << "a little late: no wait, and no drift";
  pacer.Advance();
  EXPECT_EQ(pacer.Deadline(1070), 1060);
  pacer.Advance();
  EXPECT_EQ(pacer.Deadline(1200), 1200) << "far behind: start afresh";
  pacer.Advance();
  EXPECT_EQ(pacer.Deadline(1201), 1220);
}

}  // namespace
}  // namespace quarlo::fw
