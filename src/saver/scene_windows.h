#pragma once
// With every monitor chosen: each monitor beside the primary one gets a saver window of its own,
// at its rectangle and scale, with the figure at its centre and sprites of its own, composed and
// shown in the same frames as the saver's own scene. A key or a click on any of them ends the
// saver as on its own window. After a display change the windows follow the monitors: moved and
// laid out again, added for a new monitor, dropped with one that is gone.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/form.h"
#include "os/os.h"
#include "saver/scene.h"

namespace quarlo::saver {

// A borderless, topmost window over one monitor, without caption or taskbar entry (the instance
// test looks for the saver by its caption only), shown without taking the activation from the
// saver's window.
class SceneWindow : public fw::Form {
 public:
  SceneWindow(fw::Backend& backend, ArtworkCache& artwork);
  ~SceneWindow() override;

  // Puts the window over the monitor and, once it is loaded, lays its scene out at the
  // monitor's size and scale.
  void Place(const os::Rect& monitor);
  const os::Rect& Area() const { return area_; }
  Scene& GetScene() { return scene_; }

  void Form_KeyDown(int keyCode, int shift) override;
  void Form_QueryUnload(Bool16& Cancel, fw::UnloadMode mode) override;
  // The scale of its monitor changed: laid out again where it is. The monitors themselves are
  // followed by the saver's window (SceneWindows::Follow), which hears every display change too.
  void Form_DisplayChange() override;

  fw::PictureBox Display{this, "Display"};

  std::function<void(int keyCode, int shift)> KeyDown;
  // A click on the window, or a close request to it.
  std::function<void()> Click;

 private:
  os::Rect area_;
  Scene scene_;
};

// Puts a window above all others without moving, sizing or activating it (SetWindowPos with
// HWND_TOPMOST and SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE).
void MakeTopmost(os::Os& os, os::Handle window);

class SceneWindows {
 public:
  SceneWindows(os::Os& os, fw::Backend& backend, ArtworkCache& artwork)
      : os_(os), backend_(backend), artwork_(artwork) {}

  // One window with a scene of `spriteCount` sprites over each monitor but the primary one
  // (OtherMonitors): windows already there are moved and laid out again, missing ones added and
  // started, each from a random sequence of its own, and left-over ones dropped.
  void Follow(std::int16_t spriteCount);
  void Compose();
  void Present();
  const std::vector<std::unique_ptr<SceneWindow>>& Windows() const { return windows_; }

  std::function<void(int keyCode, int shift)> KeyDown;
  std::function<void()> Click;

 private:
  void Add(const os::Rect& monitor, std::int16_t spriteCount);

  os::Os& os_;
  fw::Backend& backend_;
  ArtworkCache& artwork_;
  std::vector<std::unique_ptr<SceneWindow>> windows_;
  int started_ = 0;
};

}  // namespace quarlo::saver
