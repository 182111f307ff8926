#include "framework/win32/control_peers.h"

#include <algorithm>

#include "os/win32/handles.h"
#include "os/win32/wide.h"

namespace quarlo::fw::win32 {

// --- PictureBoxPeer ----------------------------------------------------------------------------

PictureBoxPeer::PictureBoxPeer(Win32Backend& backend, PictureBox& box)
    : CanvasPeer(backend, box), box_(box) {
  const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TabStopStyle() |
                      VisibleStyle() | (box.GetBorder() == Border::FixedSingle ? WS_BORDER : 0);
  CreateCanvasWindow(L"Quarlo.PictureBox", 0, style, L"", ParentWindow());
  if (window_ != nullptr && !box.Enabled()) EnableWindow(window_, FALSE);
  PaintBackground();
}

PictureBoxPeer::~PictureBoxPeer() { DestroyNow(); }

void PictureBoxPeer::PaintBackground() {
  if (!surface_) {
    if (box_.GetPicture()) CreateSurface();  // which paints it
    return;
  }
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
  const DWORD style =
      WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TabStopStyle() | VisibleStyle();
  CreateCanvasWindow(L"Quarlo.UserControl." + os::Utf16(control.TypeName()), 0, style, L"",
                     ParentWindow());
  if (window_ != nullptr && !control.Enabled()) EnableWindow(window_, FALSE);
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

// --- ScrollBarPeer -----------------------------------------------------------------------------

ScrollBarPeer::ScrollBarPeer(Win32Backend& backend, HScrollBar& bar)
    : WindowPeer(backend, bar), bar_(bar) {
  CreateSystemWindow(L"SCROLLBAR", WS_CHILD | SBS_HORZ | TabStopStyle() | VisibleStyle(),
                     WindowRect(), ParentWindow());
  if (window_ != nullptr && !bar.Enabled()) EnableWindow(window_, FALSE);
  ApplyRange();
}

ScrollBarPeer::~ScrollBarPeer() { DestroyNow(); }

// The system's range runs from 0 to |Max - Min|, left to right; a bar whose Min is above its Max
// counts down from left to right.
int ScrollBarPeer::ToNative(int value) const {
  return bar_.Max() >= bar_.Min() ? value - bar_.Min() : bar_.Min() - value;
}

int ScrollBarPeer::FromNative(int position) const {
  return bar_.Max() >= bar_.Min() ? bar_.Min() + position : bar_.Min() - position;
}

void ScrollBarPeer::ApplyRange() {
  if (window_ == nullptr) return;
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  info.nMin = 0;
  info.nMax = std::abs(bar_.Max() - bar_.Min());
  info.nPage = 0;
  info.nPos = ToNative(bar_.Value());
  SetScrollInfo(window_, SB_CTL, &info, TRUE);
}

void ScrollBarPeer::Update(Change what) {
  if (window_ == nullptr) return;
  if (what == Change::Range || what == Change::Value) {
    ApplyRange();
    return;
  }
  WindowPeer::Update(what);
}

LRESULT ScrollBarPeer::OnReflected(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_HSCROLL || window_ == nullptr) return 0;
  const int towardsMax = bar_.Max() >= bar_.Min() ? 1 : -1;
  const auto step = [&](int amount) {
    const int low = std::min(bar_.Min(), bar_.Max());
    const int high = std::max(bar_.Min(), bar_.Max());
    bar_.SetValue(std::clamp(bar_.Value() + amount * towardsMax, low, high));
  };
  const auto trackedValue = [&] {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window_, SB_CTL, &info);
    return FromNative(info.nTrackPos);
  };
  switch (LOWORD(wParam)) {
    case SB_LINELEFT:
      step(-bar_.SmallChange());
      break;
    case SB_LINERIGHT:
      step(bar_.SmallChange());
      break;
    case SB_PAGELEFT:
      step(-bar_.LargeChange());
      break;
    case SB_PAGERIGHT:
      step(bar_.LargeChange());
      break;
    case SB_LEFT:
      bar_.SetValue(bar_.Min());
      break;
    case SB_RIGHT:
      bar_.SetValue(bar_.Max());
      break;
    case SB_THUMBTRACK:
      bar_.RaiseScroll(trackedValue());
      break;
    case SB_THUMBPOSITION:
      bar_.EndScroll(trackedValue());
      break;
    default:
      break;
  }
  return 0;
}

// --- ComboBoxPeer ------------------------------------------------------------------------------

ComboBoxPeer::ComboBoxPeer(Win32Backend& backend, ComboBox& combo)
    : WindowPeer(backend, combo), combo_(combo) {
  CreateSystemWindow(
      L"COMBOBOX",
      WS_CHILD | WS_VSCROLL | TabStopStyle() | CBS_DROPDOWN | CBS_AUTOHSCROLL | VisibleStyle(),
      WindowRect(), ParentWindow());
  // The edit field has the keyboard: readers ask it for the list's name.
  if (window_ != nullptr) AnswerForControl(GetWindow(window_, GW_CHILD));
  if (window_ != nullptr && !combo.Enabled()) EnableWindow(window_, FALSE);
  ApplyFont();
  ApplyItems();
}

ComboBoxPeer::~ComboBoxPeer() { DestroyNow(); }

RECT ComboBoxPeer::WindowRect() const {
  // The window of a drop-down combo box includes its open list; the field keeps the font's height.
  RECT rect = PixelRect();
  rect.bottom += 12 * 16;
  return rect;
}

void ComboBoxPeer::ApplyFont() {
  if (window_ == nullptr) return;
  gdi::Font font = MakeFont(combo_.GetFont(), backend_.DotsPerInch());
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  font_ = std::move(font);  // the old font goes only once the window no longer uses it
}

void ComboBoxPeer::ApplyItems() {
  if (window_ == nullptr) return;
  applying_ = true;
  SendMessageW(window_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : combo_.Items()) {
    const std::wstring wide = os::Utf16(item);
    SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  applying_ = false;
  ApplyText();
}

void ComboBoxPeer::ApplyText() {
  if (window_ == nullptr) return;
  applying_ = true;
  SetWindowTextW(window_, os::Utf16(combo_.Text()).c_str());
  applying_ = false;
}

std::string ComboBoxPeer::WindowText() const {
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = GetWindowTextW(window_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return os::Utf8(text);
}

void ComboBoxPeer::Update(Change what) {
  if (window_ == nullptr) return;
  switch (what) {
    case Change::Font:
      ApplyFont();
      return;
    case Change::Items:
      ApplyItems();
      return;
    case Change::Text:
      ApplyText();
      return;
    case Change::Geometry: {
      const RECT rect = WindowRect();
      SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
    default:
      WindowPeer::Update(what);
  }
}

bool ComboBoxPeer::TakesDialogKey(fw::Key key) {
  if ((key != fw::Key::Enter && key != fw::Key::Escape) || window_ == nullptr ||
      SendMessageW(window_, CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
    return false;
  }
  SendMessageW(window_, CB_SHOWDROPDOWN, FALSE, 0);
  return true;
}

LRESULT ComboBoxPeer::OnReflected(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || applying_ || window_ == nullptr) return 0;
  switch (HIWORD(wParam)) {
    case CBN_EDITCHANGE:
      combo_.TextEdited(WindowText());
      break;
    case CBN_SELCHANGE: {
      // The field shows the picked entry only after this notification; read the entry itself.
      const LRESULT index = SendMessageW(window_, CB_GETCURSEL, 0, 0);
      if (index == CB_ERR) break;
      const LRESULT length = SendMessageW(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
      if (length == CB_ERR) break;
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(window_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
      combo_.TextEdited(os::Utf8(text));
      break;
    }
    default:
      break;
  }
  return 0;
}

// --- TimerPeer ---------------------------------------------------------------------------------

TimerPeer::TimerPeer(Win32Backend& backend, Timer& timer)
    : Peer(backend, timer),
      timer_(timer),
      window_(os::ToHwnd(timer.OwnerForm().hWnd())),
      id_(backend.Windows().AddTimer(&timer)) {
  Apply();
}

TimerPeer::~TimerPeer() {
  if (window_ != nullptr && IsWindow(window_)) KillTimer(window_, id_);
  backend_.Windows().RemoveTimer(id_);
}

void TimerPeer::Apply() {
  if (window_ == nullptr) return;
  if (timer_.Enabled() && timer_.Interval() > 0) {
    SetTimer(window_, id_, timer_.Interval(), nullptr);
  } else {
    KillTimer(window_, id_);
  }
}

void TimerPeer::Update(Change what) {
  if (what == Change::Enabled || what == Change::Value) Apply();
}

}  // namespace quarlo::fw::win32
