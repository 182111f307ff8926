// Forms and controls as real windows: creation and lifetime, back buffers on the screen,
// windowless children, timers, the mouse and keyboard routes, and the message loops.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/form.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/handles.h"
#include "os/win32/win32_os.h"

#ifdef QUARLO_HAVE_ASSETS
#include "assets/asset_ids.h"
#endif

namespace quarlo::fw {
namespace {

HWND Hwnd(const Control& control) { return os::ToHwnd(control.hWnd()); }

// A pixel of a window as it is on the screen, 0x00BBGGRR.
COLORREF WindowPixel(const Control& control, int x, int y) {
  HDC dc = GetDC(Hwnd(control));
  const COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(Hwnd(control), dc);
  return pixel;
}

// Counts the pixels of a window's rectangle that have exactly the colour.
int CountPixels(const Control& control, RECT area, COLORREF colour) {
  HDC dc = GetDC(Hwnd(control));
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += GetPixel(dc, x, y) == colour ? 1 : 0;
  }
  ReleaseDC(Hwnd(control), dc);
  return count;
}

// Keeps a blocking loop from hanging the suite: should the loop on this thread not have ended
// when the limit is up, it closes the windows (and wakes the loop), so that the test fails
// instead. Rescued() says whether it had to.
class Rescuer {
 public:
  explicit Rescuer(std::vector<HWND> windows, std::chrono::milliseconds limit = std::chrono::seconds(5))
      : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        thread_([this, windows = std::move(windows), limit, loop = GetCurrentThreadId()] {
          if (WaitForSingleObject(done_, static_cast<DWORD>(limit.count())) != WAIT_TIMEOUT) return;
          rescued_ = true;
          for (HWND window : windows) PostMessageW(window, WM_CLOSE, 0, 0);
          PostThreadMessageW(loop, WM_NULL, 0, 0);
        }) {}
  ~Rescuer() { LoopEnded(); }
  Rescuer(const Rescuer&) = delete;
  Rescuer& operator=(const Rescuer&) = delete;
  // The loop has ended: the rescuer goes; true when it had to step in.
  bool LoopEnded() {
    if (thread_.joinable()) {
      SetEvent(done_);
      thread_.join();
      CloseHandle(done_);
    }
    return rescued_;
  }

 private:
  HANDLE done_;
  bool rescued_ = false;
  std::thread thread_;
};

class TestForm : public Form {
 public:
  explicit TestForm(Backend& backend, std::string name = "TestForm")
      : Form(backend, std::move(name)) {
    SetCaption("Quarloの設定");
    Move(1500, 1500, 4800, 3600);  // 320 x 240 pixels
    SetBackColour(Rgb(255, 255, 255));
    display.Move(300, 300, 1500, 1200);  // 100 x 80 pixels at (20, 20)
    display.SetBackColour(Rgb(0, 0, 255));
    caption.Move(2400, 300, 1500, 300);  // 100 x 20 pixels at (160, 20)
    caption.SetCaption("Quarlo");
    ticker.SetInterval(20);
  }
  void Form_Load() override {
    events.push_back("Load");
    loadHadWindow = hWnd() != os::kNull && !IsWindowVisible(os::ToHwnd(hWnd()));
  }
  void Form_Resize() override { events.push_back("Resize"); }
  void Form_Unload() override {
    events.push_back("Unload");
    unloadHadWindow = IsWindow(os::ToHwnd(hWnd())) != FALSE;
  }
  void Form_KeyDown(int key, int shift) override {
    keys.push_back(key);
    shifts.push_back(shift);
  }
  void Form_QueryUnload(Bool16& Cancel, UnloadMode mode) override {
    events.push_back("QueryUnload " + std::to_string(static_cast<int>(mode)));
    Cancel = refuseClose;
  }
  void Form_AppDeactivate() override { events.push_back("AppDeactivate"); }
  void Form_DisplayChange() override { events.push_back("DisplayChange"); }
  void Form_ScreenSave(Bool16& Cancel) override {
    events.push_back("ScreenSave");
    Cancel = refuseScreenSave;
  }

  PictureBox display{this, "Display"};
  Label caption{this, "Caption"};
  Timer ticker{this, "Ticker"};
  std::vector<std::string> events;
  std::vector<int> keys, shifts;
  bool loadHadWindow = false;
  bool unloadHadWindow = false;
  Bool16 refuseClose = kFalse;
  Bool16 refuseScreenSave = kFalse;
};

class Win32FormTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(GetDesktopWindow(), nullptr); }

  // Handles messages until the condition holds or a second has passed.
  template <typename Condition>
  bool PumpUntil(Condition condition, int milliseconds = 1000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
      if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
      backend.DoEvents();
      Sleep(1);
    }
    return true;
  }

  os::Win32Os os;
  Win32Backend backend{os};
};

TEST_F(Win32FormTest, LoadCreatesHiddenWindowsThenShowRaisesResizeAndUnloadDestroysThem) {
  TestForm form(backend);
  form.Load();
  EXPECT_TRUE(form.loadHadWindow);
  EXPECT_NE(form.display.hWnd(), os::kNull);
  EXPECT_EQ(form.caption.hWnd(), os::kNull);  // windowless
  EXPECT_EQ(GetParent(Hwnd(form.display)), Hwnd(form));
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load"}));

  form.Show();
  EXPECT_TRUE(IsWindowVisible(Hwnd(form)));
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load", "Resize"}));
  wchar_t title[64] = {};
  GetWindowTextW(Hwnd(form), title, 64);
  EXPECT_EQ(std::wstring(title), L"Quarloの設定");

  form.Resize(5400, 3900);
  EXPECT_EQ(form.events.back(), "Resize");

  const HWND window = Hwnd(form);
  const HWND child = Hwnd(form.display);
  form.Unload();
  EXPECT_TRUE(form.unloadHadWindow);
  EXPECT_EQ(form.events.back(), "Unload");
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(form.hWnd(), os::kNull);
  form.Unload();  // a second unload does nothing
  EXPECT_EQ(std::count(form.events.begin(), form.events.end(), "Unload"), 1);
}

TEST_F(Win32FormTest, BorderStylesAndClientSize) {
  TestForm dialog(backend, "Dialog");
  dialog.SetBorder(FormBorder::FixedDialog);
  dialog.SetIconResource(1);
  dialog.SetClientSize(6975, 2895);
  dialog.Load();
  const LONG style = GetWindowLongW(Hwnd(dialog), GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  RECT client = {};
  GetClientRect(Hwnd(dialog), &client);
  EXPECT_EQ(client.right, 465);  // 6975 / 15
  EXPECT_EQ(client.bottom, 193);
  EXPECT_EQ(dialog.ScaleWidth(), 6975);
  EXPECT_EQ(dialog.ScaleHeight(), 2895);
  EXPECT_GT(dialog.Width(), dialog.ScaleWidth());
  EXPECT_GT(dialog.Height(), dialog.ScaleHeight());

  EXPECT_EQ(GetWindowLongW(Hwnd(dialog), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

  TestForm bare(backend, "Bare");
  bare.SetBorder(FormBorder::None);
  bare.SetShowInTaskbar(false);
  bare.Load();
  const LONG bareStyle = GetWindowLongW(Hwnd(bare), GWL_STYLE);
  EXPECT_NE(bareStyle & WS_POPUP, 0);
  EXPECT_EQ(bareStyle & WS_CAPTION, 0);
  EXPECT_NE(GetWindowLongW(Hwnd(bare), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0)
      << "no taskbar or Alt+Tab entry";
  EXPECT_EQ(bare.ScaleWidth(), bare.Width());
  EXPECT_EQ(bare.ScaleHeight(), bare.Height());
  RECT outer = {};
  GetWindowRect(Hwnd(bare), &outer);
  bare.Show();
  UpdateWindow(Hwnd(bare));
  EXPECT_EQ(WindowPixel(bare, 300, 200), RGB(255, 255, 255)) << "its colour where nothing draws";
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.right - outer.left, 320);
  EXPECT_EQ(outer.bottom - outer.top, 240);
}

TEST_F(Win32FormTest, PresentPutsTheBackBufferAndTheLabelsOnTheScreen) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  form.Show();
  backend.DoEvents();

  Surface* display = form.display.DrawingSurface();
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->Width(), 100);
  EXPECT_EQ(display->Height(), 80);
  display->Clear(Rgb(0, 200, 0));
  display->Line(0, 10, 100, 10, Rgb(200, 0, 0));
  display->Present();
  EXPECT_EQ(WindowPixel(form.display, 50, 40), RGB(0, 200, 0));
  EXPECT_EQ(WindowPixel(form.display, 50, 10), RGB(200, 0, 0));

  // Frames that show only what changed: the line (the whole picture), then a square, then the
  // square moved. The screen matches the buffer everywhere.
  PicturePtr square = std::make_shared<Picture>(10, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) square->SetPixel(x, y, 0x0000C8u);  // pixels are 0x00RRGGBB
  }
  display->Clear(Rgb(0, 200, 0));
  display->Present();
  display->BitBlt(5, 5, 10, 10, *square, 0, 0, Rop::SrcCopy);
  display->Present();
  EXPECT_EQ(WindowPixel(form.display, 50, 10), RGB(0, 200, 0)) << "the line is gone";
  EXPECT_EQ(WindowPixel(form.display, 9, 9), RGB(0, 0, 200));
  display->Clear(Rgb(0, 200, 0));
  display->BitBlt(60, 50, 10, 10, *square, 0, 0, Rop::SrcCopy);
  display->Present();
  EXPECT_EQ(WindowPixel(form.display, 9, 9), RGB(0, 200, 0)) << "the square left its place";
  EXPECT_EQ(WindowPixel(form.display, 65, 55), RGB(0, 0, 200));
  EXPECT_EQ(WindowPixel(form.display, 90, 70), RGB(0, 200, 0));

  // The form's own buffer, with the transparent black label drawn over it.
  Surface* back = form.DrawingSurface();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 320);
  back->Clear(Rgb(255, 255, 0));
  back->Present();
  const RECT label = {160, 20, 260, 40};
  const int black = CountPixels(form, label, RGB(0, 0, 0));
  const int yellow = CountPixels(form, label, RGB(255, 255, 0));
  EXPECT_GT(black, 20) << "the caption's text";
  EXPECT_GT(yellow, 1000) << "the buffer shows through the label";
  EXPECT_EQ(WindowPixel(form, 5, 5), RGB(255, 255, 0));

  // Hiding the label takes it off at the next paint.
  form.caption.SetVisible(false);
  UpdateWindow(Hwnd(form));
  EXPECT_EQ(CountPixels(form, label, RGB(0, 0, 0)), 0);
}

TEST_F(Win32FormTest, APictureBoxShowsItsPictureFromTheTopLeftOverItsBackColour) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  auto picture = std::make_shared<Picture>(30, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) picture->SetPixel(x, y, 0xFF8000);
  }
  form.display.SetPicture(picture);
  form.Show();
  UpdateWindow(Hwnd(form.display));
  EXPECT_EQ(WindowPixel(form.display, 0, 0), RGB(0xFF, 0x80, 0x00));
  EXPECT_EQ(WindowPixel(form.display, 29, 19), RGB(0xFF, 0x80, 0x00));
  EXPECT_EQ(WindowPixel(form.display, 30, 5), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.display, 5, 20), RGB(0, 0, 255));
}

TEST_F(Win32FormTest, TimersTickThroughDoEventsWhileEnabled) {
  TestForm form(backend);
  int ticks = 0;
  form.ticker.Tick = [&] { ++ticks; };
  form.Load();
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; })) << ticks << " ticks";

  form.ticker.SetEnabled(false);
  backend.DoEvents();
  const int stopped = ticks;
  Sleep(80);
  backend.DoEvents();
  EXPECT_EQ(ticks, stopped);

  form.ticker.SetInterval(10);
  form.ticker.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= stopped + 2; }));
}

TEST_F(Win32FormTest, TheCloseCommandRunsFormUnloadAndRunModalReturns) {
  TestForm form(backend);
  form.ticker.Tick = [&] { PostMessageW(Hwnd(form), WM_CLOSE, 0, 0); };
  form.Load();
  Rescuer rescuer({Hwnd(form)});
  form.Show(true);  // modal: returns once WM_CLOSE has unloaded the form
  EXPECT_FALSE(rescuer.LoopEnded()) << "the modal loop went on";
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.events.back(), "Unload");
}

TEST_F(Win32FormTest, ACloseRequestSentFromAnotherThreadEndsTheLoopThatWaitsForTheForm) {
  // Another program's WM_CLOSE or SC_CLOSE is dispatched inside GetMessageW, which then goes on
  // waiting for a posted message: the loop must still notice that its form has gone. Should it
  // not, the rescuer wakes it after 5 s so that the test fails instead of hanging.
  const std::pair<UINT, WPARAM> requests[] = {{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}};
  for (const bool modal : {true, false}) {
    for (const auto& [message, wParam] : requests) {
      TestForm form(backend);
      form.Show();
      const HWND window = Hwnd(form);
      Rescuer rescuer({});
      std::thread sender([&, message = message, wParam = wParam] {
        SendMessageW(window, message, wParam, 0);
      });
      if (modal) {
        form.Show(true);
      } else {
        backend.RunMessageLoop();
      }
      const bool rescued = rescuer.LoopEnded();
      sender.join();
      const std::string what = std::string(modal ? "modal" : "modeless") +
                               (message == WM_CLOSE ? " WM_CLOSE" : " SC_CLOSE");
      EXPECT_FALSE(rescued) << what << ": the loop slept on after the form had gone";
      EXPECT_FALSE(form.IsLoaded()) << what;
      EXPECT_EQ(form.events.back(), "Unload") << what;
      EXPECT_EQ(std::count(form.events.begin(), form.events.end(), "QueryUnload 0"), 1) << what;
    }
  }
}

TEST_F(Win32FormTest, SessionEndActivationDisplayAndScreenSaverMessagesReachTheForm) {
  TestForm form(backend);
  form.Show();
  const HWND window = Hwnd(form);
  for (const bool covers : {true, false}) {  // a new scale: a covering form keeps its rectangle
    form.SetCoversMonitor(covers);
    RECT suggested = {150, 150, 630, 510}, rect = {};
    SendMessageW(window, 0x02E0, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, covers ? 320 : 480) << "WM_DPICHANGED, covers: " << covers;
  }
  form.events.clear();
  SendMessageW(window, WM_ACTIVATEAPP, TRUE, 0);
  SendMessageW(window, WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  form.refuseScreenSave = kTrue;
  EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  form.refuseClose = kTrue;
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(form.IsLoaded()) << "Form_QueryUnload refused the close";
  SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // the session goes on
  EXPECT_TRUE(form.IsLoaded());
  form.refuseClose = kFalse;
  SendMessageW(window, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.events, (std::vector<std::string>{"AppDeactivate", "DisplayChange", "ScreenSave",
                                                   "QueryUnload 0", "QueryUnload 2", "Unload"}));
}

TEST_F(Win32FormTest, KeyPreviewSeesKeysOfEveryChildModifiersIncluded) {
  TestForm form(backend);
  form.SetKeyPreview(true);
  form.Show();
  PostMessageW(Hwnd(form.display), WM_KEYDOWN, 'A', 0);
  PostMessageW(Hwnd(form.display), WM_KEYDOWN, VK_SHIFT, 0);
  PostMessageW(Hwnd(form.display), WM_SYSKEYDOWN, VK_MENU, 0);
  backend.DoEvents();
  EXPECT_EQ(form.keys, (std::vector<int>{'A', VK_SHIFT, VK_MENU}));

  // Without KeyPreview only keys sent to the form itself reach it.
  form.keys.clear();
  form.SetKeyPreview(false);
  PostMessageW(Hwnd(form.display), WM_KEYDOWN, 'B', 0);
  PostMessageW(Hwnd(form), WM_KEYDOWN, 'C', 0);
  backend.DoEvents();
  EXPECT_EQ(form.keys, (std::vector<int>{'C'}));
}

TEST_F(Win32FormTest, MouseOnWindowlessLabelsAndOnThePictureBox) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  Label over(&form.display, "Over");  // a second label inside the picture box, on top
  over.Move(150, 150, 600, 300);      // pixels (10, 10) - (50, 30)
  std::vector<std::string> seen;
  over.MouseDown = [&](int b, int, int x, int y) {
    seen.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  over.MouseUp = [&](int b, int, int, int) { seen.push_back("up " + std::to_string(b)); };
  over.Click = [&] { seen.push_back("label click"); };
  form.display.MouseDown = [&](int b, int, int x, int y) {
    seen.push_back("box down " + std::to_string(b) + " " + std::to_string(x) + "," +
                   std::to_string(y));
  };
  form.display.Click = [&] { seen.push_back("box click"); };
  form.Show();

  const HWND box = Hwnd(form.display);
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 14));
  EXPECT_EQ(GetCapture(), box);
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(12, 14));
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 60));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(70, 60));
  // Pressed on the label, released elsewhere: no click.
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 14));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(80, 70));
  // The right button clicks the box itself, but not a label on it; the middle button neither.
  SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(70, 60));
  SendMessageW(box, WM_RBUTTONUP, 0, MAKELPARAM(70, 60));
  SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(12, 14));
  SendMessageW(box, WM_RBUTTONUP, 0, MAKELPARAM(12, 14));
  SendMessageW(box, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(70, 60));
  SendMessageW(box, WM_MBUTTONUP, 0, MAKELPARAM(70, 60));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"down 1 30,60", "up 1", "label click", "box down 1 1050,900",
                                      "box click", "down 1 30,60", "up 1", "box down 2 1050,900",
                                      "box click", "down 2 30,60", "up 2", "box down 4 1050,900"}));

  // A disabled label lets the mouse through to the box.
  seen.clear();
  over.SetEnabled(false);
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 14));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(12, 14));
  EXPECT_EQ(seen, (std::vector<std::string>{"box down 1 180,210", "box click"}));
}

TEST_F(Win32FormTest, TheSecondPressOfADoubleClickIsNoSecondClick) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  Label link(&form.display, "Link");
  link.Move(150, 150, 600, 300);  // pixels (10, 10) - (50, 30)
  int clicks = 0, releases = 0;
  link.Click = [&] { ++clicks; };
  link.MouseUp = [&](int, int, int, int) { ++releases; };
  form.Show();
  SetForegroundWindow(Hwnd(form));
  // Real input, so that the system itself tells a double click from two clicks.
  const auto click = [&](int x, int y) {
    POINT at = {x, y};
    ClientToScreen(Hwnd(form.display), &at);
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
    // Handled once the release has reached the label, whether it made a click or not.
    const int before = releases;
    EXPECT_TRUE(PumpUntil([&] { return releases != before; }, 5000)) << "the release at " << x;
  };

  click(12, 14);
  click(13, 14);  // a double click: one click
  EXPECT_EQ(clicks, 1);
  click(12, 14);  // a third press starts a new pair
  EXPECT_EQ(clicks, 2);
  Sleep(GetDoubleClickTime() + 50);
  click(12, 14);  // too late to pair with the third
  EXPECT_EQ(clicks, 3);
  Sleep(GetDoubleClickTime() + 50);
  click(12, 14);
  click(45, 28);  // still on the label, but too far from the first press to pair
  EXPECT_EQ(clicks, 5);
}

// A user control that records what reaches it.
class Recorder : public UserControl {
 public:
  Recorder(Container* parent, std::string name) : UserControl(parent, std::move(name)) {
    caption.Move(0, 60, 1200, 195);
    caption.SetCaption("Command");
    caption.SetAlignment(Alignment::Centre);
  }
  std::string_view TypeName() const override { return "Quarlo.Recorder"; }
  void UserControl_MouseDown(int b, int, int x, int y) override { Log("down", b, x, y); }
  void UserControl_MouseMove(int b, int, int x, int y) override { Log("move", b, x, y); }
  void UserControl_MouseUp(int b, int, int x, int y) override { Log("up", b, x, y); }
  void UserControl_GotFocus() override { seen.push_back("got focus"); }
  void UserControl_LostFocus() override { seen.push_back("lost focus"); }
  void UserControl_Resize() override {
    seen.push_back("resize " + std::to_string(InnerWidthPixels()) + "x" +
                   std::to_string(InnerHeightPixels()));
    if (Surface* surface = DrawingSurface()) {
      surface->Clear(Rgb(10, 20, 30));
      surface->Present();
    }
  }
  void Log(const char* what, int b, int x, int y) {
    seen.push_back(std::string(what) + " " + std::to_string(b) + " " + std::to_string(x) + "," +
                   std::to_string(y));
  }

  Label caption{this, "LblMsg"};
  std::vector<std::string> seen;
};

TEST_F(Win32FormTest, AUserControlGetsItsMouseFocusAndSizeEventsAndKeepsItsFace) {
  TestForm form(backend);
  Recorder button(&form, "Cmd_Set");
  button.Move(300, 1500, 1215, 375);  // 81 x 25 pixels
  form.Load();
  // Sized once the windows exist, before Form_Load ran.
  ASSERT_FALSE(button.seen.empty());
  EXPECT_EQ(button.seen.front(), "resize 81x25");
  form.Show();
  backend.DoEvents();
  const HWND window = Hwnd(button);
  EXPECT_NE(GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), 0);

  button.seen.clear();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 12));  // over the caption
  EXPECT_EQ(GetCapture(), window);
  EXPECT_EQ(GetFocus(), window);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 30));  // dragged outside
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(90, 30));
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  SendMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
  ::SetFocus(Hwnd(form.display));
  EXPECT_EQ(button.seen, (std::vector<std::string>{"got focus", "down 1 600,180", "move 1 1350,450",
                                                   "up 1 1350,450", "down 2 30,30", "up 2 30,30",
                                                   "lost focus"}));

  // The face stays as drawn: painting only shows the buffer again, with the caption over it.
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  EXPECT_EQ(WindowPixel(button, 2, 2), RGB(10, 20, 30));
  EXPECT_GT(CountPixels(button, RECT{0, 4, 81, 17}, RGB(0, 0, 0)), 10) << "the caption";

  button.seen.clear();
  button.Resize(435, 315);
  EXPECT_EQ(button.seen, (std::vector<std::string>{"resize 29x21"}));
}

TEST_F(Win32FormTest, TabMovesTheFocusInTabIndexOrder) {
  TestForm form(backend);
  Recorder first(&form, "First");
  HScrollBar second(&form, "Second");
  first.Move(300, 1500, 1215, 375);
  second.Move(300, 2100, 1500, 255);
  form.display.SetTabIndex(2);
  first.SetTabIndex(0);
  second.SetTabIndex(1);
  form.Show();
  backend.DoEvents();
  EXPECT_EQ(GetFocus(), Hwnd(first)) << "a shown form gives the focus to the first in order";

  const auto tab = [&] {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    backend.DoEvents();
    return GetFocus();
  };
  EXPECT_EQ(tab(), Hwnd(second));
  EXPECT_EQ(tab(), Hwnd(form.display));
  EXPECT_EQ(tab(), Hwnd(first));
  second.SetVisible(false);
  EXPECT_EQ(tab(), Hwnd(form.display));
  second.SetVisible(true);

  // Shift+Tab goes backwards; the keys come as the user's, so the Shift state is real.
  SetForegroundWindow(Hwnd(form));
  ::SetFocus(Hwnd(form.display));
  INPUT keys[4] = {};
  const WORD sequence[4][2] = {
      {VK_SHIFT, 0}, {VK_TAB, 0}, {VK_TAB, KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP}};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = sequence[i][0];
    keys[i].ki.dwFlags = sequence[i][1];
  }
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
  PumpUntil([&] { return GetFocus() != Hwnd(form.display); }, 1000);
  EXPECT_EQ(GetFocus(), Hwnd(second));
}

// The keys are the list's while it is open (Wine's edit field would let Escape fall), the form's
// buttons' once it is closed.
TEST_F(Win32FormTest, EscapeClosesAnOpenListBeforeItPressesTheCancelButton) {
  TestForm form(backend);
  ComboBox list(&form, "List");
  list.Move(300, 1800, 1500, 300);
  list.AddItem("1");
  std::vector<std::string> pressed;
  form.display.Click = [&] { pressed.push_back("cancel"); };
  form.SetCancelButton(&form.display);
  form.Show();
  backend.DoEvents();
  const HWND edit = GetWindow(Hwnd(list), GW_CHILD);
  ::SetFocus(edit);
  const auto escape = [&] {
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    backend.DoEvents();
  };
  SendMessageW(Hwnd(list), CB_SHOWDROPDOWN, TRUE, 0);
  escape();
  EXPECT_EQ(SendMessageW(Hwnd(list), CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_TRUE(pressed.empty());
  escape();
  EXPECT_EQ(pressed, std::vector<std::string>{"cancel"});
}

TEST_F(Win32FormTest, AClickFocusesAPictureBoxButNotThroughItsLabels) {
  TestForm form(backend);
  Recorder button(&form, "Cmd_Set");
  button.Move(300, 1500, 1215, 375);
  Label label(&form.display, "lbl_BGM");
  label.Move(0, 0, 600, 300);  // pixels (0, 0) - (40, 20)
  form.Show();
  ::SetFocus(Hwnd(button));
  const HWND box = Hwnd(form.display);
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(GetFocus(), Hwnd(button)) << "a click on a label leaves the focus where it was";
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
  EXPECT_EQ(GetFocus(), box);
}

#ifdef QUARLO_HAVE_ASSETS
TEST_F(Win32FormTest, ALabelShowsItsCursorWhileThePointerIsOverIt) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  form.caption.SetCursorResource(IDC_HAND_POINTER);  // pixels (160, 20) - (260, 40)
  form.Show();
  const HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER));
  ASSERT_NE(hand, nullptr);
  const auto cursorAt = [&](int x, int y) {
    POINT point = {x, y};
    ClientToScreen(Hwnd(form), &point);
    SetCursorPos(point.x, point.y);
    SendMessageW(Hwnd(form), WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(form)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(200, 30), hand);
  EXPECT_EQ(cursorAt(120, 150), LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  EXPECT_EQ(cursorAt(259, 39), hand);
}
#endif

TEST_F(Win32FormTest, ScrollBarRangeAndTheUsersScrolling) {
  TestForm form(backend);
  HScrollBar bar(&form.display, "HS_Fast");
  bar.Move(0, 0, 1155, 255);
  bar.SetRange(10, 300, 1, 10);
  bar.SetValue(50);
  std::vector<std::string> seen;
  bar.Changed = [&] { seen.push_back("change " + std::to_string(bar.Value())); };
  bar.Scrolled = [&] { seen.push_back("scroll " + std::to_string(bar.Value())); };
  form.Show();
  const HWND window = Hwnd(bar);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(window, SB_CTL, &info);
  EXPECT_EQ(info.nMin, 0);
  EXPECT_EQ(info.nMax, 290);
  EXPECT_EQ(info.nPos, 40);

  const auto scroll = [&](int code) {
    SendMessageW(Hwnd(form.display), WM_HSCROLL, MAKEWPARAM(code, 0),
                 reinterpret_cast<LPARAM>(window));
  };
  scroll(SB_LINERIGHT);
  scroll(SB_PAGERIGHT);
  scroll(SB_LINELEFT);
  scroll(SB_RIGHT);
  scroll(SB_PAGERIGHT);  // at the end: nothing moves
  scroll(SB_LEFT);
  scroll(SB_ENDSCROLL);
  EXPECT_EQ(seen, (std::vector<std::string>{"change 51", "change 61", "change 60", "change 300",
                                            "change 10"}));
  GetScrollInfo(window, SB_CTL, &info);
  EXPECT_EQ(info.nPos, 0);

  bar.SetValue(150);
  GetScrollInfo(window, SB_CTL, &info);
  EXPECT_EQ(info.nPos, 140);
}

TEST_F(Win32FormTest, DraggingTheThumbScrollsWhileDraggingAndChangesOnRelease) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  form.Move(0, 0, 4800, 3600);
  HScrollBar bar(&form, "HS_Fast");
  bar.Move(0, 2700, 4500, 255);  // 300 x 17 pixels at (0, 180)
  bar.SetRange(0, 100, 1, 10);
  std::vector<int> scrolled;
  int changes = 0;
  bar.Scrolled = [&] { scrolled.push_back(bar.Value()); };
  bar.Changed = [&] { ++changes; };
  form.Show();
  SetForegroundWindow(Hwnd(form));
  backend.DoEvents();

  SCROLLBARINFO parts = {};
  parts.cbSize = sizeof parts;
  ASSERT_TRUE(GetScrollBarInfo(Hwnd(bar), OBJID_CLIENT, &parts));
  POINT start = {(parts.xyThumbTop + parts.xyThumbBottom) / 2, 8};
  ClientToScreen(Hwnd(bar), &start);
  // The system's thumb tracking runs its own loop; the input is queued before it starts.
  INPUT input[4] = {};
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  const auto absolute = [&](INPUT& in, int x, int y, DWORD flags) {
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (screenW - 1);
    in.mi.dy = y * 65535 / (screenH - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
  };
  absolute(input[0], start.x, start.y, 0);
  absolute(input[1], start.x, start.y, MOUSEEVENTF_LEFTDOWN);
  absolute(input[2], start.x + 120, start.y, 0);
  absolute(input[3], start.x + 120, start.y, MOUSEEVENTF_LEFTUP);
  ASSERT_EQ(SendInput(4, input, sizeof(INPUT)), 4u);
  PumpUntil([&] { return changes > 0; }, 2000);
  ASSERT_FALSE(scrolled.empty()) << "no thumb tracking arrived";
  EXPECT_GT(scrolled.back(), 20);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(bar.Value(), scrolled.back());
}

TEST_F(Win32FormTest, ComboBoxItemsTextAndTheUsersChoice) {
  TestForm form(backend);
  ComboBox combo(&form.display, "BGM_Repeat");
  combo.Move(0, 0, 615, 300);
  combo.AddItem("");
  combo.AddItem("1");
  combo.AddItem("12");
  combo.SetText("12");
  std::vector<std::string> seen;
  combo.Changed = [&] { seen.push_back(combo.Text()); };
  form.Show();
  const HWND window = Hwnd(combo);
  EXPECT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), 3);
  wchar_t text[32] = {};
  GetWindowTextW(window, text, 32);
  EXPECT_EQ(std::wstring(text), L"12");
  EXPECT_TRUE(seen.empty()) << "setting the text from the program is not the user's edit";

  SendMessageW(window, CB_SETCURSEL, 1, 0);
  SendMessageW(Hwnd(form.display), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(window));
  SetWindowTextW(window, L"7");
  SendMessageW(Hwnd(form.display), WM_COMMAND, MAKEWPARAM(0, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(window));
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "7"}));
  EXPECT_EQ(combo.Text(), "7");
}

TEST_F(Win32FormTest, LabelsSizeThemselvesToTheirTextAndGreyOut) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  Label sized(&form, "Sized");
  sized.Move(300, 1500, 100, 100);
  sized.SetAutoSize(true);
  sized.SetCaption("MP3、WAV");
  form.Load();
  const int width = sized.Width();
  EXPECT_GT(width, 600);
  EXPECT_GT(sized.Height(), 150);
  sized.SetCaption("MP3、WAV MP3、WAV");
  EXPECT_GT(sized.Width(), width + 500);
  Font big = sized.GetFont();
  big.size = 20;
  const int height = sized.Height();
  sized.SetFont(big);
  EXPECT_GT(sized.Height(), height);

  // Greyed: drawn in the system's disabled look, never in the label's own colour.
  form.caption.SetForeColour(Rgb(200, 0, 0));
  form.Show();
  form.DrawingSurface()->Clear(Rgb(255, 255, 255));
  form.DrawingSurface()->Present();
  const RECT area = {160, 20, 260, 40};
  EXPECT_GT(CountPixels(form, area, RGB(200, 0, 0)), 20);
  // A system colour (0x80000000 | index) is drawn as the system's colour of that index.
  form.caption.SetForeColour(0x80000000u | COLOR_HIGHLIGHT);
  UpdateWindow(Hwnd(form));
  EXPECT_EQ(CountPixels(form, area, RGB(200, 0, 0)), 0);
  EXPECT_GT(CountPixels(form, area, GetSysColor(COLOR_HIGHLIGHT)), 20);
  form.caption.SetForeColour(Rgb(200, 0, 0));
  form.caption.SetGreyed(true);
  UpdateWindow(Hwnd(form));
  EXPECT_EQ(CountPixels(form, area, RGB(200, 0, 0)), 0);
  EXPECT_GT(CountPixels(form, area, GetSysColor(COLOR_3DSHADOW)), 20);
}

TEST_F(Win32FormTest, AmpersandsShowLiterallyWithoutMnemonics) {
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  Label plain(&form, "Plain");
  plain.Move(300, 1500, 3000, 300);
  plain.SetAutoSize(true);
  plain.SetUseMnemonic(false);
  plain.SetCaption("A&B");
  Label mnemonic(&form, "Mnemonic");
  mnemonic.Move(300, 2100, 3000, 300);
  mnemonic.SetAutoSize(true);
  mnemonic.SetCaption("A&B");
  form.Load();
  EXPECT_GT(plain.Width(), mnemonic.Width()) << "the literal ampersand takes room";
}

// A lock pauses the frames once the window's desktop no longer has the input: here a desktop of
// the test's making, while Wine's input desktop stays the default one (a saver asking for the logon
// screen on resume runs on such a desktop, hidden until unlocked).
TEST_F(Win32FormTest, AFrameLoopPausesWhileTheSessionIsLockedBehindAnotherDesktopAndHearsInput) {
  EXPECT_TRUE(os.ThreadDesktopHasInput()) << "the default desktop";
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> composed, presented;
  std::vector<int> keys;
  int ticksWhileLocked = 0;
  Clock::time_point lockedAt, unlockedAt;
  std::thread([&] {
    HDESK away = CreateDesktopW(L"QuarloLockedAway", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_TRUE(away != nullptr && SetThreadDesktop(away));
    EXPECT_FALSE(os.ThreadDesktopHasInput()) << "a desktop without the input";
    TestForm form(backend);
    form.SetKeyPreview(true);
    form.Show();
    bool locked = false;
    form.ticker.Tick = [&] {
      if (!locked) return;
      // The window timers go on while the frames rest; the fifth tick unlocks the session.
      if (++ticksWhileLocked == 5) {
        locked = false;
        unlockedAt = Clock::now();
        PostMessageW(Hwnd(form), WM_WTSSESSION_CHANGE, Audience::kSessionUnlock, 0);
      }
    };
    Rescuer rescuer({Hwnd(form)}, std::chrono::seconds(10));
    backend.RunFrames(form, [&](int steps) {
      composed.insert(composed.end(), static_cast<std::size_t>(steps), Clock::now());
      presented.push_back(Clock::now());
      // The loop ends with the form.
      if (presented.size() == 61) form.Unload();
      if (presented.size() == 10) PostMessageW(Hwnd(form.display), WM_KEYDOWN, VK_SPACE, 0);
      if (presented.size() == 20) {
        locked = true;
        lockedAt = Clock::now();
        PostMessageW(Hwnd(form), WM_WTSSESSION_CHANGE, Audience::kSessionLock, 0);
      }
    });
    EXPECT_FALSE(rescuer.LoopEnded()) << "the frames never ended";
    keys = form.keys;
  }).join();
  // The pace itself is the driver's, tested on the fake system's clock; here the real waits,
  // messages, notifications and desktops.
  ASSERT_EQ(presented.size(), 61u);
  ASSERT_GE(composed.size(), 61u);
  EXPECT_EQ(keys, (std::vector<int>{VK_SPACE}));
  EXPECT_EQ(ticksWhileLocked, 5);
  // Frame 20 was shown before the lock came; nothing is composed or shown until the unlock.
  const auto during = [&](const std::vector<Clock::time_point>& times) {
    return std::count_if(times.begin(), times.end(),
                         [&](Clock::time_point at) { return at > lockedAt && at < unlockedAt; });
  };
  EXPECT_EQ(during(composed), 0);
  EXPECT_EQ(during(presented), 0);
  EXPECT_GT(presented.back(), unlockedAt);
}

TEST_F(Win32FormTest, AQuitMessageEndsTheLoopsButAFrameLoopKeepsItsPaceAndItsInput) {
  TestForm form(backend);
  form.SetKeyPreview(true);
  int ticks = 0;
  form.ticker.Tick = [&] { ++ticks; };
  form.Show();
  PostQuitMessage(3);
  backend.DoEvents();

  // A frame loop that goes on after the quit still hears the keyboard and its timers...
  PostMessageW(Hwnd(form.display), WM_KEYDOWN, VK_SPACE, 0);
  backend.DoEvents();
  EXPECT_EQ(form.keys, (std::vector<int>{VK_SPACE}));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; })) << ticks << " ticks";
  // ...and still keeps the pace of its steps instead of spinning.
  const auto start = std::chrono::steady_clock::now();
  int steps = 0;
  {
    Rescuer rescuer({Hwnd(form)});
    backend.RunFrames(form, [&](int count) {
      steps += count;
      if (steps >= 10) form.Unload();
    });
    EXPECT_FALSE(rescuer.LoopEnded()) << "the frames never ended";
  }
  const double elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(elapsed, 8 * FramePacer::kStepMs);

  // The blocking loops end at once, with the form still loaded.
  form.Load();
  Rescuer rescuer({Hwnd(form)});
  form.Show(true);
  backend.RunMessageLoop();
  EXPECT_FALSE(rescuer.LoopEnded()) << "a blocking loop went on after the quit";
  EXPECT_TRUE(form.IsLoaded());

  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

TEST_F(Win32FormTest, RunMessageLoopLastsAsLongAsAWindowOfTheProgram) {
  // A preview-like form inside another window: when that window goes, so does the form, and the
  // loop ends after Form_Unload has run.
  const HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 200, 150, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  TestForm form(backend);
  form.SetBorder(FormBorder::None);
  form.Load();
  SetWindowLongW(Hwnd(form), GWL_STYLE, GetWindowLongW(Hwnd(form), GWL_STYLE) | WS_CHILD);
  SetParent(Hwnd(form), host);
  form.Show();
  int ticks = 0;
  form.ticker.Tick = [&] {
    if (++ticks == 3) DestroyWindow(host);
  };
  Rescuer rescuer({host, Hwnd(form)});
  backend.RunMessageLoop();
  EXPECT_FALSE(rescuer.LoopEnded()) << "the loop outlived its windows";
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.events.back(), "Unload");
}

}  // namespace
}  // namespace quarlo::fw
