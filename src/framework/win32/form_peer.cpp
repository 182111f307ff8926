#include "framework/win32/form_peer.h"

#include "os/win32/answers.h"
#include "os/win32/handles.h"
#include "os/win32/wide.h"

namespace quarlo::fw::win32 {
namespace {

// WM_DPICHANGED ("WM_DPICHANGED message"): sent from Windows 8.1 on to a window aware of each
// monitor's scale; the headers name it only for builds that require Windows 7 or later.
constexpr UINT kWmDpiChanged = 0x02E0;

static_assert(Audience::kConsoleConnect == WTS_CONSOLE_CONNECT &&
              Audience::kConsoleDisconnect == WTS_CONSOLE_DISCONNECT &&
              Audience::kRemoteConnect == WTS_REMOTE_CONNECT &&
              Audience::kRemoteDisconnect == WTS_REMOTE_DISCONNECT &&
              Audience::kSessionLock == WTS_SESSION_LOCK &&
              Audience::kSessionUnlock == WTS_SESSION_UNLOCK);

}  // namespace

FormPeer::FormPeer(Win32Backend& backend, Form& form)
    : CanvasPeer(backend, form),
      form_(form),
      focus_(backend.Windows(), form, [this] { ShowCues(UISF_HIDEFOCUS); }) {
  backend_.Windows().AddForm(this);
  const HWND owner = form.Owner() != nullptr ? os::ToHwnd(form.Owner()->hWnd()) : nullptr;
  CreateCanvasWindow(L"Quarlo.Form." + os::Utf16(form.Name()), ExStyle(), Style(),
                     os::Utf16(form.Caption()), owner);
  if (window_ != nullptr) {
    backend_.FormWindowCreated(form, os::FromNative(window_));
    registered_ = true;
  }
  ApplyIcon();
  // A window that belongs to another starts with that one's cues: opened from the keyboard, it
  // shows its focus at once.
  if (const FormPeer* ownerPeer = owner != nullptr ? backend_.Windows().FormOfWindow(owner) : nullptr) {
    hidden_ = ownerPeer->hidden_;
  }
  BOOL alwaysCues = FALSE;
  if (SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0) && alwaysCues) hidden_ = 0;
  // The system's controls inside follow the same state.
  if (window_ != nullptr && hidden_ != 0) {
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, hidden_), 0);
  }
}

void FormPeer::ShowCues(WORD cues) {
  if ((hidden_ & cues) != 0 && window_ != nullptr) {
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
  }
}

FormPeer::~FormPeer() {
  // The notifications are given up while the window still exists.
  StopBeingWatched();
  DestroyNow();
  backend_.Windows().RemoveForm(this);
}

void FormPeer::StopBeingWatched() {
  if (registered_) backend_.FormWindowGoing(form_, os::FromNative(window_));
  registered_ = false;
}

DWORD FormPeer::Style() const {
  // Hidden until shown, whatever Visible says.
  if (form_.Border() == FormBorder::None) return WS_POPUP | WS_CLIPCHILDREN;
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
}

DWORD FormPeer::ExStyle() const {
  const DWORD taskbar = form_.ShowInTaskbar() ? 0 : WS_EX_TOOLWINDOW;
  return (form_.Border() == FormBorder::None ? 0 : WS_EX_WINDOWEDGE) | taskbar;
}

void FormPeer::ApplyIcon() {
  if (window_ == nullptr || form_.IconResource() == 0) return;
  const auto load = [&](int size) {
    // Shared icons belong to the system's cache; nothing to release.
    return static_cast<HICON>(LoadImageW(backend_.Instance(),
                                         MAKEINTRESOURCEW(form_.IconResource()), IMAGE_ICON, size,
                                         size, LR_SHARED));
  };
  if (HICON big = load(GetSystemMetrics(SM_CXICON))) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = load(GetSystemMetrics(SM_CXSMICON))) {
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

std::optional<Size> FormPeer::ClientSizeTwips() const {
  if (window_ == nullptr) return std::nullopt;
  RECT client = {};
  GetClientRect(window_, &client);
  return Size{TwipsX(client.right), TwipsY(client.bottom)};
}

Size FormPeer::FrameSizeTwips() const {
  RECT rect = {0, 0, 0, 0};
  DWORD style = Style();
  DWORD exStyle = ExStyle();
  if (window_ != nullptr) {
    style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
    exStyle = static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE));
  }
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  return Size{TwipsX(rect.right - rect.left), TwipsY(rect.bottom - rect.top)};
}

void FormPeer::Update(Change what) {
  if (window_ == nullptr) return;
  switch (what) {
    case Change::Visible:
      if (form_.Visible()) {
        showing_ = true;
        ShowWindow(window_, form_.ActivatesWhenShown() ? SW_SHOWNORMAL : SW_SHOWNA);
        showing_ = false;
      } else {
        ShowWindow(window_, SW_HIDE);
      }
      return;
    case Change::Caption:
      SetWindowTextW(window_, os::Utf16(form_.Caption()).c_str());
      return;
    case Change::Style: {
      const LONG current = GetWindowLongW(window_, GWL_STYLE);
      LONG style = static_cast<LONG>(Style()) | (current & (WS_VISIBLE | WS_CHILD | WS_DISABLED));
      // A form made a child window (the preview) never takes WS_POPUP back.
      if ((current & WS_CHILD) != 0) style &= ~static_cast<LONG>(WS_POPUP);
      SetWindowLongW(window_, GWL_STYLE, style);
      SetWindowLongW(window_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
      SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return;
    }
    default:
      CanvasPeer::Update(what);
  }
}

void FormPeer::OnSized() {
  CanvasPeer::OnSized();
  // Form_Resize follows every size change of a visible form; Form::Show raises the first one.
  if (showing_ || !form_.Visible() || !IsWindowVisible(window_)) return;
  Raise([&] { form_.Form_Resize(); });
}

void FormPeer::OnDestroyedFromOutside() { backend_.Windows().UnloadLater(form_); }

std::optional<LRESULT> FormPeer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The close box, Alt+F4 and SC_CLOSE arrive here through DefWindowProc, and so does a
      // close request another program sends or posts.
      Raise([&] { form_.Close(UnloadMode::FormControlMenu); });
      return 0;
    case WM_ENDSESSION:
      // After this message returns the system may end the process at any moment.
      if (wParam != FALSE) Raise([&] { form_.Close(UnloadMode::AppWindows); });
      return 0;
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) Raise([&] { form_.Form_AppDeactivate(); });
      return 0;
    case WM_DISPLAYCHANGE:
      Raise([&] { form_.Form_DisplayChange(); });
      return std::nullopt;
    case kWmDpiChanged: {
      // The scale of the window's monitor changed: the window takes the rectangle Windows
      // suggests for the new scale, unless it covers a monitor, and the form lays itself out
      // again.
      const os::DpiChange change = os::DpiChangeFrom(wParam, lParam);
      const os::Rect& r = change.suggested;
      if (!form_.CoversMonitor() && r.right > r.left && r.bottom > r.top) {
        SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      Raise([&] { form_.Form_DisplayChange(); });
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) {
        Bool16 cancel = kFalse;
        if (!Raise([&] { form_.Form_ScreenSave(cancel); }) || IsTrue(cancel)) return 0;
      }
      return std::nullopt;
    case WM_TIMER:
      if (Timer* timer = backend_.Windows().TimerOf(wParam)) {
        Raise([&] { timer->RaiseTick(); });
        return 0;
      }
      return std::nullopt;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // A form with KeyPreview has seen the key in the message loop already.
      if (!form_.KeyPreview()) {
        const int key = static_cast<int>(wParam);
        const int shift = ShiftState();
        if (!Raise([&] { form_.Form_KeyDown(key, shift); })) return 0;
      }
      return std::nullopt;
    case WM_POWERBROADCAST:
      if (wParam != PBT_POWERSETTINGCHANGE) return std::nullopt;
      if (const auto change = os::PowerSettingFrom(wParam, lParam)) {
        backend_.Frames().PowerSetting(change->setting, change->value);
      }
      return TRUE;
    case WM_INPUT:
      // Heard while another window has the keyboard (activation refused at the start, say).
      if (GET_RAWINPUT_CODE_WPARAM(wParam) == RIM_INPUTSINK) {
        os::RawInput input;
        if (backend_.GetOs().GetRawInputData(os::FromNative(reinterpret_cast<HRAWINPUT>(lParam)),
                                             &input)) {
          Raise([&] { form_.BackgroundInput(input); });
        }
      }
      return std::nullopt;
    case WM_WTSSESSION_CHANGE:
      backend_.Frames().SessionChange(static_cast<std::uint32_t>(wParam));
      return 0;
    case WM_DESTROY:
      // Destroyed with its parent (a preview pane), or by the system.
      StopBeingWatched();
      return std::nullopt;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) focus_.Deactivated(window_);
      return std::nullopt;
    case WM_SETFOCUS:
      focus_.Restore(window_);
      return 0;
    case WM_CHANGEUISTATE: {
      // Ours to keep (Wine keeps none); the system's part goes on to the controls inside.
      const WORD before = hidden_;
      if (LOWORD(wParam) == UIS_CLEAR) hidden_ &= static_cast<WORD>(~HIWORD(wParam));
      if (LOWORD(wParam) == UIS_SET) hidden_ |= HIWORD(wParam) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
      if (hidden_ != before)
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      return std::nullopt;
    }
    default:
      return CanvasPeer::OnMessage(message, wParam, lParam);
  }
}

}  // namespace quarlo::fw::win32
