#include "framework/win32/win32_backend.h"

#include "framework/win32/control_peers.h"
#include "framework/win32/form_peer.h"
#include "framework/win32/gdi.h"
#include "framework/win32/windowless_peers.h"
#include "os/win32/handles.h"

namespace quarlo::fw {

using win32::FormPeer;

Win32Backend::Win32Backend(os::Os& os)
    : Backend(os), instance_(os::ToNative<HINSTANCE>(os.ModuleInstance())), pictures_(instance_) {
  const int dpiX = GetOs().ScreenDeviceCaps(os::kLogPixelsX);
  const int dpiY = GetOs().ScreenDeviceCaps(os::kLogPixelsY);
  if (dpiX > 0) twipsPerPixelX_ = 1440.0 / dpiX;
  if (dpiY > 0) {
    twipsPerPixelY_ = 1440.0 / dpiY;
    dpiY_ = dpiY;
  }
}

std::unique_ptr<ControlPeer> Win32Backend::CreatePeer(Control& control) {
  if (auto* form = dynamic_cast<Form*>(&control)) return std::make_unique<FormPeer>(*this, *form);
  if (auto* box = dynamic_cast<PictureBox*>(&control)) {
    return std::make_unique<win32::PictureBoxPeer>(*this, *box);
  }
  if (auto* user = dynamic_cast<UserControl*>(&control)) {
    return std::make_unique<win32::UserControlPeer>(*this, *user);
  }
  if (auto* bar = dynamic_cast<HScrollBar*>(&control)) {
    return std::make_unique<win32::ScrollBarPeer>(*this, *bar);
  }
  if (auto* combo = dynamic_cast<ComboBox*>(&control)) {
    return std::make_unique<win32::ComboBoxPeer>(*this, *combo);
  }
  if (auto* timer = dynamic_cast<Timer*>(&control)) {
    return std::make_unique<win32::TimerPeer>(*this, *timer);
  }
  if (auto* label = dynamic_cast<Label*>(&control)) {
    return std::make_unique<win32::LabelPeer>(*this, *label);
  }
  if (auto* image = dynamic_cast<Image*>(&control)) {
    return std::make_unique<win32::ImagePeer>(*this, *image);
  }
  if (auto* shape = dynamic_cast<Shape*>(&control)) {
    return std::make_unique<win32::ShapePeer>(*this, *shape);
  }
  return nullptr;
}

PicturePtr Win32Backend::NewPicture(int width, int height) {
  return gdi::MakeDibPicture(width, height);
}

int Win32Backend::ScreenWidthPixels() { return GetOs().GetSystemMetrics(os::kSmCxScreen); }
int Win32Backend::ScreenHeightPixels() { return GetOs().GetSystemMetrics(os::kSmCyScreen); }

void Win32Backend::DoEvents() { pump_.Pass(); }

void Win32Backend::RunModal(Form& form) {
  pump_.PumpUntil([&form] { return !form.IsLoaded(); });
}

void Win32Backend::RunMessageLoop() {
  pump_.PumpUntil([this] { return windows_.LiveForms() == 0; });
}

void Win32Backend::SetFocus(Control& control) {
  if (HWND window = os::ToHwnd(control.hWnd())) ::SetFocus(window);
}

}  // namespace quarlo::fw
