#include "framework/win32/win32_backend.h"

#include "framework/win32/control_peers.h"
#include "framework/win32/form_peer.h"
#include "framework/win32/gdi.h"
#include "framework/win32/windowless_peers.h"
#include "os/win32/handles.h"
#include "os/win32/wide.h"

#include <cstdlib>

namespace quarlo::fw {

using win32::FormPeer;

Win32Backend::Win32Backend(os::Os& os)
    : Backend(os), instance_(os::ToNative<HINSTANCE>(os.ModuleInstance())) {
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

// The message font of the system's metrics, at the screen's scale as the dialog's thread sees it.
// Its character set is left to the face: one of another script (a Japanese one, as Wine keeps
// from the locale it was first set up in) would have the system choose a face of that script.
Font Win32Backend::MessageFont() {
  Font font;
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return font;
  const LOGFONTW& message = metrics.lfMessageFont;
  font.name = os::Utf8(message.lfFaceName);
  font.size = std::abs(message.lfHeight) * 72.0 / dpiY_;
  font.weight = message.lfWeight;
  font.italic = message.lfItalic != 0;
  font.charset = DEFAULT_CHARSET;
  return font;
}

Size Win32Backend::TextExtent(const Font& font, const std::string& text, bool mnemonics) {
  gdi::MemoryDc dc;
  if (!dc) return {};
  const gdi::Font made = win32::MakeFont(font, dpiY_);
  gdi::Select selected(dc.Get(), made.Get());
  const std::wstring wide = os::Utf16(text);
  RECT rect = {};
  DrawTextW(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &rect,
            DT_CALCRECT | DT_SINGLELINE | (mnemonics ? 0 : DT_NOPREFIX));
  return {PixelsToTwips(rect.right, twipsPerPixelX_), PixelsToTwips(rect.bottom, twipsPerPixelY_)};
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

// Through the form's focus, which gives a windowless control the keyboard by its canvas.
void Win32Backend::SetFocus(Control& control) {
  FormPeer* form = control.Parent() != nullptr
                       ? windows_.FormOfWindow(os::ToHwnd(control.OwnerForm().hWnd()))
                       : nullptr;
  if (form != nullptr) {
    form->Focus().Focus(control);
  } else if (HWND window = os::ToHwnd(control.hWnd())) {
    ::SetFocus(window);
  }
}

}  // namespace quarlo::fw
