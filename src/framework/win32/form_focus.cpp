#include "framework/win32/form_focus.h"

#include <algorithm>

#include "framework/win32/canvas_peer.h"
#include "os/win32/handles.h"

namespace quarlo::fw::win32 {
namespace {

HWND WindowOf(const Control& control) { return os::ToHwnd(control.hWnd()); }

// The canvas that draws a windowless control and holds the keyboard for it.
CanvasPeer* CanvasOf(const Control& control) {
  const Container* parent = control.Parent();
  return parent != nullptr ? dynamic_cast<CanvasPeer*>(parent->Peer()) : nullptr;
}

bool Usable(HWND window) {
  return window != nullptr && IsWindowVisible(window) && IsWindowEnabled(window);
}

}  // namespace

bool FormFocus::Focusable(HWND formWindow, const Control& control) const {
  if (!control.TabStop()) return false;
  const HWND window = WindowOf(control);
  if (window != nullptr) return window != formWindow && Usable(window);
  const CanvasPeer* canvas = CanvasOf(control);
  return canvas != nullptr && control.Visible() && control.Available() && Usable(canvas->Window());
}

Control* FormFocus::Focused(HWND formWindow) const {
  // The focus may sit in a part of a control (the edit field of a combo box).
  WindowPeer* peer = windows_.ControlOf(GetFocus());
  if (peer == nullptr) return nullptr;
  if (Control* part = peer->FocusedPart()) return part;
  return peer->Window() != formWindow ? &peer->GetControl() : nullptr;
}

void FormFocus::Focus(Control& control) {
  last_ = &control;
  if (const HWND window = WindowOf(control)) {
    ::SetFocus(window);
  } else if (CanvasPeer* canvas = CanvasOf(control)) {
    canvas->FocusPart(control);
  }
}

bool FormFocus::Apply(const std::optional<KeyOutcome>& outcome) {
  if (!outcome) return false;
  if (outcome->focus != nullptr) {
    if (keyboardMoved_) keyboardMoved_();
    Focus(*outcome->focus);
  }
  // The press may unload the form and this object with it: nothing after it.
  if (outcome->press != nullptr) outcome->press->PerformClick();
  return true;
}

bool FormFocus::Key(HWND formWindow, fw::Key key) {
  return Apply(DialogKey(form_, Focused(formWindow), key,
                         [&](const Control& c) { return Focusable(formWindow, c); }));
}

bool FormFocus::AccessKey(HWND formWindow, char letter) {
  return Apply(
      fw::AccessKey(form_, letter, [&](const Control& c) { return Focusable(formWindow, c); }));
}

void FormFocus::Deactivated(HWND formWindow) {
  if (Control* focused = Focused(formWindow)) last_ = focused;
}

void FormFocus::Restore(HWND formWindow) {
  const std::vector<Control*>& controls = form_.Controls();
  if (std::find(controls.begin(), controls.end(), last_) == controls.end()) last_ = nullptr;
  if (last_ != nullptr && Focusable(formWindow, *last_)) {
    Focus(*last_);
  } else if (auto first = DialogKey(form_, nullptr, fw::Key::Tab,
                                    [&](const Control& c) { return Focusable(formWindow, c); })) {
    Focus(*first->focus);
  }
}

}  // namespace quarlo::fw::win32
