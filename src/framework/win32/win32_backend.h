#pragma once
// The framework realised with real windows and GDI: every form is a top-level window of its own
// class, picture boxes and user controls are child windows with persistent back buffers, the
// scroll bar and the combo box are the system's own controls, labels, images and shapes are
// drawn by their container, and timers are window timers of their form. The backend makes the
// peers and knows the screen's scale; the window registry keeps who owns what, the picture store
// decodes, and one message pump runs every loop: the modal one, the program's last one and
// (through the frame driver's waits) the frame loop.

#include <windows.h>

#include <memory>

#include "framework/form.h"
#include "framework/win32/message_pump.h"
#include "framework/win32/pictures.h"
#include "framework/win32/window_registry.h"
#include "os/os.h"

namespace quarlo::fw {

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(os::Os& os);

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  // JPEG, BMP or PNG file bytes stored as an RCDATA resource of the program, decoded once.
  PicturePtr LoadPicture(int resourceId) override { return pictures_.Load(resourceId); }
  PicturePtr NewPicture(int width, int height) override;
  double TwipsPerPixelX() override { return twipsPerPixelX_; }
  double TwipsPerPixelY() override { return twipsPerPixelY_; }
  Font MessageFont() override;
  Size TextExtent(const Font& font, const std::string& text, bool mnemonics) override;
  int ScreenWidthPixels() override;
  int ScreenHeightPixels() override;
  void DoEvents() override;
  void RunModal(Form& form) override;
  void RunMessageLoop() override;
  void SetFocus(Control& control) override;

  HINSTANCE Instance() const { return instance_; }
  // The screen's dots per inch (vertical), for font heights.
  int DotsPerInch() const { return dpiY_; }
  // Which peer owns which window, timer and form.
  win32::WindowRegistry& Windows() { return windows_; }
  // The thread's COM apartment, entered at the first need.
  win32::ComApartment& Apartment() { return apartment_; }

 private:
  HINSTANCE instance_;
  double twipsPerPixelX_ = 15.0;
  double twipsPerPixelY_ = 15.0;
  int dpiY_ = 96;
  win32::ComApartment apartment_;
  win32::PictureStore pictures_{instance_, apartment_};
  win32::WindowRegistry windows_;
  win32::MessagePump pump_{windows_, Frames()};
};

}  // namespace quarlo::fw
