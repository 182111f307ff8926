#include "framework/win32/win32_backend.h"

#include <algorithm>

#include "framework/win32/control_peers.h"
#include "framework/win32/form_peer.h"
#include "framework/win32/gdi.h"
#include "framework/win32/windowless_peers.h"
#include "os/win32/handles.h"

namespace quarlo::fw {

using win32::FormPeer;
using win32::ShiftState;
using win32::WindowPeer;

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
  if (auto* blank = dynamic_cast<BlankWindow*>(&control)) {
    return std::make_unique<win32::BlankWindowPeer>(*this, *blank);
  }
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

// --- Book-keeping ------------------------------------------------------------------------------

void Win32Backend::RegisterWindow(HWND window, WindowPeer* peer) { windows_[window] = peer; }
void Win32Backend::UnregisterWindow(HWND window) { windows_.erase(window); }

WindowPeer* Win32Backend::PeerOf(HWND window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second;
}

UINT_PTR Win32Backend::AddTimer(Timer* timer) {
  const UINT_PTR id = nextTimerId_++;
  timers_[id] = timer;
  return id;
}

void Win32Backend::RemoveTimer(UINT_PTR id) { timers_.erase(id); }

Timer* Win32Backend::TimerOf(UINT_PTR id) const {
  const auto it = timers_.find(id);
  return it == timers_.end() ? nullptr : it->second;
}

void Win32Backend::AddForm(FormPeer* form) { forms_.push_back(form); }

void Win32Backend::RemoveForm(FormPeer* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  Form* gone = &form->GetForm();
  pendingUnloads_.erase(std::remove(pendingUnloads_.begin(), pendingUnloads_.end(), gone),
                        pendingUnloads_.end());
}

void Win32Backend::UnloadLater(Form& form) {
  if (std::find(pendingUnloads_.begin(), pendingUnloads_.end(), &form) == pendingUnloads_.end()) {
    pendingUnloads_.push_back(&form);
  }
}

void Win32Backend::UnloadPending() {
  while (!pendingUnloads_.empty()) {
    Form* form = pendingUnloads_.back();
    pendingUnloads_.pop_back();
    form->Unload();
  }
}

FormPeer* Win32Backend::FormOfWindow(HWND window) const {
  // The nearest of our forms among the window and its ancestors; a preview's form is the child
  // of another program's window, so the walk cannot stop at the top-level window.
  for (HWND at = window; at != nullptr; at = GetParent(at)) {
    for (FormPeer* form : forms_) {
      if (form->Window() == at) return form;
    }
  }
  return nullptr;
}

int Win32Backend::LiveForms() const {
  return static_cast<int>(std::count_if(forms_.begin(), forms_.end(),
                                        [](const FormPeer* f) { return f->Window() != nullptr; }));
}

// --- The message pump ----------------------------------------------------------------------------

bool Win32Backend::PreTranslate(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  FormPeer* peer = FormOfWindow(message.hwnd);
  if (peer == nullptr) return false;
  const int key = static_cast<int>(message.wParam);
  const int shift = ShiftState();
  if (message.message == WM_KEYDOWN && key == VK_TAB && (shift & (kCtrlMask | kAltMask)) == 0) {
    const LRESULT wants = SendMessageW(message.hwnd, WM_GETDLGCODE, static_cast<WPARAM>(key),
                                       reinterpret_cast<LPARAM>(&message));
    if ((wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) == 0 &&
        peer->MoveFocus((shift & kShiftMask) != 0)) {
      return true;
    }
  }
  Form& form = peer->GetForm();
  if (form.KeyPreview()) {
    try {
      form.Form_KeyDown(key, shift);
    } catch (...) {
      // A failing handler is a step that had no effect; the key goes on to its window.
    }
    // The handler may have unloaded the form; the message then goes nowhere.
    if (!IsWindow(message.hwnd)) return true;
  }
  return false;
}

void Win32Backend::DoEvents() {
  // Sent messages (another program's WM_CLOSE, a host destroying a preview's pane) are handled
  // inside PeekMessageW; the pass ends when nothing is left to handle.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The blocking loops end on it. A frame loop goes on hearing its keys, mouse and timers:
      // it is ended by its own input, never left deaf.
      quit_ = true;
      continue;
    }
    if (!PreTranslate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    UnloadPending();
  }
  UnloadPending();
}

void Win32Backend::PumpUntil(const std::function<bool()>& done) {
  DoEvents();
  while (!done() && !quit_) Frames().WaitAndPass(std::nullopt);
}

void Win32Backend::RunModal(Form& form) {
  PumpUntil([&form] { return !form.IsLoaded(); });
}

void Win32Backend::RunMessageLoop() {
  PumpUntil([this] { return LiveForms() == 0; });
}

void Win32Backend::SetFocus(Control& control) {
  if (HWND window = os::ToHwnd(control.hWnd())) ::SetFocus(window);
}

}  // namespace quarlo::fw
