#pragma once
// The framework realised with real windows and GDI: every form is a top-level window of its own
// class, picture boxes and user controls are child windows with persistent back buffers, the
// scroll bar and the combo box are the system's own controls, labels, images and shapes are
// drawn by their container, and timers are window timers of their form. One message pump runs
// every loop: the modal one, the program's last one and (through the frame driver's waits) the
// frame loop.

#include <windows.h>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "framework/form.h"
#include "framework/win32/pictures.h"
#include "os/os.h"

namespace quarlo::fw {

namespace win32 {
class WindowPeer;
class FormPeer;
}  // namespace win32

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(os::Os& os);

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  // JPEG, BMP or PNG file bytes stored as an RCDATA resource of the program, decoded once.
  PicturePtr LoadPicture(int resourceId) override { return pictures_.Load(resourceId); }
  PicturePtr NewPicture(int width, int height) override;
  double TwipsPerPixelX() override { return twipsPerPixelX_; }
  double TwipsPerPixelY() override { return twipsPerPixelY_; }
  int ScreenWidthPixels() override;
  int ScreenHeightPixels() override;
  void DoEvents() override;
  void RunModal(Form& form) override;
  void RunMessageLoop() override;
  void SetFocus(Control& control) override;

  HINSTANCE Instance() const { return instance_; }
  // The screen's dots per inch (vertical), for font heights.
  int DotsPerInch() const { return dpiY_; }

  // --- Book-keeping of the peers ------------------------------------------------------------
  void RegisterWindow(HWND window, win32::WindowPeer* peer);
  void UnregisterWindow(HWND window);
  win32::WindowPeer* PeerOf(HWND window) const;
  UINT_PTR AddTimer(Timer* timer);
  void RemoveTimer(UINT_PTR id);
  Timer* TimerOf(UINT_PTR id) const;
  void AddForm(win32::FormPeer* form);
  void RemoveForm(win32::FormPeer* form);
  // A form whose window was destroyed from outside is unloaded from the message pump.
  void UnloadLater(Form& form);

 private:
  // Passes and waits until `done()` holds or the thread is told to quit.
  void PumpUntil(const std::function<bool()>& done);
  // Keyboard handling before a message is dispatched: Tab moves the focus, and a form with
  // KeyPreview sees every key first. True when the message has been consumed.
  bool PreTranslate(const MSG& message);
  void UnloadPending();
  win32::FormPeer* FormOfWindow(HWND window) const;
  int LiveForms() const;

  HINSTANCE instance_;
  double twipsPerPixelX_ = 15.0;
  double twipsPerPixelY_ = 15.0;
  int dpiY_ = 96;
  bool quit_ = false;
  win32::PictureStore pictures_;
  std::unordered_map<HWND, win32::WindowPeer*> windows_;
  std::unordered_map<UINT_PTR, Timer*> timers_;
  UINT_PTR nextTimerId_ = 0x5100;
  std::vector<win32::FormPeer*> forms_;
  std::vector<Form*> pendingUnloads_;
};

}  // namespace quarlo::fw
