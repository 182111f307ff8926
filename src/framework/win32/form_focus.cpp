#include "framework/win32/form_focus.h"

#include "framework/win32/window_peer.h"
#include "os/win32/handles.h"

namespace quarlo::fw::win32 {

bool FormFocus::Focusable(HWND formWindow, const Control& control) const {
  HWND window = os::ToHwnd(control.hWnd());
  if (window == nullptr || window == formWindow) return false;
  return IsWindowVisible(window) && IsWindowEnabled(window) &&
         (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

Control* FormFocus::Focused(HWND formWindow) const {
  // The focus may sit in a part of a control (the edit field of a combo box).
  for (HWND window = GetFocus(); window != nullptr && window != formWindow;
       window = GetParent(window)) {
    if (WindowPeer* peer = windows_.PeerOf(window)) return &peer->GetControl();
  }
  return nullptr;
}

bool FormFocus::Move(HWND formWindow, bool backwards) {
  Control* next =
      NextInTabOrder(form_, Focused(formWindow), backwards,
                     [&](const Control& c) { return Focusable(formWindow, c); });
  if (next == nullptr) return false;
  ::SetFocus(os::ToHwnd(next->hWnd()));
  return true;
}

void FormFocus::Deactivated(HWND formWindow) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(formWindow, focus)) last_ = focus;
}

void FormFocus::Restore(HWND formWindow) {
  if (last_ != nullptr && IsWindow(last_) && IsChild(formWindow, last_) &&
      IsWindowVisible(last_) && IsWindowEnabled(last_)) {
    ::SetFocus(last_);
  } else {
    Move(formWindow, false);
  }
}

}  // namespace quarlo::fw::win32
