#pragma once
// The monitors beside the saver's own: the saver covers the primary screen, and each other
// monitor gets a black window of its own, so that no desktop stays visible or usable while the
// saver runs. After a display change the windows follow the monitors.

#include <functional>
#include <memory>
#include <vector>

#include "framework/form.h"
#include "os/os.h"

namespace quarlo::saver {

// The rectangles of every monitor but the primary one, in the order the system lists them. When
// a monitor's details cannot be read, its listed rectangle is used, and it is the primary one if
// it starts at the origin of the screen.
std::vector<os::Rect> OtherMonitors(os::Os& os);

class MonitorCovers {
 public:
  MonitorCovers(os::Os& os, fw::Backend& backend) : os_(os), backend_(backend) {}

  // One window over each monitor of OtherMonitors: windows already there are moved, missing ones
  // added and left-over ones dropped.
  void Cover();
  const std::vector<std::unique_ptr<fw::BlankWindow>>& Windows() const { return windows_; }

  // A key pressed, a click on or a close request to any of the windows.
  std::function<void(int keyCode, int shift)> KeyDown;
  std::function<void()> Click;

 private:
  void Add(const os::Rect& area);

  os::Os& os_;
  fw::Backend& backend_;
  std::vector<std::unique_ptr<fw::BlankWindow>> windows_;
};

}  // namespace quarlo::saver
