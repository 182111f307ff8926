#pragma once
// A backend without a screen, for the native tests: peers hold their state in memory, drawable
// controls get a software surface of their pixel size, and the frame loops run on the clock of
// the system they are given (a FakeOs). Tests script it.

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "framework/form.h"

namespace quarlo::testing {

class HeadlessBackend : public fw::Backend {
 public:
  explicit HeadlessBackend(os::Os& os) : Backend(os) {}

  double twipsPerPixel = 15.0;
  int dpi = 96;                                      // of every window
  std::vector<std::pair<os::Rect, int>> monitorDpi;  // the scales of monitors, in pixels
  int screenWidth = 1024;
  int screenHeight = 768;
  std::map<int, fw::PicturePtr> pictures;  // resource id -> picture
  std::function<void()> onDoEvents;        // runs inside each DoEvents
  std::function<void(fw::Form&)> onModal;  // runs inside RunModal, in place of the user
  bool windowsFail = false;                // the system creates no top-level window
  int doEventsCount = 0;
  fw::Control* focused = nullptr;

  std::unique_ptr<fw::ControlPeer> CreatePeer(fw::Control& control) override;
  fw::PicturePtr LoadPicture(int resourceId) override;
  fw::PicturePtr NewPicture(int width, int height) override {
    return std::make_shared<fw::Picture>(width, height);
  }
  // The dots per inch of the monitor in `monitorDpi` that holds the form's top-left corner,
  // else `dpi`, or with 0 the system's answers, as on Windows.
  int WindowDpi(const fw::Form& form) override;
  double TwipsPerPixelX() override { return twipsPerPixel; }
  double TwipsPerPixelY() override { return twipsPerPixel; }
  fw::Font messageFont{"Segoe UI", 9, 400, false, false, false, 1};
  fw::Font MessageFont() override { return messageFont; }
  // Every character 7 pixels wide in a 9-point font, and a line 16 pixels high, in proportion.
  fw::Size TextExtent(const fw::Font& font, const std::string& text, bool mnemonics) override;
  int ScreenWidthPixels() override { return screenWidth; }
  int ScreenHeightPixels() override { return screenHeight; }
  void DoEvents() override;
  void RunModal(fw::Form& form) override;
  void RunMessageLoop() override {}
  void SetFocus(fw::Control& control) override { focused = &control; }

 private:
  os::Handle nextHandle_ = 0x1000;
};

}  // namespace quarlo::testing
