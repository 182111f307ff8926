// Windows of our own classes: forms, picture boxes and user controls, with their back buffers,
// their windowless children and their mouse input.

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "framework/numeric.h"
#include "framework/win32/peers.h"
#include "os/win32/handles.h"

namespace quarlo::fw::win32 {

// --- Helpers ---------------------------------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  }
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                        nullptr, nullptr);
  }
  return text;
}

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

gdi::Font MakeFont(const Font& font, int dotsPerInch) {
  // Points to a character height in pixels, as the system's own dialogs compute it.
  const int tenths = ToInt32(font.size * 10).value_or(0);
  const int height = -MulDiv(tenths, dotsPerInch, 720);
  const std::wstring face = Widen(font.name).substr(0, LF_FACESIZE - 1);
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

void WindowPeer::RegisterOwnClass(HINSTANCE instance, const std::wstring& name) {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name.c_str(), &existing)) return;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &WindowPeer::Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = name.c_str();
  RegisterClassExW(&windowClass);
}

void WindowPeer::CreateOwnWindow(const std::wstring& className, DWORD exStyle, DWORD style,
                                 const std::wstring& title, const RECT& rect, HWND parent) {
  RegisterOwnClass(backend_.Instance(), className);
  ownWindow_ = true;
  // WM_NCCREATE stores the peer with the window and sets window_.
  const HWND created = CreateWindowExW(exStyle, className.c_str(), title.c_str(), style, rect.left,
                                       rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                       parent, nullptr, backend_.Instance(), this);
  created_ = created != nullptr;
}

void WindowPeer::CreateSystemWindow(const wchar_t* className, DWORD style, const RECT& rect,
                                    HWND parent) {
  window_ = CreateWindowExW(0, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, nullptr, backend_.Instance(), nullptr);
  if (window_ != nullptr) backend_.RegisterWindow(window_, this);
}

void WindowPeer::DestroyNow() {
  if (destroying_) return;
  destroying_ = true;
  if (window_ == nullptr) return;
  HWND window = std::exchange(window_, nullptr);
  if (ownWindow_) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  backend_.UnregisterWindow(window);
  DestroyWindow(window);
}

LRESULT CALLBACK WindowPeer::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* peer = static_cast<WindowPeer*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    peer->window_ = window;
    peer->backend_.RegisterWindow(window, peer);
  }
  auto* peer = reinterpret_cast<WindowPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (peer == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    peer->backend_.UnregisterWindow(window);
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
    if (WindowPeer* child = backend_.PeerOf(reinterpret_cast<HWND>(lParam))) {
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

// --- CanvasPeer --------------------------------------------------------------------------------

CanvasPeer::~CanvasPeer() { DestroyNow(); }

void CanvasPeer::CreateSurface() {
  RECT client = {};
  if (window_ != nullptr) GetClientRect(window_, &client);
  surface_ = std::make_unique<GdiSurface>(client.right, client.bottom,
                                          ToColorRef(container_.BackColour()));
  surface_->SetPresenter([this](const std::vector<RECT>* changed) { PresentNow(changed); });
  PaintBackground();
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
    if (child->Visible() && dynamic_cast<WindowlessPeer*>(child->Peer()) != nullptr) return true;
  }
  return false;
}

void CanvasPeer::Compose(HDC target) {
  RECT client = {};
  GetClientRect(window_, &client);
  HDC buffer = surface_ ? surface_->Dc() : nullptr;
  HDC dc = target;
  if (HasDrawnChildren()) {
    // The children are drawn into a second persistent buffer, so the screen changes in one blit.
    if (!composed_) composed_ = std::make_unique<GdiSurface>(client.right, client.bottom, 0);
    composed_->Resize(client.right, client.bottom, 0);
    if (composed_->Dc() != nullptr) dc = composed_->Dc();
  }
  {
    // Beyond the buffer (a window larger than its buffer for a moment): the back colour.
    gdi::Select brush(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, ToColorRef(container_.BackColour()));
    const int width = surface_ ? surface_->Width() : 0;
    const int height = surface_ ? surface_->Height() : 0;
    if (client.right > width) PatBlt(dc, width, 0, client.right - width, client.bottom, PATCOPY);
    if (client.bottom > height) PatBlt(dc, 0, height, width, client.bottom - height, PATCOPY);
    if (buffer != nullptr) BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
  }
  if (dc != target) {
    for (Control* child : container_.Children()) {
      if (!child->Visible()) continue;
      if (auto* peer = dynamic_cast<WindowlessPeer*>(child->Peer())) {
        gdi::SavedState state(dc);
        peer->Paint(dc);
      }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  }
}

void CanvasPeer::PresentNow(const std::vector<RECT>* changed) {
  if (window_ == nullptr) return;
  gdi::WindowDc dc(window_);
  if (!dc) return;
  // The screen holds the rest of the buffer already (a window uncovered meanwhile is repainted
  // whole through WM_PAINT); windowless children drawn on top need the whole composition.
  gdi::Region clip;
  if (changed != nullptr && !HasDrawnChildren()) {
    if (changed->empty()) return;
    clip = gdi::RegionOf(*changed);
    if (clip) SelectClipRgn(dc.Get(), clip.Get());
  }
  Compose(dc.Get());
  if (clip) SelectClipRgn(dc.Get(), nullptr);
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

bool CanvasPeer::SecondPressOfDoubleClick(int button, POINT point) {
  const DWORD now = GetTickCount();
  const bool second =
      lastPress_ && lastPress_->button == button && lastPress_->target == pressed_ &&
      now - lastPress_->time <= GetDoubleClickTime() &&
      std::abs(point.x - lastPress_->point.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
      std::abs(point.y - lastPress_->point.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  // The press after a double click starts a new pair.
  if (second) {
    lastPress_.reset();
  } else {
    lastPress_ = Press{button, pressed_, point, now};
  }
  return second;
}

std::optional<LRESULT> CanvasPeer::OnButton(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const int shift = ShiftState();
  int button = kLeftButton;
  if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) button = kRightButton;
  if (message == WM_MBUTTONDOWN || message == WM_MBUTTONUP) button = kMiddleButton;
  const bool down =
      message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
  if (down) {
    const bool first = GetCapture() != window_;
    if (first) {
      pressed_ = ChildAt(point);
      pressedOnCanvas_ = true;
      SetCapture(window_);
      // As on Windows, the second press of a double click is a double click, not another click:
      // a double click on the home-page label opens the page once.
      secondOfDouble_ = SecondPressOfDoubleClick(button, point);
    }
    if (button == kLeftButton && TakesFocusOnClick(pressed_) && GetFocus() != window_) {
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
    default:
      return WindowPeer::OnMessage(message, wParam, lParam);
  }
}

// --- FormPeer ----------------------------------------------------------------------------------

FormPeer::FormPeer(Win32Backend& backend, Form& form) : CanvasPeer(backend, form), form_(form) {
  backend_.AddForm(this);
  CreateOwnWindow(L"Quarlo.Form." + Widen(form.Name()), ExStyle(), Style(), Widen(form.Caption()),
                  WindowRect(), nullptr);
  ApplyIcon();
  CreateSurface();
}

FormPeer::~FormPeer() {
  DestroyNow();
  backend_.RemoveForm(this);
}

DWORD FormPeer::Style() const {
  // Hidden until shown, whatever Visible says.
  if (form_.Border() == FormBorder::None) return WS_POPUP | WS_CLIPCHILDREN;
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
}

DWORD FormPeer::ExStyle() const {
  const DWORD taskbar = form_.ShowInTaskbar() ? 0 : WS_EX_TOOLWINDOW;
  return (form_.Border() == FormBorder::None ? 0 : WS_EX_WINDOWEDGE) | taskbar;
}

RECT FormPeer::WindowRect() const { return PixelRect(); }

void FormPeer::ApplyIcon() {
  if (window_ == nullptr || form_.IconResource() == 0) return;
  const auto load = [&](int size) {
    // Shared icons belong to the system's cache; nothing to release.
    return static_cast<HICON>(LoadImageW(backend_.Instance(),
                                         MAKEINTRESOURCEW(form_.IconResource()), IMAGE_ICON, size,
                                         size, LR_SHARED));
  };
  if (HICON big = load(GetSystemMetrics(SM_CXICON))) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = load(GetSystemMetrics(SM_CXSMICON))) {
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

std::optional<Size> FormPeer::ClientSizeTwips() const {
  if (window_ == nullptr) return std::nullopt;
  RECT client = {};
  GetClientRect(window_, &client);
  return Size{TwipsX(client.right), TwipsY(client.bottom)};
}

Size FormPeer::FrameSizeTwips() const {
  RECT rect = {0, 0, 0, 0};
  DWORD style = Style();
  DWORD exStyle = ExStyle();
  if (window_ != nullptr) {
    style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
    exStyle = static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE));
  }
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  return Size{TwipsX(rect.right - rect.left), TwipsY(rect.bottom - rect.top)};
}

void FormPeer::Update(Change what) {
  if (window_ == nullptr) return;
  switch (what) {
    case Change::Visible:
      if (form_.Visible()) {
        showing_ = true;
        ShowWindow(window_, SW_SHOWNORMAL);
        showing_ = false;
      } else {
        ShowWindow(window_, SW_HIDE);
      }
      return;
    case Change::Caption:
      SetWindowTextW(window_, Widen(form_.Caption()).c_str());
      return;
    case Change::Style: {
      const LONG current = GetWindowLongW(window_, GWL_STYLE);
      LONG style = static_cast<LONG>(Style()) | (current & (WS_VISIBLE | WS_CHILD | WS_DISABLED));
      // A form made a child window (the preview) never takes WS_POPUP back.
      if ((current & WS_CHILD) != 0) style &= ~static_cast<LONG>(WS_POPUP);
      SetWindowLongW(window_, GWL_STYLE, style);
      SetWindowLongW(window_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
      SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return;
    }
    default:
      CanvasPeer::Update(what);
  }
}

void FormPeer::OnSized() {
  CanvasPeer::OnSized();
  // Form_Resize follows every size change of a visible form; Form::Show raises the first one.
  if (showing_ || !form_.Visible() || !IsWindowVisible(window_)) return;
  Raise([&] { form_.Form_Resize(); });
}

void FormPeer::OnDestroyedFromOutside() { backend_.UnloadLater(form_); }

bool FormPeer::Focusable(const Control& control) const {
  HWND window = os::ToHwnd(control.hWnd());
  if (window == nullptr || window == window_) return false;
  return IsWindowVisible(window) && IsWindowEnabled(window) &&
         (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

Control* FormPeer::FocusedControl() const {
  // The focus may sit in a part of a control (the edit field of a combo box).
  for (HWND window = GetFocus(); window != nullptr && window != window_;
       window = GetParent(window)) {
    if (WindowPeer* peer = backend_.PeerOf(window)) return &peer->GetControl();
  }
  return nullptr;
}

bool FormPeer::MoveFocus(bool backwards) {
  Control* next = NextInTabOrder(form_, FocusedControl(), backwards,
                                 [this](const Control& c) { return Focusable(c); });
  if (next == nullptr) return false;
  ::SetFocus(os::ToHwnd(next->hWnd()));
  return true;
}

std::optional<LRESULT> FormPeer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The close box, Alt+F4 and SC_CLOSE arrive here through DefWindowProc, and so does a
      // close request another program sends or posts.
      Raise([&] { form_.Close(UnloadMode::FormControlMenu); });
      return 0;
    case WM_ENDSESSION:
      // After this message returns the system may end the process at any moment.
      if (wParam != FALSE) Raise([&] { form_.Close(UnloadMode::AppWindows); });
      return 0;
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) Raise([&] { form_.Form_AppDeactivate(); });
      return 0;
    case WM_DISPLAYCHANGE:
      Raise([&] { form_.Form_DisplayChange(); });
      return std::nullopt;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) {
        Bool16 cancel = kFalse;
        if (!Raise([&] { form_.Form_ScreenSave(cancel); }) || IsTrue(cancel)) return 0;
      }
      return std::nullopt;
    case WM_TIMER:
      if (Timer* timer = backend_.TimerOf(wParam)) {
        Raise([&] { timer->RaiseTick(); });
        return 0;
      }
      return std::nullopt;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // A form with KeyPreview has seen the key in the message loop already.
      if (!form_.KeyPreview()) {
        const int key = static_cast<int>(wParam);
        const int shift = ShiftState();
        if (!Raise([&] { form_.Form_KeyDown(key, shift); })) return 0;
      }
      return std::nullopt;
    case WM_POWERBROADCAST:
      if (wParam == PBT_POWERSETTINGCHANGE && lParam != 0) {
        backend_.OnPowerSetting(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
        return TRUE;
      }
      return std::nullopt;
    case WM_WTSSESSION_CHANGE:
      backend_.GetAudience().SessionChange(static_cast<std::uint32_t>(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) lastFocus_ = focus;
      }
      return std::nullopt;
    case WM_SETFOCUS: {
      // The form passes the focus on to the control that had it last, or the first in order.
      if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(window_, lastFocus_) &&
          IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        ::SetFocus(lastFocus_);
      } else {
        MoveFocus(false);
      }
      return 0;
    }
    default:
      return CanvasPeer::OnMessage(message, wParam, lParam);
  }
}

// --- BlankWindowPeer ---------------------------------------------------------------------------

BlankWindowPeer::BlankWindowPeer(Win32Backend& backend, BlankWindow& window)
    : backend_(backend), blank_(window) {
  static const wchar_t* const kClass = L"Quarlo.Blank";
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(backend_.Instance(), kClass, &existing)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &BlankWindowPeer::Procedure;
    windowClass.hInstance = backend_.Instance();
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClass;
    RegisterClassExW(&windowClass);
  }
  const os::Rect& area = window.Area();
  // No caption: the instance test looks for the saver by its caption only.
  window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, L"", WS_POPUP, area.left,
                            area.top, area.right - area.left, area.bottom - area.top, nullptr,
                            nullptr, backend_.Instance(), this);
  if (window_ != nullptr) ShowWindow(window_, SW_SHOWNA);
}

BlankWindowPeer::~BlankWindowPeer() {
  if (window_ == nullptr) return;
  HWND window = std::exchange(window_, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void BlankWindowPeer::Place(const os::Rect& area) {
  if (window_ == nullptr) return;
  SetWindowPos(window_, nullptr, area.left, area.top, area.right - area.left,
               area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

os::Handle BlankWindowPeer::Handle() const { return os::FromNative(window_); }

LRESULT CALLBACK BlankWindowPeer::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* peer = reinterpret_cast<BlankWindowPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (peer == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    peer->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // The handlers may end the program, or drop this window: only the result is used afterwards.
  std::optional<LRESULT> result;
  try {
    result = peer->OnMessage(window, message, wParam, lParam);
  } catch (...) {
    result = 0;
  }
  return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> BlankWindowPeer::OnMessage(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (blank_.KeyDown) blank_.KeyDown(static_cast<int>(wParam), ShiftState());
      return 0;
    case WM_MOUSEACTIVATE:
      // The keyboard stays with the form this window stands beside.
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      pressed_ = true;
      SetCapture(window);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      // A click is a press and a release on the window, as on a picture box.
      const bool wasPressed = std::exchange(pressed_, false);
      if (GetCapture() == window) ReleaseCapture();
      RECT client = {};
      GetClientRect(window, &client);
      const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (wasPressed && PtInRect(&client, point) && blank_.Click) blank_.Click();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) pressed_ = false;
      return 0;
    case WM_CLOSE:
      if (blank_.CloseRequest) blank_.CloseRequest();
      return 0;
    default:
      return std::nullopt;
  }
}

// --- PictureBoxPeer ----------------------------------------------------------------------------

PictureBoxPeer::PictureBoxPeer(Win32Backend& backend, PictureBox& box)
    : CanvasPeer(backend, box), box_(box) {
  const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | VisibleStyle() |
                      (box.GetBorder() == Border::FixedSingle ? WS_BORDER : 0);
  CreateOwnWindow(L"Quarlo.PictureBox", 0, style, L"", WindowRect(), ParentWindow());
  if (window_ != nullptr && !box.Enabled()) EnableWindow(window_, FALSE);
  CreateSurface();
}

PictureBoxPeer::~PictureBoxPeer() { DestroyNow(); }

void PictureBoxPeer::PaintBackground() {
  if (!surface_) return;
  surface_->Clear(ToColorRef(box_.BackColour()));
  if (box_.GetPicture() && surface_->Dc() != nullptr) {
    DrawPicture(surface_->Dc(), 0, 0, *box_.GetPicture());
    surface_->DrewDirectly();
  }
}

void PictureBoxPeer::Update(Change what) {
  if (window_ == nullptr) return;
  switch (what) {
    case Change::Picture:
      PaintBackground();
      InvalidateRect(window_, nullptr, FALSE);
      return;
    case Change::Style: {
      LONG style = GetWindowLongW(window_, GWL_STYLE) & ~WS_BORDER;
      if (box_.GetBorder() == Border::FixedSingle) style |= WS_BORDER;
      SetWindowLongW(window_, GWL_STYLE, style);
      SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return;
    }
    default:
      CanvasPeer::Update(what);
  }
}

bool PictureBoxPeer::RaiseMouse(Mouse kind, Control* target, int button, int shift, POINT point) {
  if (target != nullptr) return CanvasPeer::RaiseMouse(kind, target, button, shift, point);
  const std::function<void(int, int, int, int)>& handler = kind == Mouse::Down   ? box_.MouseDown
                                                           : kind == Mouse::Move ? box_.MouseMove
                                                                                 : box_.MouseUp;
  if (!handler) return true;
  const int x = TwipsX(point.x);
  const int y = TwipsY(point.y);
  return Raise([&] { handler(button, shift, x, y); });
}

// --- UserControlPeer ---------------------------------------------------------------------------

UserControlPeer::UserControlPeer(Win32Backend& backend, UserControl& control)
    : CanvasPeer(backend, control), user_(control) {
  const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | VisibleStyle();
  CreateOwnWindow(L"Quarlo.UserControl." + Widen(control.TypeName()), 0, style, L"", WindowRect(),
                  ParentWindow());
  if (window_ != nullptr && !control.Enabled()) EnableWindow(window_, FALSE);
  CreateSurface();
  created_ = true;
}

UserControlPeer::~UserControlPeer() { DestroyNow(); }

void UserControlPeer::OnSized() {
  CanvasPeer::OnSized();
  if (created_) Raise([&] { user_.UserControl_Resize(); });
}

bool UserControlPeer::RaiseMouse(Mouse kind, Control*, int button, int shift, POINT point) {
  // The caption and any other windowless part of the control count as the control itself.
  const int x = TwipsX(point.x);
  const int y = TwipsY(point.y);
  return Raise([&] {
    switch (kind) {
      case Mouse::Down:
        user_.UserControl_MouseDown(button, shift, x, y);
        break;
      case Mouse::Move:
        user_.UserControl_MouseMove(button, shift, x, y);
        break;
      case Mouse::Up:
        user_.UserControl_MouseUp(button, shift, x, y);
        break;
    }
  });
}

std::optional<LRESULT> UserControlPeer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      Raise([&] { user_.UserControl_GotFocus(); });
      return 0;
    case WM_KILLFOCUS:
      Raise([&] { user_.UserControl_LostFocus(); });
      return 0;
    case WM_GETDLGCODE:
      // Takes the focus by tabbing, wants no keys: Enter and Space do nothing here.
      return 0;
    default:
      return CanvasPeer::OnMessage(message, wParam, lParam);
  }
}

}  // namespace quarlo::fw::win32
