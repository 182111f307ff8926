// The button's input: the transition table event by event, the hover timer, the odd rows and the
// scenarios a user produces with a real mouse.

#include <gtest/gtest.h>

#include "command_fixture.h"

namespace quarlo::testing {
namespace {

using State = Command::State;
using Strings = std::vector<std::string>;

enum class Ev {
  Initialize,
  Move,
  CaptionMove,
  TickOverSelf,
  TickOverParent,
  TickOverOther,
  Focus,
  Blur,
  LeftDown,
  CaptionLeftDown,
  LeftUp,
  CaptionLeftUp,
  RightDown,
  RightUp,
  MiddleDown,
  MiddleUp,
  Resize,
};

class InputTest : public CommandTest {
 protected:
  void Do(Ev event) {
    Command& b = button();
    switch (event) {
      case Ev::Initialize:
        b.Initialize();
        break;
      case Ev::Move:
        b.UserControl_MouseMove(0, 0, 300, 150);
        break;
      case Ev::CaptionMove:
        b.LblMsg.MouseMove(0, 0, 300, 50);
        break;
      case Ev::TickOverSelf:
        TickWithPointerOver(OwnWindow());
        break;
      case Ev::TickOverParent:
        TickWithPointerOver(ParentWindow());
        break;
      case Ev::TickOverOther:
        TickWithPointerOver(kOtherWindow);
        break;
      case Ev::Focus:
        b.UserControl_GotFocus();
        break;
      case Ev::Blur:
        b.UserControl_LostFocus();
        break;
      case Ev::LeftDown:
        b.UserControl_MouseDown(fw::kLeftButton, 0, 300, 150);
        break;
      case Ev::CaptionLeftDown:
        b.LblMsg.MouseDown(fw::kLeftButton, 0, 300, 50);
        break;
      case Ev::LeftUp:
        b.UserControl_MouseUp(fw::kLeftButton, 0, 300, 150);
        break;
      case Ev::CaptionLeftUp:
        b.LblMsg.MouseUp(fw::kLeftButton, 0, 300, 50);
        break;
      case Ev::RightDown:
        b.UserControl_MouseDown(fw::kRightButton, 0, 300, 150);
        break;
      case Ev::RightUp:
        b.UserControl_MouseUp(fw::kRightButton, 0, 300, 150);
        break;
      case Ev::MiddleDown:
        b.UserControl_MouseDown(fw::kMiddleButton, 0, 300, 150);
        break;
      case Ev::MiddleUp:
        b.UserControl_MouseUp(fw::kMiddleButton, 0, 300, 150);
        break;
      case Ev::Resize:
        b.UserControl_Resize();
        break;
    }
  }
  void DoAll(std::initializer_list<Ev> events) {
    for (const Ev e : events) Do(e);
  }
};

// Ways to reach each state with real events on an enabled button.
const std::vector<Ev> kToNone = {};
const std::vector<Ev> kToNormal = {Ev::Initialize};
const std::vector<Ev> kToHighLight = {Ev::Initialize, Ev::Move};
const std::vector<Ev> kToSelected = {Ev::Initialize, Ev::Focus};
const std::vector<Ev> kToHighLightSelect = {Ev::Initialize, Ev::Focus, Ev::Move};

struct Row {
  const char* what;
  std::vector<Ev> setup;
  Ev event;
  State to;
  Strings draws;
  int clicks;
};

TEST_F(InputTest, EveryRowOfTheTransitionTable) {
  const Row rows[] = {
      {"Initialize from 0", kToNone, Ev::Initialize, State::Normal, {}, 0},
      {"Initialize from HighLightSelect", kToHighLightSelect, Ev::Initialize, State::Normal, {}, 0},
      {"move over Normal", kToNormal, Ev::Move, State::HighLight, {"HighLight"}, 0},
      {"move over caption", kToNormal, Ev::CaptionMove, State::HighLight, {"HighLight"}, 0},
      {"move over Selected", kToSelected, Ev::Move, State::HighLightSelect, {"HighLightSelect"}, 0},
      {"move over Selected, left held",
       {Ev::Initialize, Ev::Focus, Ev::LeftDown},
       Ev::Move,
       State::Selected,
       {},
       0},
      {"move while HighLight", kToHighLight, Ev::Move, State::HighLight, {}, 0},
      {"move while HighLightSelect", kToHighLightSelect, Ev::Move, State::HighLightSelect, {}, 0},
      {"move before Initialize", kToNone, Ev::Move, State::None, {}, 0},
      {"HighLight, pointer over parent",
       kToHighLight,
       Ev::TickOverParent,
       State::Normal,
       {"Normal"},
       0},
      {"HighLight, pointer elsewhere",
       kToHighLight,
       Ev::TickOverOther,
       State::Normal,
       {"Normal"},
       0},
      {"HighLight, pointer still over", kToHighLight, Ev::TickOverSelf, State::HighLight, {}, 0},
      {"HighLightSelect, pointer leaves",
       kToHighLightSelect,
       Ev::TickOverOther,
       State::Selected,
       {"Selected"},
       0},
      {"Normal, idle tick", kToNormal, Ev::TickOverOther, State::Normal, {}, 0},
      {"Selected, idle tick", kToSelected, Ev::TickOverParent, State::Selected, {}, 0},
      {"focus from 0", kToNone, Ev::Focus, State::Selected, {"Selected"}, 0},
      {"focus from Normal", kToNormal, Ev::Focus, State::Selected, {"Selected"}, 0},
      {"focus from Selected", kToSelected, Ev::Focus, State::Selected, {"Selected"}, 0},
      {"focus from HighLightSelect",
       kToHighLightSelect,
       Ev::Focus,
       State::Selected,
       {"Selected"},
       0},
      {"focus while hovered", kToHighLight, Ev::Focus, State::HighLightSelect, {"Pressed"}, 0},
      {"blur from 0", kToNone, Ev::Blur, State::Normal, {"Normal"}, 0},
      {"blur from Selected", kToSelected, Ev::Blur, State::Normal, {"Normal"}, 0},
      {"blur while hovered", kToHighLight, Ev::Blur, State::Normal, {"Normal"}, 0},
      {"blur from HighLightSelect", kToHighLightSelect, Ev::Blur, State::Normal, {"Normal"}, 0},
      {"blur from Normal", kToNormal, Ev::Blur, State::Normal, {}, 0},
      {"left down in Normal", kToNormal, Ev::LeftDown, State::Normal, {"Pressed"}, 0},
      {"left down in Selected", kToSelected, Ev::LeftDown, State::Selected, {"Pressed"}, 0},
      {"left down on caption", kToHighLight, Ev::CaptionLeftDown, State::HighLight, {"Pressed"}, 0},
      {"right down", kToHighLight, Ev::RightDown, State::HighLight, {}, 0},
      {"middle down", kToSelected, Ev::MiddleDown, State::Selected, {}, 0},
      {"left up in HighLight", kToHighLight, Ev::LeftUp, State::HighLight, {"Normal"}, 1},
      {"left up in HighLightSelect",
       kToHighLightSelect,
       Ev::LeftUp,
       State::HighLightSelect,
       {"HighLightSelect"},
       1},
      {"left up on caption",
       kToHighLightSelect,
       Ev::CaptionLeftUp,
       State::HighLightSelect,
       {"HighLightSelect"},
       1},
      {"left up in Normal", kToNormal, Ev::LeftUp, State::Normal, {}, 1},
      {"left up in Selected", kToSelected, Ev::LeftUp, State::Selected, {}, 0},
      {"left up before Initialize", kToNone, Ev::LeftUp, State::None, {}, 1},
      {"right up in HighLight", kToHighLight, Ev::RightUp, State::HighLight, {}, 1},
      {"right up in Selected", kToSelected, Ev::RightUp, State::Selected, {}, 0},
      {"middle up in Normal", kToNormal, Ev::MiddleUp, State::Normal, {}, 1},
      {"middle up in HighLightSelect",
       kToHighLightSelect,
       Ev::MiddleUp,
       State::HighLightSelect,
       {},
       1},
      {"resize keeps the state",
       kToHighLightSelect,
       Ev::Resize,
       State::HighLightSelect,
       {"Normal"},
       0},
  };
  for (const Row& row : rows) {
    Build(1215, 375);
    LoadEnabled();
    for (const Ev e : row.setup) Do(e);
    Forget();
    Do(row.event);
    EXPECT_EQ(button().FaceState(), row.to) << row.what;
    EXPECT_EQ(surface().facesDrawn, row.draws) << row.what;
    EXPECT_EQ(clicks, row.clicks) << row.what;
  }
}

TEST_F(InputTest, MouseDownSetsAndLeftUpClearsButtonDown) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::RightDown});
  EXPECT_EQ(button().ButtonDown(), kFalse);
  Do(Ev::LeftDown);
  EXPECT_EQ(button().ButtonDown(), kTrue);
  Do(Ev::RightUp);
  EXPECT_EQ(button().ButtonDown(), kTrue);
  Do(Ev::LeftUp);
  EXPECT_EQ(button().ButtonDown(), kFalse);
}

TEST_F(InputTest, HoverTickAsksForThePointerAndTheWindowUnderIt) {
  LoadEnabled();
  os.cursorPos = os::Point{300, 200};
  Do(Ev::TickOverSelf);
  EXPECT_EQ(os.calls(), lines({"GetCursorPos()", "WindowFromPoint(300, 200)"}));
  // A failed GetCursorPos is not checked: the point stays at the origin.
  os.clearCalls();
  os.cursorPos.reset();
  Do(Ev::TickOverSelf);
  EXPECT_EQ(os.calls(), lines({"GetCursorPos()", "WindowFromPoint(0, 0)"}));
}

TEST_F(InputTest, HoverTimerRunsFromCreationAndInitializeRearmsIt) {
  EXPECT_TRUE(button().TmrMouse.TimerEnabled());
  EXPECT_EQ(button().TmrMouse.Interval(), 100u);
  // It ticks before Initialize and while disabled, without effect.
  Do(Ev::TickOverOther);
  EXPECT_EQ(os.callsStartingWith("GetCursorPos").size(), 1u);
  button().TmrMouse.SetEnabled(false);
  button().TmrMouse.SetInterval(0);
  Do(Ev::Initialize);
  EXPECT_TRUE(button().TmrMouse.TimerEnabled());
  EXPECT_EQ(button().TmrMouse.Interval(), 100u);
  EXPECT_TRUE(surface().calls.empty());
}

TEST_F(InputTest, ClickOnAHoveredUnfocusedButtonInEitherDeliveryOrder) {
  for (const bool focusFirst : {true, false}) {
    Build(1215, 375);
    LoadEnabled();
    DoAll({Ev::Initialize, Ev::Move});
    Forget();
    if (focusFirst)
      DoAll({Ev::Focus, Ev::LeftDown});
    else
      DoAll({Ev::LeftDown, Ev::Focus});
    EXPECT_EQ(surface().facesDrawn, Strings({"Pressed", "Pressed"})) << focusFirst;
    EXPECT_EQ(button().FaceState(), State::HighLightSelect);
    Do(Ev::LeftUp);
    EXPECT_EQ(surface().facesDrawn.back(), "HighLightSelect");
    EXPECT_EQ(clicks, 1) << focusFirst;
  }
}

TEST_F(InputTest, DragOffAFocusedButtonAndReleaseLateRaisesNoClick) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::Move, Ev::Focus, Ev::LeftDown});
  Forget();
  Do(Ev::TickOverSelf);    // still inside
  Do(Ev::TickOverParent);  // the first tick outside
  EXPECT_EQ(surface().facesDrawn, Strings({"Selected"}));
  Do(Ev::TickOverOther);
  Do(Ev::LeftUp);
  EXPECT_EQ(button().FaceState(), State::Selected);
  EXPECT_EQ(surface().facesDrawn, Strings({"Selected"}));
  EXPECT_EQ(clicks, 0);
}

TEST_F(InputTest, DragOffAndReleaseBeforeTheNextTickStillClicks) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::Move, Ev::Focus, Ev::LeftDown});
  Forget();
  Do(Ev::LeftUp);  // the pointer is outside, but no tick has seen it yet
  EXPECT_EQ(surface().facesDrawn, Strings({"HighLightSelect"}));
  EXPECT_EQ(clicks, 1);
}

TEST_F(InputTest, MovingInsideWhileTheLeftButtonIsHeldKeepsPressed) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::Focus, Ev::LeftDown});
  Forget();
  DoAll({Ev::Move, Ev::Move, Ev::TickOverSelf, Ev::Move});
  EXPECT_TRUE(surface().facesDrawn.empty());
  EXPECT_EQ(button().FaceState(), State::Selected);
}

TEST_F(InputTest, LosingFocusWhileHoveredShowsNormalUntilThePointerMoves) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::Move, Ev::Focus});
  Forget();
  DoAll({Ev::Blur, Ev::TickOverSelf});
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
  Do(Ev::Move);
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal", "HighLight"}));
}

TEST_F(InputTest, BeforeInitializeHoverDoesNothingUntilTheFirstFocusChange) {
  LoadEnabled();
  DoAll({Ev::Move, Ev::TickOverOther, Ev::Move});
  EXPECT_EQ(button().FaceState(), State::None);
  EXPECT_TRUE(surface().facesDrawn.empty());
  DoAll({Ev::Focus, Ev::Move});
  EXPECT_EQ(button().FaceState(), State::HighLightSelect);
  EXPECT_EQ(surface().facesDrawn, Strings({"Selected", "HighLightSelect"}));
}

TEST_F(InputTest, ADisabledButtonIgnoresMouseFocusAndTimerAndNeverClicks) {
  LoadEnabled();
  DoAll({Ev::Initialize, Ev::Move});
  Forget();
  button().LetEnabled(kFalse);
  EXPECT_EQ(surface().facesDrawn, Strings({"Disable"}));
  Forget();
  for (const Ev e : {Ev::Move, Ev::TickOverOther, Ev::Focus, Ev::Blur, Ev::LeftDown, Ev::LeftUp,
                     Ev::RightUp, Ev::MiddleUp, Ev::CaptionLeftDown, Ev::CaptionLeftUp}) {
    Do(e);
  }
  EXPECT_TRUE(surface().facesDrawn.empty());
  EXPECT_EQ(button().FaceState(), State::HighLight);
  EXPECT_EQ(button().ButtonDown(), kFalse);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(os.callsStartingWith("GetCursorPos").size(), 1u);  // the timer kept ticking
  // Enabling shows Normal, and events continue from the state as it was.
  button().LetEnabled(kTrue);
  EXPECT_EQ(surface().facesDrawn, Strings({"Normal"}));
  Do(Ev::TickOverOther);
  EXPECT_EQ(button().FaceState(), State::Normal);
}

TEST_F(InputTest, ANewButtonIsDisabledUntilLoadedOrAskedForEnabled) {
  EXPECT_EQ(button().IsEnabled(), kFalse);
  DoAll({Ev::Initialize, Ev::Move, Ev::LeftDown, Ev::LeftUp});
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(button().FaceState(), State::Normal);
}

TEST_F(InputTest, AClickHandlerMayReplaceClickWhileItRuns) {
  LoadEnabled();
  Do(Ev::Initialize);
  int second = 0;
  button().Click = [&] { button().Click = [&] { ++second; }; };
  Do(Ev::LeftUp);
  EXPECT_EQ(second, 0);
  Do(Ev::LeftUp);
  EXPECT_EQ(second, 1);
}

}  // namespace
}  // namespace quarlo::testing
