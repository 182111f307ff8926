#include "saver/monitors.h"

#include "framework/scaling.h"

namespace quarlo::saver {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);

}  // namespace

std::vector<os::Rect> OtherMonitors(os::Os& os) {
  struct Listed {
    os::Handle monitor;
    os::Rect rect;
  };
  std::vector<Listed> listed;
  os.EnumDisplayMonitors(os::kNull, nullptr,
                         [&](os::Handle monitor, os::Handle, const os::Rect& rect) {
                           listed.push_back({monitor, rect});
                           return true;
                         });
  std::vector<os::Rect> others;
  for (const Listed& item : listed) {
    os::MonitorInfo info;
    bool primary = false;
    if (os.GetMonitorInfoA(item.monitor, &info)) {
      primary = (info.flags & os::kMonitorInfoFPrimary) != 0;
    } else {
      // The primary monitor is the one whose top-left corner is the origin of the screen.
      info.monitor = item.rect;
      primary = item.rect.left == 0 && item.rect.top == 0;
    }
    if (!primary) others.push_back(info.monitor);
  }
  return others;
}

void MakeTopmost(os::Os& os, os::Handle window) {
  os.SetWindowPos(window, os::kHwndTopmost, 0, 0, 0, 0,
                  os::kSwpNoSize | os::kSwpNoMove | os::kSwpNoActivate);
}

MonitorWindow::MonitorWindow(fw::Backend& backend) : Form(backend, "Monitor") {
  SetBorder(fw::FormBorder::None);
  SetCoversMonitor(true);
  SetShowInTaskbar(false);
  SetActivatesWhenShown(false);
  SetKeyPreview(true);
  SetBackColour(kBlack);
  Display.SetBackColour(kBlack);
  Display.Click = [this] {
    if (Click) Click();
  };
}

MonitorWindow::~MonitorWindow() { Unload(); }

void MonitorWindow::Form_KeyDown(int keyCode, int shift) {
  if (KeyDown) KeyDown(keyCode, shift);
}

void MonitorWindow::Form_QueryUnload(Bool16& Cancel, fw::UnloadMode /*mode*/) {
  Cancel = kTrue;  // it goes with the saver
  if (Click) Click();
}

void MonitorWindow::Form_DisplayChange() {
  if (DisplayChange) DisplayChange();
}

Monitors::Monitors(os::Os& os, fw::Backend& backend, fw::Form& saver, fw::PictureBox& display)
    : os_(os), backend_(backend), artwork_(backend) {
  Screen primary;
  primary.window = &saver;
  primary.display = &display;
  primary.scene = std::make_unique<Scene>(saver, display, artwork_);
  screens_.push_back(std::move(primary));
}

os::Rect Monitors::PrimaryArea() {
  return {0, 0, backend_.ScreenWidthPixels(), backend_.ScreenHeightPixels()};
}

void Monitors::Follow(bool scenes, std::int16_t spriteCount) {
  scenes_ = scenes;
  spriteCount_ = spriteCount;
  screens_.front().area = PrimaryArea();
  Place(screens_.front());
  Fill(screens_.front());

  const std::vector<os::Rect> areas = OtherMonitors(os_);
  std::vector<Screen> left(std::make_move_iterator(screens_.begin() + 1),
                           std::make_move_iterator(screens_.end()));
  screens_.resize(1);
  // A monitor that stays where it was keeps its window; the others take the windows left over.
  std::vector<Screen> kept(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    for (Screen& screen : left) {
      if (screen.own && screen.area == areas[i]) {
        kept[i] = std::move(screen);
        break;
      }
    }
  }
  auto spare = left.begin();
  for (std::size_t i = 0; i < areas.size(); ++i) {
    Screen& screen = kept[i];
    if (!screen.own) {
      while (spare != left.end() && !spare->own) ++spare;
      if (spare != left.end()) screen = std::move(*spare);
    }
    screen.area = areas[i];
    const bool made = !screen.own;
    if (made) {
      screen.own = std::make_unique<MonitorWindow>(backend_);
      screen.window = screen.own.get();
      screen.display = &screen.own->Display;
    }
    Place(screen);
    // A monitor whose window cannot be made is left as it is.
    if (made && !Wire(*screen.own)) continue;
    Fill(screen);
    if (made) {
      screen.own->Show(false);
      Raise(*screen.own);
    }
    screens_.push_back(std::move(screen));
  }
  // The windows of monitors that are gone go with `left`; the saver stays above a window just
  // made for a monitor that overlaps the primary screen.
  fw::Form& saver = *screens_.front().window;
  if (saver.Visible()) Raise(saver);
}

bool Monitors::Wire(MonitorWindow& window) {
  if (!window.Load()) return false;
  window.KeyDown = [this](int keyCode, int shift) {
    if (KeyDown) KeyDown(keyCode, shift);
  };
  window.Click = [this] {
    if (Click) Click();
  };
  window.DisplayChange = [this, own = &window] {
    for (Screen& screen : screens_) {
      if (screen.own.get() == own) Place(screen);
    }
  };
  return true;
}

void Monitors::Place(Screen& screen) {
  fw::Form& window = *screen.window;
  const double x = backend_.TwipsPerPixelX(), y = backend_.TwipsPerPixelY();
  const os::Rect& area = screen.area;
  window.Move(fw::PixelsToTwips(area.left, x), fw::PixelsToTwips(area.top, y),
              fw::PixelsToTwips(area.right - area.left, x),
              fw::PixelsToTwips(area.bottom - area.top, y));
  screen.display->Move(0, 0, window.ScaleWidth(), window.ScaleHeight());
  // The scale is the window's, known once the window is on its monitor.
  if (screen.scene && window.IsLoaded()) screen.scene->TakeScale();
}

void Monitors::Fill(Screen& screen) {
  const bool primary = screen.own == nullptr;
  if (!primary && scenes_ != (screen.scene != nullptr)) {
    screen.scene = scenes_ ? std::make_unique<Scene>(*screen.window, *screen.display, artwork_)
                           : nullptr;
    screen.started = false;
    if (screen.scene) screen.scene->TakeScale();
  }
  if (!screen.scene || screen.started) return;
  screen.started = true;
  // A sequence of its own, so that no two monitors look alike.
  screen.scene->SetUp(spriteCount_, os_.SecondsSinceMidnight() + started_++);
  screen.scene->Engine().StartWalk();
}

void Monitors::Raise(const fw::Form& window) { MakeTopmost(os_, window.hWnd()); }

void Monitors::Frame(int steps) {
  for (Screen& screen : screens_) {
    if (!screen.scene) continue;
    for (int i = 0; i < steps; ++i) screen.scene->Compose();
    screen.scene->Present();
  }
}

}  // namespace quarlo::saver
