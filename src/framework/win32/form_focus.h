#pragma once
// Where a form's keyboard focus goes: to a control with a window of its own, or to a windowless
// one through the canvas that draws it; along the reading order on Tab, within a group of
// options on the arrow keys, as framework/keyboard.h decides; and back to the control that had
// it when the form is activated again. Private to the backend.

#include <windows.h>

#include <functional>

#include "framework/form.h"
#include "framework/keyboard.h"
#include "framework/win32/window_registry.h"

namespace quarlo::fw::win32 {

class FormFocus {
 public:
  // `keyboardMoved` runs when a key is about to move the focus (the form then shows it).
  FormFocus(WindowRegistry& windows, Form& form, std::function<void()> keyboardMoved)
      : windows_(windows), form_(form), keyboardMoved_(std::move(keyboardMoved)) {}

  // The control that has the keyboard: a windowless one while its canvas has it for it.
  Control* Focused(HWND formWindow) const;
  // Whether the control can have the keyboard now.
  bool Focusable(HWND formWindow, const Control& control) const;
  // Gives the control the keyboard.
  void Focus(Control& control);
  // Carries out a key: moves the focus, presses a control. False when the key means nothing here.
  bool Key(HWND formWindow, fw::Key key);
  bool AccessKey(HWND formWindow, char letter);
  // The form is no longer the active window: the focus it had is kept.
  void Deactivated(HWND formWindow);
  // The form took the focus: it passes it on to the control that had it last, or the first stop.
  void Restore(HWND formWindow);

 private:
  bool Apply(const std::optional<KeyOutcome>& outcome);

  WindowRegistry& windows_;
  Form& form_;
  std::function<void()> keyboardMoved_;
  Control* last_ = nullptr;
};

}  // namespace quarlo::fw::win32
