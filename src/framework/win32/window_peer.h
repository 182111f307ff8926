#pragma once
// The base of the Win32 backend's peers: a peer for each control, and for the controls that have
// a window of their own the window, on the program's one window procedure. Private to the
// backend.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "framework/controls.h"
#include "framework/keyboard.h"
#include "framework/win32/accessible_object.h"
#include "framework/win32/gdi.h"
#include "framework/win32/win32_backend.h"

namespace quarlo::fw::win32 {

// Our colours are COLORREFs already; a value with the top bit set names a system colour.
COLORREF ToColorRef(Colour colour);
// The modifier keys held now, as the handlers receive them (1 Shift, 2 Ctrl, 4 Alt).
int ShiftState();
// Blits a picture at its own size with SRCCOPY.
void DrawPicture(HDC dc, int x, int y, const Picture& picture);
// The keyboard's focus round an area: a dotted line of every other pixel, `width` pixels wide,
// outside the area, in a colour that stands out from what is behind it.
void PaintFocusRing(HDC dc, RECT area, COLORREF colour, int width);
// The focus's width in pixels: one at 100 %, wider at larger scales.
int FocusWidth(Win32Backend& backend);
// A font as the program describes it; height from the point size at the given dots per inch.
gdi::Font MakeFont(const Font& font, int dotsPerInch);

// Every peer: its control, the backend, and a token that tells whoever raised an event of the
// program whether the peer survived it (a handler may unload the whole form).
class Peer : public ControlPeer {
 public:
  Peer(Win32Backend& backend, Control& control) : backend_(backend), control_(control) {}
  ~Peer() override { *alive_ = false; }
  Control& GetControl() const { return control_; }
  Win32Backend& GetBackend() const { return backend_; }

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
  // The windowless child that has the keyboard while this window has it (a canvas's).
  virtual Control* FocusedPart() const { return nullptr; }
  // A dialog key the control takes before the form does; true when it took it.
  virtual bool TakesDialogKey(fw::Key /*key*/) { return false; }
  // The window is of a system class (scroll bar, combo box), not one of ours.
  bool IsSystemControl() const { return window_ != nullptr && !ownWindow_; }
  // A system control that shows no focus of its own under every system (the scroll bar: Wine
  // draws none): its container draws it round the control's window.
  virtual bool DrawsFocusRound() const { return false; }
  void RepaintFocusRound() const;

 protected:
  // A window of one of our own classes (registered once, with the class style and background
  // given), whose messages come to OnMessage.
  void CreateOwnWindow(const std::wstring& className, UINT classStyle, HBRUSH background,
                       DWORD exStyle, DWORD style, const std::wstring& title, const RECT& rect,
                       HWND parent);
  // A window of a system class (scroll bar, combo box); its messages are not ours, but for the
  // question of assistive technology (WM_GETOBJECT), which it and the parts it makes itself (a
  // combo box's edit field, given to AnswerForControl) answer for the control.
  void CreateSystemWindow(const wchar_t* className, DWORD style, const RECT& rect, HWND parent);
  void AnswerForControl(HWND part);
  // WM_GETOBJECT sent to the window or to a part of it.
  std::optional<LRESULT> GetObjectFor(HWND window, WPARAM wParam, LPARAM lParam);
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
  DWORD TabStopStyle() const { return control_.TabStop() ? WS_TABSTOP : 0; }

  HWND window_ = nullptr;

 private:
  // The one window procedure of the program: forwards to the peer stored with the window.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // In front of a system window's own procedure: answers WM_GETOBJECT.
  static LRESULT CALLBACK SystemProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::shared_ptr<AccessLink> access_ = std::make_shared<AccessLink>(AccessLink{this});
  bool ownWindow_ = false;
  bool created_ = false;
  bool destroying_ = false;
};

}  // namespace quarlo::fw::win32
