#include "framework/win32/canvas_peer.h"

#include <windowsx.h>

#include <utility>

#include "framework/accessible.h"
#include "framework/win32/form_peer.h"
#include "framework/win32/windowless_peers.h"

namespace quarlo::fw::win32 {

CanvasPeer::~CanvasPeer() { DestroyNow(); }

void CanvasPeer::CreateCanvasWindow(const std::wstring& className, DWORD exStyle, DWORD style,
                                    const std::wstring& title, HWND parent) {
  // A DC of its own, kept from one present to the next: taking a shared one from the system's
  // cache and setting it up again costs more at every frame than showing a few sprites.
  CreateOwnWindow(className, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC, nullptr, exStyle,
                  style, title, WindowRect(), parent);
}

void CanvasPeer::CreateSurface() {
  RECT client = {};
  if (window_ != nullptr) GetClientRect(window_, &client);
  surface_ = std::make_unique<GdiSurface>(client.right, client.bottom,
                                          ToColorRef(container_.BackColour()));
  surface_->SetPresenter([this](const GdiSurface::Piece* piece) { return PresentNow(piece); });
  PaintBackground();
}

Surface* CanvasPeer::DrawingSurface() {
  if (!surface_) CreateSurface();
  return surface_.get();
}

void CanvasPeer::PaintBackground() {
  if (surface_) surface_->Clear(ToColorRef(container_.BackColour()));
}

void CanvasPeer::OnSized() {
  if (!surface_ || window_ == nullptr) return;
  RECT client = {};
  GetClientRect(window_, &client);
  surface_->Resize(client.right, client.bottom, ToColorRef(container_.BackColour()));
}

void CanvasPeer::Update(Change what) {
  if (what == Change::BackColour) {
    PaintBackground();
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
    return;
  }
  WindowPeer::Update(what);
}

void CanvasPeer::Invalidate(const RECT& area) {
  if (window_ != nullptr) InvalidateRect(window_, &area, FALSE);
}

bool CanvasPeer::HasDrawnChildren() const {
  for (Control* child : container_.Children()) {
    if (!child->Visible()) continue;
    if (dynamic_cast<WindowlessPeer*>(child->Peer()) != nullptr) return true;
    const auto* window = dynamic_cast<WindowPeer*>(child->Peer());
    if (window != nullptr && window->DrawsFocusRound()) return true;
  }
  return false;
}

HDC CanvasPeer::OwnDc() {
  if (dcWindow_ != window_) {
    dcWindow_ = window_;
    dc_ = window_ != nullptr ? GetDC(window_) : nullptr;
  }
  return dc_;
}

void CanvasPeer::FillBeyond(HDC target, const RECT& client) {
  gdi::Select brush(target, GetStockObject(DC_BRUSH));
  SetDCBrushColor(target, ToColorRef(container_.BackColour()));
  const int width = surface_ ? surface_->Width() : 0;
  const int height = surface_ ? surface_->Height() : 0;
  if (client.right > width) PatBlt(target, width, 0, client.right - width, client.bottom, PATCOPY);
  if (client.bottom > height) PatBlt(target, 0, height, width, client.bottom - height, PATCOPY);
}

namespace {

void ShowPiece(HDC target, const GdiSurface::Piece& piece) {
  const int width = piece.area.right - piece.area.left;
  const int height = piece.area.bottom - piece.area.top;
  const BITMAPINFO info = gdi::TopDownDibInfo(width, height);
  SetDIBitsToDevice(target, piece.area.left, piece.area.top, static_cast<DWORD>(width),
                    static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height), piece.pixels,
                    &info, DIB_RGB_COLORS);
}

}  // namespace

void CanvasPeer::PaintFocusRound(HDC dc, const Control& child) const {
  const auto* peer = dynamic_cast<WindowPeer*>(child.Peer());
  if (peer == nullptr || !peer->DrawsFocusRound() || GetFocus() != peer->Window()) return;
  const FormPeer* form = backend_.Windows().FormOfWindow(window_);
  if (form == nullptr || !form->ShowsFocus()) return;
  RECT area = {};
  GetWindowRect(peer->Window(), &area);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  PaintFocusRing(dc, area, GetSysColor(COLOR_WINDOWTEXT), FocusWidth(backend_));
}

void CanvasPeer::Compose(HDC target) {
  RECT client = {};
  GetClientRect(window_, &client);
  const bool children = HasDrawnChildren();
  if (!children && surface_ &&
      surface_->Render(client, [target](const GdiSurface::Piece& piece) {
        ShowPiece(target, piece);
      })) {
    FillBeyond(target, client);
    return;
  }
  HDC buffer = surface_ ? surface_->Dc() : nullptr;
  HDC dc = target;
  if (children) {
    // The children are drawn into a second persistent buffer, so the screen changes in one blit.
    if (!composed_) composed_ = std::make_unique<GdiSurface>(client.right, client.bottom, 0);
    composed_->Resize(client.right, client.bottom, 0);
    if (composed_->Dc() != nullptr) dc = composed_->Dc();
  }
  FillBeyond(dc, client);
  if (buffer != nullptr) BitBlt(dc, 0, 0, surface_->Width(), surface_->Height(), buffer, 0, 0, SRCCOPY);
  if (dc != target) {
    for (Control* child : container_.Children()) {
      if (!child->Visible()) continue;
      if (auto* peer = dynamic_cast<WindowlessPeer*>(child->Peer())) {
        gdi::SavedState state(dc);
        peer->Paint(dc);
      } else {
        PaintFocusRound(dc, *child);
      }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  }
}

bool CanvasPeer::PresentNow(const GdiSurface::Piece* piece) {
  if (window_ == nullptr) return true;
  // Windowless children drawn on top need the whole composition.
  if (piece != nullptr && HasDrawnChildren()) return false;
  HDC dc = OwnDc();
  if (dc == nullptr) return true;
  if (piece != nullptr) {
    ShowPiece(dc, *piece);
  } else {
    Compose(dc);
  }
  return true;
}

void CanvasPeer::FocusPart(Control& part) {
  const Control* before = std::exchange(focusedPart_, &part);
  if (GetFocus() != window_) {
    ::SetFocus(window_);  // WM_SETFOCUS paints it and tells readers
    return;
  }
  RepaintFocus(before);
  RepaintFocus(&part);
  NotifyFocus();
}

void CanvasPeer::RepaintFocus(const Control* part) {
  if (part == nullptr) return;
  if (const auto* drawn = dynamic_cast<const WindowlessPeer*>(part->Peer())) {
    Invalidate(drawn->DrawnArea());
  }
}

void CanvasPeer::NotifyFocus() {
  if (focusedPart_ == nullptr || GetFocus() != window_) return;
  if (const int child = AccessibleChildNumber(container_, *focusedPart_)) {
    NotifyChild(EVENT_OBJECT_FOCUS, window_, child);
  }
}

void CanvasPeer::DoAccessibleAction(WPARAM child) {
  const std::vector<Control*> children = AccessibleChildren(container_);
  Control* target = child == 0 ? &container_ : nullptr;
  if (child >= 1 && child <= children.size()) target = children[child - 1];
  if (target != nullptr) Raise([&] { target->PerformClick(); });
}

Control* CanvasPeer::ChildAt(POINT point) const {
  return WindowlessChildAt(container_, TwipsX(point.x), TwipsY(point.y));
}

bool CanvasPeer::RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point) {
  auto* label = dynamic_cast<Label*>(target);
  if (label == nullptr) return true;
  const std::function<void(int, int, int, int)>& handler = kind == Mouse::Down   ? label->MouseDown
                                                           : kind == Mouse::Move ? label->MouseMove
                                                                                 : label->MouseUp;
  if (!handler) return true;
  const int x = TwipsX(point.x) - label->Left();
  const int y = TwipsY(point.y) - label->Top();
  return Raise([&] { handler(button, shift, x, y); });
}

bool CanvasPeer::RaiseClickOn(Control* target) {
  Control& control = target != nullptr ? *target : static_cast<Control&>(container_);
  return Raise([&] { control.RaiseClick(); });
}

std::optional<LRESULT> CanvasPeer::OnButton(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const int shift = ShiftState();
  // The second press of a double click comes as a message of its own (CS_DBLCLKS).
  const bool second =
      message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
  const bool down =
      second || message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
  int button = kLeftButton;
  if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_RBUTTONDBLCLK) {
    button = kRightButton;
  } else if (message == WM_MBUTTONDOWN || message == WM_MBUTTONUP || message == WM_MBUTTONDBLCLK) {
    button = kMiddleButton;
  }
  if (down) {
    if (GetCapture() != window_) {
      pressed_ = ChildAt(point);
      pressedOnCanvas_ = true;
      SetCapture(window_);
      secondOfDouble_ = second;
    }
    if (button == kLeftButton && pressed_ != nullptr && pressed_->TabStop() &&
        pressed_->Available()) {
      if (!Raise([&] { FocusPart(*pressed_); })) return 0;
    } else if (button == kLeftButton && TakesFocusOnClick(pressed_) && GetFocus() != window_) {
      if (!Raise([&] { ::SetFocus(window_); })) return 0;
    }
    RaiseMouse(Mouse::Down, pressed_, button, shift, point);
    return 0;
  }
  Control* target = pressedOnCanvas_ ? pressed_ : ChildAt(point);
  const bool stillHeld = (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
  const bool overTarget = ChildAt(point) == target && point.x >= 0 && point.y >= 0;
  RECT client = {};
  GetClientRect(window_, &client);
  const bool inside = PtInRect(&client, point) != FALSE;
  if (!stillHeld) {
    pressedOnCanvas_ = false;
    pressed_ = nullptr;
    if (GetCapture() == window_) ReleaseCapture();
  }
  if (!RaiseMouse(Mouse::Up, target, button, shift, point)) return 0;
  const bool doubleClick = secondOfDouble_;
  if (!stillHeld) secondOfDouble_ = false;
  if (ClicksWith(button, target) && inside && overTarget && !doubleClick) RaiseClickOn(target);
  return 0;
}

bool CanvasPeer::OnSetCursor() {
  POINT point = {};
  GetCursorPos(&point);
  ScreenToClient(window_, &point);
  auto* label = dynamic_cast<Label*>(ChildAt(point));
  auto* peer = label != nullptr ? dynamic_cast<LabelPeer*>(label->Peer()) : nullptr;
  HCURSOR cursor = peer != nullptr ? peer->Cursor() : nullptr;
  if (cursor == nullptr) return false;
  SetCursor(cursor);
  return true;
}

std::optional<LRESULT> CanvasPeer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      gdi::PaintDc paint(window_);
      if (paint.Get() != nullptr) Compose(paint.Get());
      return 0;
    }
    case WM_SIZE:
      OnSized();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      return OnButton(message, wParam, lParam);
    case WM_MOUSEMOVE: {
      const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int buttons = 0;
      if (wParam & MK_LBUTTON) buttons |= kLeftButton;
      if (wParam & MK_RBUTTON) buttons |= kRightButton;
      if (wParam & MK_MBUTTON) buttons |= kMiddleButton;
      Control* target = pressedOnCanvas_ ? pressed_ : ChildAt(point);
      RaiseMouse(Mouse::Move, target, buttons, ShiftState(), point);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window_) {
        pressedOnCanvas_ = false;
        pressed_ = nullptr;
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == window_ &&
          OnSetCursor()) {
        return TRUE;
      }
      return std::nullopt;
    case WM_SETFOCUS:
      RepaintFocus(focusedPart_);
      NotifyFocus();
      return std::nullopt;
    case WM_KILLFOCUS:
      RepaintFocus(focusedPart_);
      return std::nullopt;
    case WM_GETOBJECT:
      return GetObjectFor(window_, wParam, lParam);
    case kWmAccessibleAction:
      DoAccessibleAction(wParam);
      return 0;
    default:
      return WindowPeer::OnMessage(message, wParam, lParam);
  }
}

}  // namespace quarlo::fw::win32
