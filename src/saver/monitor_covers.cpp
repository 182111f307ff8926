#include "saver/monitor_covers.h"

namespace quarlo::saver {

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

void MonitorCovers::Cover() {
  const std::vector<os::Rect> areas = OtherMonitors(os_);
  if (windows_.size() > areas.size()) windows_.resize(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    if (i < windows_.size()) {
      if (!(windows_[i]->Area() == areas[i])) windows_[i]->Place(areas[i]);
    } else {
      Add(areas[i]);
    }
  }
}

void MonitorCovers::Add(const os::Rect& area) {
  auto window = std::make_unique<fw::BlankWindow>(backend_, area);
  window->KeyDown = [this](int keyCode, int shift) {
    if (KeyDown) KeyDown(keyCode, shift);
  };
  window->Click = [this] {
    if (Click) Click();
  };
  // Another program closing one of them closes the saver, not just that window.
  window->CloseRequest = window->Click;
  windows_.push_back(std::move(window));
}

}  // namespace quarlo::saver
