#pragma once
// The peers of the Win32 backend: one class per kind of control. Private to the backend.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/controls.h"
#include "framework/form.h"
#include "framework/win32/gdi.h"
#include "framework/win32/gdi_surface.h"
#include "framework/win32/win32_backend.h"

namespace quarlo::fw::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// Our colours are COLORREFs already; a value with the top bit set names a system colour.
COLORREF ToColorRef(Colour colour);
// The modifier keys held now, as the handlers receive them (1 Shift, 2 Ctrl, 4 Alt).
int ShiftState();
// Blits a picture at its own size with SRCCOPY.
void DrawPicture(HDC dc, int x, int y, const Picture& picture);
// A font as the program describes it; height from the point size at the given dots per inch.
gdi::Font MakeFont(const Font& font, int dotsPerInch);

// Every peer: its control, the backend, and a token that tells whoever raised an event of the
// program whether the peer survived it (a handler may unload the whole form).
class Peer : public ControlPeer {
 public:
  Peer(Win32Backend& backend, Control& control) : backend_(backend), control_(control) {}
  ~Peer() override { *alive_ = false; }
  Control& GetControl() const { return control_; }

 protected:
  // Runs an event handler of the program; false when this peer was destroyed meanwhile.
  template <typename Handler>
  bool Raise(Handler&& handler) {
    const std::shared_ptr<bool> alive = alive_;
    handler();
    return *alive;
  }
  int PixelsX(int twips) const { return TwipsToPixels(twips, backend_.TwipsPerPixelX()); }
  int PixelsY(int twips) const { return TwipsToPixels(twips, backend_.TwipsPerPixelY()); }
  int TwipsX(int pixels) const { return PixelsToTwips(pixels, backend_.TwipsPerPixelX()); }
  int TwipsY(int pixels) const { return PixelsToTwips(pixels, backend_.TwipsPerPixelY()); }
  // The control's rectangle in pixels, relative to the inside of its container.
  RECT PixelRect() const;

  Win32Backend& backend_;
  Control& control_;

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A control with a window of its own.
class WindowPeer : public Peer {
 public:
  using Peer::Peer;
  ~WindowPeer() override;
  os::Handle Handle() const override;
  HWND Window() const { return window_; }
  void Update(Change what) override;
  // A notification this (system) control sent to its parent: WM_HSCROLL, WM_COMMAND.
  virtual LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Our own window classes, all on one window procedure that forwards to OnMessage.
  static void RegisterOwnClass(HINSTANCE instance, const std::wstring& name);
  void CreateOwnWindow(const std::wstring& className, DWORD exStyle, DWORD style,
                       const std::wstring& title, const RECT& rect, HWND parent);
  // A window of a system class (scroll bar, combo box); its messages are not ours.
  void CreateSystemWindow(const wchar_t* className, DWORD style, const RECT& rect, HWND parent);
  // Drops the window (idempotent); derived peers call it first thing in their destructors.
  void DestroyNow();
  // nullopt: let DefWindowProc handle the message.
  virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window went away without this peer asking (its parent was destroyed).
  virtual void OnDestroyedFromOutside() {}
  // Where the window goes in its parent's client area, in pixels.
  virtual RECT WindowRect() const { return PixelRect(); }
  HWND ParentWindow() const;
  DWORD VisibleStyle() const { return control_.Visible() ? WS_VISIBLE : 0; }

  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool ownWindow_ = false;
  bool created_ = false;
  bool destroying_ = false;
};

// A window with a persistent back buffer whose windowless children it draws and passes the
// mouse to: the form, the picture box and the user control.
class CanvasPeer : public WindowPeer {
 public:
  CanvasPeer(Win32Backend& backend, Container& container)
      : WindowPeer(backend, container), container_(container) {}
  ~CanvasPeer() override;
  Surface* DrawingSurface() override { return surface_.get(); }
  void Update(Change what) override;
  // Shows the buffer with the windowless children on top, now: only the `changed` rectangles
  // when given.
  void PresentNow(const std::vector<RECT>* changed = nullptr);
  void Invalidate(const RECT& area);

 protected:
  // Creates the buffer at the window's client size; called once the window exists.
  void CreateSurface();
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void OnSized();
  // Fills a fresh buffer: the back colour, and a picture box's picture.
  virtual void PaintBackground();
  // Raises a mouse event on the canvas itself (target nullptr) or a windowless child; the
  // coordinates are the canvas's client pixels. False when the peer did not survive it.
  enum class Mouse { Down, Move, Up };
  virtual bool RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point);
  // The button went up over the control it went down on.
  virtual bool RaiseClickOn(Control* target);
  // Whether a press and release of `button` on the canvas (target nullptr) or a windowless
  // child is a click: the left button only, unless a canvas says otherwise.
  virtual bool ClicksWith(int button, const Control* /*target*/) const {
    return button == kLeftButton;
  }
  // Whether a left click on the canvas (target nullptr) or a windowless child gives the canvas
  // the keyboard focus.
  virtual bool TakesFocusOnClick(const Control* /*target*/) const { return false; }

  Container& container_;
  std::unique_ptr<GdiSurface> surface_;

 private:
  void Compose(HDC target);
  bool HasDrawnChildren() const;
  Control* ChildAt(POINT point) const;
  std::optional<LRESULT> OnButton(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnSetCursor();

  // Whether a press is the second of a double click: the same button on the same control,
  // near the first press and within the system's double-click time. Records the press.
  bool SecondPressOfDoubleClick(int button, POINT point);

  std::unique_ptr<GdiSurface> composed_;
  Control* pressed_ = nullptr;
  bool pressedOnCanvas_ = false;
  // The press a second one may pair with into a double click; only compared, never followed.
  struct Press {
    int button = 0;
    const Control* target = nullptr;
    POINT point = {};
    DWORD time = 0;
  };
  std::optional<Press> lastPress_;
  bool secondOfDouble_ = false;
};

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
  RECT WindowRect() const override;
  void OnSized() override;
  DWORD Style() const;
  DWORD ExStyle() const;
  void ApplyIcon();
  Control* FocusedControl() const;
  bool Focusable(const Control& control) const;

  Form& form_;
  bool showing_ = false;
  HWND lastFocus_ = nullptr;
};

// A black window of its own small class: the class background paints it, nothing else draws.
class BlankWindowPeer final : public BlankWindow::Peer {
 public:
  BlankWindowPeer(Win32Backend& backend, BlankWindow& window);
  ~BlankWindowPeer() override;
  BlankWindowPeer(const BlankWindowPeer&) = delete;
  BlankWindowPeer& operator=(const BlankWindowPeer&) = delete;
  void Place(const os::Rect& area) override;
  os::Handle Handle() const override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Win32Backend& backend_;
  BlankWindow& blank_;
  HWND window_ = nullptr;
  bool pressed_ = false;
};

class PictureBoxPeer final : public CanvasPeer {
 public:
  PictureBoxPeer(Win32Backend& backend, PictureBox& box);
  ~PictureBoxPeer() override;
  void Update(Change what) override;

 private:
  void PaintBackground() override;
  bool RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point) override;
  bool TakesFocusOnClick(const Control* target) const override { return target == nullptr; }
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

// Labels, images and shapes: drawn by their container over its buffer.
class WindowlessPeer : public Peer {
 public:
  using Peer::Peer;
  void Update(Change what) override;
  virtual void Paint(HDC dc) = 0;
  // The drawn area in the container's client pixels.
  RECT Area() const { return PixelRect(); }

 protected:
  CanvasPeer* Container() const;
  void InvalidateArea(const RECT& area) const;

  RECT lastArea_ = {};
};

class LabelPeer final : public WindowlessPeer {
 public:
  LabelPeer(Win32Backend& backend, Label& label);
  void Update(Change what) override;
  void Paint(HDC dc) override;
  HCURSOR Cursor();

 private:
  UINT TextFormat() const;
  void FitToText();

  Label& label_;
  gdi::Font font_;
  HCURSOR cursor_ = nullptr;
  int cursorId_ = 0;
};

class ImagePeer final : public WindowlessPeer {
 public:
  ImagePeer(Win32Backend& backend, Image& image) : WindowlessPeer(backend, image), image_(image) {}
  void Paint(HDC dc) override;

 private:
  Image& image_;
};

class ShapePeer final : public WindowlessPeer {
 public:
  ShapePeer(Win32Backend& backend, Shape& shape) : WindowlessPeer(backend, shape), shape_(shape) {}
  void Paint(HDC dc) override;

 private:
  Shape& shape_;
};

}  // namespace quarlo::fw::win32
