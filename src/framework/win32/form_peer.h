#pragma once
// The top-level windows: a form's window with its back buffer, focus and the system's events.
// Private to the backend.

#include "framework/form.h"
#include "framework/win32/canvas_peer.h"
#include "framework/win32/form_focus.h"

namespace quarlo::fw::win32 {

class FormPeer final : public CanvasPeer {
 public:
  FormPeer(Win32Backend& backend, Form& form);
  ~FormPeer() override;
  void Update(Change what) override;
  std::optional<Size> ClientSizeTwips() const override;
  Size FrameSizeTwips() const override;
  Form& GetForm() const { return form_; }
  // Tab and Shift+Tab: moves the focus along the tab order; false when nothing can take it.
  bool MoveFocus(bool backwards);

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroyedFromOutside() override;
  void OnSized() override;
  DWORD Style() const;
  DWORD ExStyle() const;
  void ApplyIcon();
  // An animated form's window is watched by the frame driver, and a form that hears input in the
  // background registered for it, while the window exists.
  void StopBeingWatched();

  Form& form_;
  FormFocus focus_;
  bool showing_ = false;
  // The window's registrations with the backend are to be given up.
  bool registered_ = false;
};

}  // namespace quarlo::fw::win32
