#pragma once
// Every monitor the saver covers, each with a window of its own, so that no desktop stays visible
// or usable while the saver runs: the saver's own form over the primary monitor, and over each
// other monitor a window that shows a scene of its own (with every monitor chosen) or black.
// One rule follows the monitors after a display change: a monitor whose rectangle stays keeps
// its window and scene as they are, the others take the windows left over, in order, and the
// rest are made or dropped. Every window is made topmost the same way, passes its keys, clicks
// and close requests the same way and takes its monitor's scale the same way; every scene, the
// primary monitor's first, is composed and shown in the same frame.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/form.h"
#include "os/os.h"
#include "saver/scene.h"

namespace quarlo::saver {

// The rectangles of every monitor but the primary one, in the order the system lists them. When
// a monitor's details cannot be read, its listed rectangle is used, and it is the primary one if
// it starts at the origin of the screen.
std::vector<os::Rect> OtherMonitors(os::Os& os);

// Puts a window above all others without moving, sizing or activating it (SetWindowPos with
// HWND_TOPMOST and SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE).
void MakeTopmost(os::Os& os, os::Handle window);

// A borderless window over a monitor beside the primary one, without caption or taskbar entry
// (the instance test looks for the saver by its caption only), shown without taking the
// activation from the saver's window. Its display is black until a scene draws on it.
class MonitorWindow : public fw::Form {
 public:
  explicit MonitorWindow(fw::Backend& backend);
  ~MonitorWindow() override;

  void Form_KeyDown(int keyCode, int shift) override;
  // Another program closing it closes the saver, not just this window.
  void Form_QueryUnload(Bool16& Cancel, fw::UnloadMode mode) override;
  // The scale of its monitor changed.
  void Form_DisplayChange() override;

  fw::PictureBox Display{this, "Display"};

  std::function<void(int keyCode, int shift)> KeyDown;
  // A click on the window, or a close request to it.
  std::function<void()> Click;
  std::function<void()> DisplayChange;
};

// One covered monitor: its rectangle in pixels of the screen, its window and display (the
// saver's own over the primary monitor), and its scene (none: black).
struct Screen {
  os::Rect area;
  fw::Form* window = nullptr;
  fw::PictureBox* display = nullptr;
  std::unique_ptr<MonitorWindow> own;  // the window made for a monitor beside the primary one
  std::unique_ptr<Scene> scene;        // after `own`: it draws on that window
  bool started = false;                // the scene's sprites set up and its walk started
};

class Monitors {
 public:
  // `saver` and its `display` cover the primary monitor and show its scene.
  Monitors(os::Os& os, fw::Backend& backend, fw::Form& saver, fw::PictureBox& display);

  // Covers every monitor: the saver's form the primary screen, at its size from its top-left
  // corner (0, 0), and a window each of the others (OtherMonitors), with a scene of
  // `spriteCount` sprites when `scenes`, else black. A scene is set up, from a random sequence
  // of its own, when its monitor is first covered; a monitor that stays keeps its scene, and one
  // that moves or changes its size or scale is laid out again. New windows are shown and made
  // topmost, and the saver's form, once shown, is made topmost again above them.
  void Follow(bool scenes, std::int16_t spriteCount);
  // Every scene, the primary monitor's first: `steps` steps composed, and the last one shown.
  void Frame(int steps);
  // Puts the window above all others (MakeTopmost): the one way every window here is raised.
  void Raise(const fw::Form& window);

  Scene& Primary() { return *screens_.front().scene; }
  // The primary monitor first, then the others in the order the system lists them.
  const std::vector<Screen>& Screens() const { return screens_; }

  // A key pressed on, a click on or a close request to any window but the saver's own.
  std::function<void(int keyCode, int shift)> KeyDown;
  std::function<void()> Click;

 private:
  // Puts the screen's window over its area and its display over the window's client area; once
  // the window is loaded its scene takes the scale of the window's monitor.
  void Place(Screen& screen);
  // Loads a window made for a monitor beside the primary one and passes on what it hears; false
  // when the system refuses the window.
  bool Wire(MonitorWindow& window);
  // Gives the screen a scene when `scenes_` (none otherwise) and starts it once.
  void Fill(Screen& screen);
  os::Rect PrimaryArea();

  os::Os& os_;
  fw::Backend& backend_;
  ArtworkCache artwork_;
  std::vector<Screen> screens_;
  bool scenes_ = false;
  std::int16_t spriteCount_ = 0;
  int started_ = 0;
};

}  // namespace quarlo::saver
