#include "framework/win32/window_peer.h"

#include <algorithm>

#include "os/win32/handles.h"
#include "os/win32/wide.h"
#include "rules/numeric.h"

namespace quarlo::fw::win32 {

COLORREF ToColorRef(Colour colour) {
  if ((colour & 0x80000000u) != 0) return GetSysColor(static_cast<int>(colour & 0xFFu));
  return colour & 0x00FFFFFFu;
}

int ShiftState() {
  int shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

void DrawPicture(HDC dc, int x, int y, const Picture& picture) {
  if (picture.Width() <= 0 || picture.Height() <= 0) return;
  if (HDC source = gdi::DibDc(picture)) {
    BitBlt(dc, x, y, picture.Width(), picture.Height(), source, 0, 0, SRCCOPY);
    return;
  }
  const BITMAPINFO info = gdi::TopDownDibInfo(picture.Width(), picture.Height());
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.Width()),
                    static_cast<DWORD>(picture.Height()), 0, 0, 0,
                    static_cast<UINT>(picture.Height()), picture.Pixels(), &info, DIB_RGB_COLORS);
}

void PaintFocusRing(HDC dc, RECT area, COLORREF colour, int width) {
  LOGBRUSH brush = {BS_SOLID, colour, 0};
  gdi::Object<HPEN> pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
  if (!pen) return;
  gdi::Select selectedPen(dc, pen.Get());
  gdi::Select hollow(dc, GetStockObject(NULL_BRUSH));
  for (int ring = 0; ring < width; ++ring) {
    InflateRect(&area, 1, 1);
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
  }
}

int FocusWidth(Win32Backend& backend) { return std::max(1, backend.DotsPerInch() / 96); }

void WindowPeer::RepaintFocusRound() const {
  const HWND parent = ParentWindow();
  if (parent == nullptr || window_ == nullptr) return;
  RECT area = {};
  GetWindowRect(window_, &area);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  InflateRect(&area, FocusWidth(backend_) + 1, FocusWidth(backend_) + 1);
  InvalidateRect(parent, &area, FALSE);
}

gdi::Font MakeFont(const Font& font, int dotsPerInch) {
  // Points to a character height in pixels, as the system's own dialogs compute it.
  const int tenths = ToInt32(font.size * 10).value_or(0);
  const int height = -MulDiv(tenths, dotsPerInch, 720);
  const std::wstring face = os::Utf16(font.name).substr(0, LF_FACESIZE - 1);
  return gdi::Font(CreateFontW(
      height, 0, 0, 0, font.weight, font.italic ? TRUE : FALSE, font.underline ? TRUE : FALSE,
      font.strikethrough ? TRUE : FALSE, static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

RECT Peer::PixelRect() const {
  const int left = PixelsX(control_.Left());
  const int top = PixelsY(control_.Top());
  return RECT{left, top, left + std::max(PixelsX(control_.Width()), 0),
              top + std::max(PixelsY(control_.Height()), 0)};
}

// --- WindowPeer --------------------------------------------------------------------------------

WindowPeer::~WindowPeer() { DestroyNow(); }

os::Handle WindowPeer::Handle() const { return os::FromNative(window_); }

HWND WindowPeer::ParentWindow() const {
  Container* parent = control_.Parent();
  return parent != nullptr ? os::ToHwnd(parent->hWnd()) : nullptr;
}

void WindowPeer::CreateOwnWindow(const std::wstring& className, UINT classStyle, HBRUSH background,
                                 DWORD exStyle, DWORD style, const std::wstring& title,
                                 const RECT& rect, HWND parent) {
  const HINSTANCE instance = backend_.Instance();
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(instance, className.c_str(), &existing)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = &WindowPeer::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className.c_str();
    RegisterClassExW(&windowClass);
  }
  ownWindow_ = true;
  // WM_NCCREATE stores the peer with the window and sets window_.
  const HWND created = CreateWindowExW(exStyle, className.c_str(), title.c_str(), style, rect.left,
                                       rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                       parent, nullptr, instance, this);
  created_ = created != nullptr;
}

void WindowPeer::CreateSystemWindow(const wchar_t* className, DWORD style, const RECT& rect,
                                    HWND parent) {
  window_ = CreateWindowExW(0, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, nullptr, backend_.Instance(), nullptr);
  if (window_ == nullptr) return;
  backend_.Windows().Register(window_, this);
  AnswerForControl(window_);
}

namespace {
constexpr const wchar_t* kPeerProperty = L"Quarlo.Peer";
constexpr const wchar_t* kProcedureProperty = L"Quarlo.Procedure";
}  // namespace

void WindowPeer::AnswerForControl(HWND part) {
  const auto own = reinterpret_cast<LONG_PTR>(&WindowPeer::SystemProcedure);
  if (part == nullptr || GetWindowLongPtrW(part, GWLP_WNDPROC) == own) return;
  SetPropW(part, kPeerProperty, this);
  SetPropW(part, kProcedureProperty,
           reinterpret_cast<HANDLE>(SetWindowLongPtrW(part, GWLP_WNDPROC, own)));
}

// The window goes with its peer (DestroyNow) or its parent; either way the properties go with it
// at WM_NCDESTROY, before the peer can.
LRESULT CALLBACK WindowPeer::SystemProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  auto* peer = static_cast<WindowPeer*>(GetPropW(window, kPeerProperty));
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kProcedureProperty));
  if (original == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if ((message == WM_SETFOCUS || message == WM_KILLFOCUS) && peer != nullptr &&
      peer->DrawsFocusRound()) {
    peer->RepaintFocusRound();
  }
  if (message == WM_GETOBJECT && peer != nullptr) {
    std::optional<LRESULT> answer;
    try {
      answer = peer->GetObjectFor(window, wParam, lParam);
    } catch (...) {
      answer.reset();
    }
    if (answer) return *answer;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(window, kPeerProperty);
    RemovePropW(window, kProcedureProperty);
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

std::optional<LRESULT> WindowPeer::GetObjectFor(HWND window, WPARAM wParam, LPARAM lParam) {
  if (window_ == nullptr) return std::nullopt;
  return AnswerGetObject(*this, access_, window, wParam, lParam);
}

void WindowPeer::DestroyNow() {
  access_->peer = nullptr;
  if (destroying_) return;
  destroying_ = true;
  if (window_ == nullptr) return;
  HWND window = std::exchange(window_, nullptr);
  if (ownWindow_) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  backend_.Windows().Unregister(window);
  DestroyWindow(window);
}

LRESULT CALLBACK WindowPeer::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* peer = static_cast<WindowPeer*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    peer->window_ = window;
    peer->backend_.Windows().Register(window, peer);
  }
  auto* peer = reinterpret_cast<WindowPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (peer == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    peer->backend_.Windows().Unregister(window);
    peer->window_ = nullptr;
    // A window that failed while being created never existed for the program.
    if (peer->created_) peer->OnDestroyedFromOutside();
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // The peer may be gone once OnMessage returns (a handler unloaded its form): only the result
  // is used after the call. Nothing thrown by a handler may cross the system's frames.
  std::optional<LRESULT> result;
  try {
    result = peer->OnMessage(message, wParam, lParam);
  } catch (...) {
    result.reset();
  }
  return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> WindowPeer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Notifications of system child controls come to their parent; hand them to their peers.
  if ((message == WM_HSCROLL || message == WM_COMMAND) && lParam != 0) {
    if (WindowPeer* child = backend_.Windows().PeerOf(reinterpret_cast<HWND>(lParam))) {
      if (child != this) return child->OnReflected(message, wParam, lParam);
    }
  }
  return std::nullopt;
}

LRESULT WindowPeer::OnReflected(UINT, WPARAM, LPARAM) { return 0; }

void WindowPeer::Update(Change what) {
  if (window_ == nullptr) return;
  switch (what) {
    case Change::Geometry: {
      const RECT rect = WindowRect();
      SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Change::Visible:
      ShowWindow(window_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Change::Enabled:
      EnableWindow(window_, control_.Enabled() ? TRUE : FALSE);
      break;
    default:
      break;
  }
}

}  // namespace quarlo::fw::win32
