#pragma once
// The controls with windows of their own inside a form: the picture box and the user control
// (canvases of our own classes), the system's scroll bar and combo box, and the window timer.
// Private to the backend.

#include "framework/win32/canvas_peer.h"

namespace quarlo::fw::win32 {

class PictureBoxPeer final : public CanvasPeer {
 public:
  PictureBoxPeer(Win32Backend& backend, PictureBox& box);
  ~PictureBoxPeer() override;
  void Update(Change what) override;

 private:
  void PaintBackground() override;
  bool RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point) override;
  bool TakesFocusOnClick(const Control* target) const override {
    return target == nullptr && box_.TabStop();
  }
  // A picture box is clicked with the left or the right button (a saver's display ends on
  // either); its windowless children keep the left button only.
  bool ClicksWith(int button, const Control* target) const override {
    if (target == nullptr && button == kRightButton) return true;
    return CanvasPeer::ClicksWith(button, target);
  }

  PictureBox& box_;
};

class UserControlPeer final : public CanvasPeer {
 public:
  UserControlPeer(Win32Backend& backend, UserControl& control);
  ~UserControlPeer() override;

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSized() override;
  bool RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point) override;
  bool RaiseClickOn(Control*) override { return true; }
  bool TakesFocusOnClick(const Control*) const override { return true; }

  UserControl& user_;
  bool created_ = false;
};

class ScrollBarPeer final : public WindowPeer {
 public:
  ScrollBarPeer(Win32Backend& backend, HScrollBar& bar);
  ~ScrollBarPeer() override;
  void Update(Change what) override;
  bool DrawsFocusRound() const override { return true; }
  LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ApplyRange();
  int ToNative(int value) const;
  int FromNative(int position) const;

  HScrollBar& bar_;
};

class ComboBoxPeer final : public WindowPeer {
 public:
  ComboBoxPeer(Win32Backend& backend, ComboBox& combo);
  ~ComboBoxPeer() override;
  void Update(Change what) override;
  // An open list closes on Enter and Escape, and the dialog's buttons are not pressed.
  bool TakesDialogKey(fw::Key key) override;
  LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  RECT WindowRect() const override;
  void ApplyFont();
  void ApplyItems();
  void ApplyText();
  std::string WindowText() const;

  ComboBox& combo_;
  gdi::Font font_;
  bool applying_ = false;
};

class TimerPeer final : public Peer {
 public:
  TimerPeer(Win32Backend& backend, Timer& timer);
  ~TimerPeer() override;
  void Update(Change what) override;

 private:
  void Apply();

  Timer& timer_;
  HWND window_;
  UINT_PTR id_;
};

}  // namespace quarlo::fw::win32
