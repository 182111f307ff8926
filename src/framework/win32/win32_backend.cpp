#include "framework/win32/win32_backend.h"

#include <algorithm>
#include <cstring>

#include "framework/win32/frame_waits.h"
#include "framework/win32/peers.h"
#include "os/win32/handles.h"

namespace quarlo::fw {

using win32::FormPeer;
using win32::ShiftState;
using win32::WindowPeer;

namespace {

int RefreshRate(os::Os& os) { return os.ScreenDeviceCaps(os::kVRefresh); }

}  // namespace

Win32Backend::Win32Backend(os::Os& os)
    : os_(os), instance_(os::ToNative<HINSTANCE>(os.ModuleInstance())) {
  const int dpiX = os_.ScreenDeviceCaps(os::kLogPixelsX);
  const int dpiY = os_.ScreenDeviceCaps(os::kLogPixelsY);
  if (dpiX > 0) twipsPerPixelX_ = 1440.0 / dpiX;
  if (dpiY > 0) {
    twipsPerPixelY_ = 1440.0 / dpiY;
    dpiY_ = dpiY;
  }
}

Win32Backend::~Win32Backend() {
  pictures_.clear();
  if (comReady_) CoUninitialize();
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

std::unique_ptr<BlankWindow::Peer> Win32Backend::CreateBlankWindow(BlankWindow& window) {
  return std::make_unique<win32::BlankWindowPeer>(*this, window);
}

int Win32Backend::ScreenWidthPixels() { return os_.GetSystemMetrics(os::kSmCxScreen); }
int Win32Backend::ScreenHeightPixels() { return os_.GetSystemMetrics(os::kSmCyScreen); }

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
  // A form unloaded inside a sent message (another program's WM_CLOSE is dispatched within
  // GetMessageW) leaves GetMessageW waiting for a posted message that may never come: one is
  // posted, so that whichever loop waits looks at its forms again.
  WakeLoop();
}

void Win32Backend::WakeLoop() { PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); }

void Win32Backend::UnloadLater(Form& form) {
  if (std::find(pendingUnloads_.begin(), pendingUnloads_.end(), &form) == pendingUnloads_.end()) {
    pendingUnloads_.push_back(&form);
  }
  // A window destroyed by another thread (a preview's host destroying its pane) reaches us as a
  // sent message inside GetMessageW, which then keeps waiting.
  WakeLoop();
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

// --- Message loops -----------------------------------------------------------------------------

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

void Win32Backend::Dispatch(MSG& message) {
  if (PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Backend::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The blocking loops end on it (they test quit_). A frame loop that calls DoEvents goes
      // on hearing its keys, mouse and timers: it is ended by its own input, never left deaf.
      quit_ = true;
      continue;
    }
    Dispatch(message);
    UnloadPending();
  }
  UnloadPending();
}

void Win32Backend::OnPowerSetting(const POWERBROADCAST_SETTING& setting) {
  if (IsEqualGUID(setting.PowerSetting, win32::kConsoleDisplayState) &&
      setting.DataLength >= sizeof(DWORD)) {
    DWORD state = 0;
    std::memcpy(&state, setting.Data, sizeof state);
    audience_.DisplayState(state);
  }
}

void Win32Backend::RunFrames(Form& form, const FrameSteps& steps) {
  // The rate is read afresh for each loop; the timer resolution, the compositor and the
  // notifications are held only while the loop runs.
  FramePacer pacer(RefreshRate(os_));
  win32::FrameWaits waits(*this, os::ToHwnd(form.hWnd()), pacer.RefreshPeriodMs());
  RunFrameLoop(waits, pacer, steps);
}

void Win32Backend::RunModal(Form& form) {
  MSG message;
  while (form.IsLoaded() && !quit_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      quit_ = true;
      break;
    }
    Dispatch(message);
    UnloadPending();
  }
}

void Win32Backend::RunMessageLoop() {
  UnloadPending();
  MSG message;
  while (LiveForms() > 0 && !quit_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit_ = true;
      break;
    }
    Dispatch(message);
    UnloadPending();
  }
}

void Win32Backend::SetFocus(Control& control) {
  if (HWND window = os::ToHwnd(control.hWnd())) ::SetFocus(window);
}

}  // namespace quarlo::fw
