#pragma once
// Where a form's keyboard focus goes: along the tab order on Tab and Shift+Tab, and back to the
// control that had it when the form is activated again. Private to the backend.

#include <windows.h>

#include "framework/form.h"
#include "framework/win32/window_registry.h"

namespace quarlo::fw::win32 {

class FormFocus {
 public:
  FormFocus(WindowRegistry& windows, Form& form) : windows_(windows), form_(form) {}

  // Moves the focus along the tab order; false when nothing can take it.
  bool Move(HWND formWindow, bool backwards);
  // The form is no longer the active window: the focus it had is kept.
  void Deactivated(HWND formWindow);
  // The form took the focus: it passes it on to the control that had it last, or the first in
  // the tab order.
  void Restore(HWND formWindow);

 private:
  Control* Focused(HWND formWindow) const;
  bool Focusable(HWND formWindow, const Control& control) const;

  WindowRegistry& windows_;
  Form& form_;
  HWND last_ = nullptr;
};

}  // namespace quarlo::fw::win32
