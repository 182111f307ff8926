#pragma once
// A window with a persistent back buffer whose windowless children it draws and passes the
// mouse to: the form, the picture box and the user control. Private to the backend. The buffer
// is made when somebody first draws (or a picture box is given a picture): until then the window
// shows its back colour, and a form that only holds a full-size display keeps no screen-sized
// buffer of its own.

#include <memory>
#include <optional>
#include <vector>

#include "framework/win32/gdi_surface.h"
#include "framework/win32/window_peer.h"

namespace quarlo::fw::win32 {

class CanvasPeer : public WindowPeer {
 public:
  CanvasPeer(Win32Backend& backend, Container& container)
      : WindowPeer(backend, container), container_(container) {}
  ~CanvasPeer() override;
  Surface* DrawingSurface() override;
  void Update(Change what) override;
  // Shows the buffer with the windowless children on top, now; or only a piece of it (false when
  // the windowless children need the whole buffer).
  bool PresentNow(const GdiSurface::Piece* piece = nullptr);
  void Invalidate(const RECT& area);
  // The windowless child that takes the keys while this window has the keyboard; the window
  // draws its focus and tells readers of it.
  Control* FocusedPart() const override { return focusedPart_; }
  void FocusPart(Control& part);

 protected:
  // Our window classes of canvases: the second press of a double click comes as a message of
  // its own (CS_DBLCLKS), the buffer paints everything (no class background), and each window
  // keeps its own DC (CS_OWNDC).
  void CreateCanvasWindow(const std::wstring& className, DWORD exStyle, DWORD style,
                          const std::wstring& title, HWND parent);
  // Creates the buffer at the window's client size.
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
  // Whether a left click on the canvas (target nullptr) gives it the keyboard focus; a click on
  // a windowless child that is a tab stop gives it to that child.
  virtual bool TakesFocusOnClick(const Control* /*target*/) const { return false; }

  Container& container_;
  std::unique_ptr<GdiSurface> surface_;

 private:
  // The focused child's look changed (focus gained or lost, or another child focused).
  void RepaintFocus(const Control* part);
  void NotifyFocus();
  // The focus round a child window that does not show its own.
  void PaintFocusRound(HDC dc, const Control& child) const;
  void DoAccessibleAction(WPARAM child);
  void Compose(HDC target);
  // Beyond the buffer (a window larger than its buffer for a moment, or none yet): the back
  // colour.
  void FillBeyond(HDC target, const RECT& client);
  // The window's own DC (its class has CS_OWNDC): taken once, valid while the window lives.
  HDC OwnDc();
  bool HasDrawnChildren() const;
  Control* ChildAt(POINT point) const;
  std::optional<LRESULT> OnButton(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnSetCursor();

  std::unique_ptr<GdiSurface> composed_;
  HWND dcWindow_ = nullptr;
  HDC dc_ = nullptr;
  Control* pressed_ = nullptr;
  bool pressedOnCanvas_ = false;
  // The press was the second of a double click: its release is no click (a double click on the
  // home-page label opens the page once).
  bool secondOfDouble_ = false;
  Control* focusedPart_ = nullptr;
};

}  // namespace quarlo::fw::win32
