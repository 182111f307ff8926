#pragma once
// The base of the Win32 backend's peers: a peer for each control, and for the controls that have
// a window of their own the window, on the program's one window procedure. Private to the
// backend.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "framework/controls.h"
#include "framework/win32/gdi.h"
#include "framework/win32/win32_backend.h"

namespace quarlo::fw::win32 {

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
  // A window of one of our own classes (registered once, with the class style and background
  // given), whose messages come to OnMessage.
  void CreateOwnWindow(const std::wstring& className, UINT classStyle, HBRUSH background,
                       DWORD exStyle, DWORD style, const std::wstring& title, const RECT& rect,
                       HWND parent);
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
  // The one window procedure of the program: forwards to the peer stored with the window.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool ownWindow_ = false;
  bool created_ = false;
  bool destroying_ = false;
};

}  // namespace quarlo::fw::win32
