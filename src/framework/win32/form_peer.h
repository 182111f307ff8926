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
  // Where the keyboard goes, and what the dialog keys do (framework/keyboard.h).
  FormFocus& Focus() { return focus_; }
  // Focus and access-key marks show once the keyboard is used, as Windows shows them
  // (WM_CHANGEUISTATE), or always when the user has asked for them (SPI_GETKEYBOARDCUES).
  bool ShowsFocus() const { return (hidden_ & UISF_HIDEFOCUS) == 0; }
  bool ShowsAccessKeys() const { return (hidden_ & UISF_HIDEACCEL) == 0; }
  // The keyboard was used: `cues` (UISF_HIDEFOCUS, UISF_HIDEACCEL) show from now on.
  void ShowCues(WORD cues);

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
  WORD hidden_ = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  bool showing_ = false;
  // The window's registrations with the backend are to be given up.
  bool registered_ = false;
};

}  // namespace quarlo::fw::win32
