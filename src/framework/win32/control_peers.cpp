// The system's scroll bar and combo box, window timers, and the windowless controls that their
// container draws: labels, images and shapes.

#include <algorithm>

#include "framework/win32/peers.h"
#include "os/win32/handles.h"

namespace quarlo::fw::win32 {

// --- ScrollBarPeer -----------------------------------------------------------------------------

ScrollBarPeer::ScrollBarPeer(Win32Backend& backend, HScrollBar& bar)
    : WindowPeer(backend, bar), bar_(bar) {
  CreateSystemWindow(L"SCROLLBAR", WS_CHILD | SBS_HORZ | WS_TABSTOP | VisibleStyle(), WindowRect(),
                     ParentWindow());
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
      WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | VisibleStyle(),
      WindowRect(), ParentWindow());
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
    const std::wstring wide = Widen(item);
    SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  applying_ = false;
  ApplyText();
}

void ComboBoxPeer::ApplyText() {
  if (window_ == nullptr) return;
  applying_ = true;
  SetWindowTextW(window_, Widen(combo_.Text()).c_str());
  applying_ = false;
}

std::string ComboBoxPeer::WindowText() const {
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = GetWindowTextW(window_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return Narrow(text);
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
      combo_.TextEdited(Narrow(text));
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
      id_(backend.AddTimer(&timer)) {
  Apply();
}

TimerPeer::~TimerPeer() {
  if (window_ != nullptr && IsWindow(window_)) KillTimer(window_, id_);
  backend_.RemoveTimer(id_);
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

// --- Windowless controls -----------------------------------------------------------------------

CanvasPeer* WindowlessPeer::Container() const {
  fw::Container* parent = control_.Parent();
  return parent != nullptr ? dynamic_cast<CanvasPeer*>(parent->Peer()) : nullptr;
}

void WindowlessPeer::InvalidateArea(const RECT& area) const {
  if (CanvasPeer* container = Container()) container->Invalidate(area);
}

void WindowlessPeer::Update(Change) {
  const RECT area = Area();
  InvalidateArea(lastArea_);
  InvalidateArea(area);
  lastArea_ = area;
}

LabelPeer::LabelPeer(Win32Backend& backend, Label& label)
    : WindowlessPeer(backend, label), label_(label) {
  font_ = MakeFont(label.GetFont(), backend.DotsPerInch());
  FitToText();
  lastArea_ = Area();
}

UINT LabelPeer::TextFormat() const {
  UINT format = DT_WORDBREAK | DT_EDITCONTROL;
  switch (label_.GetAlignment()) {
    case Alignment::Left:
      format |= DT_LEFT;
      break;
    case Alignment::Centre:
      format |= DT_CENTER;
      break;
    case Alignment::Right:
      format |= DT_RIGHT;
      break;
  }
  if (!label_.UseMnemonic()) format |= DT_NOPREFIX;
  return format;
}

void LabelPeer::FitToText() {
  if (!label_.AutoSize()) return;
  gdi::MemoryDc dc;
  if (!dc) return;
  gdi::Select font(dc.Get(), font_.Get());
  const int border = label_.GetBorder() == Border::FixedSingle ? 2 : 0;
  const std::wstring text = Widen(label_.Caption());
  RECT rect = {0, 0, label_.WordWrap() ? std::max(PixelsX(label_.Width()) - border, 1) : 0, 0};
  UINT format = DT_CALCRECT | (TextFormat() & ~(DT_WORDBREAK | DT_EDITCONTROL));
  if (label_.WordWrap()) format |= DT_WORDBREAK;
  if (text.empty()) {
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc.Get(), &metrics);
    rect.bottom = metrics.tmHeight;
  } else {
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rect, format);
  }
  const int width = label_.WordWrap() ? label_.Width() : TwipsX(rect.right - rect.left + border);
  const int height = TwipsY(rect.bottom - rect.top + border);
  if (width != label_.Width() || height != label_.Height()) label_.Resize(width, height);
}

void LabelPeer::Update(Change what) {
  if (what == Change::Font) font_ = MakeFont(label_.GetFont(), backend_.DotsPerInch());
  if (what == Change::Font || what == Change::Caption || what == Change::Style) FitToText();
  WindowlessPeer::Update(what);
}

HCURSOR LabelPeer::Cursor() {
  if (label_.CursorResource() == 0) return nullptr;
  if (cursor_ == nullptr || cursorId_ != label_.CursorResource()) {
    // Cursors loaded from the module belong to it; nothing to release.
    cursorId_ = label_.CursorResource();
    cursor_ = LoadCursorW(backend_.Instance(), MAKEINTRESOURCEW(cursorId_));
  }
  return cursor_;
}

void LabelPeer::Paint(HDC dc) {
  RECT area = Area();
  if (!label_.Transparent()) {
    gdi::Select brush(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, ToColorRef(label_.BackColour()));
    PatBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, PATCOPY);
  }
  if (label_.GetBorder() == Border::FixedSingle) {
    gdi::Select brush(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, GetSysColor(COLOR_WINDOWFRAME));
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    InflateRect(&area, -1, -1);
  }
  const std::wstring text = Widen(label_.Caption());
  if (text.empty()) return;
  gdi::Select font(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  const UINT format = TextFormat();
  if (label_.Greyed() || !label_.Enabled()) {
    // The system's disabled text: a light copy one pixel down and right under a shadow.
    RECT light = area;
    OffsetRect(&light, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &light, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else {
    SetTextColor(dc, ToColorRef(label_.ForeColour()));
  }
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
}

void ImagePeer::Paint(HDC dc) {
  if (!image_.GetPicture()) return;
  const RECT area = Area();
  DrawPicture(dc, area.left, area.top, *image_.GetPicture());
}

void ShapePeer::Paint(HDC dc) {
  const RECT area = Area();
  gdi::Select pen(dc, GetStockObject(DC_PEN));
  gdi::Select brush(dc, GetStockObject(NULL_BRUSH));
  SetDCPenColor(dc, ToColorRef(shape_.BorderColour()));
  Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

}  // namespace quarlo::fw::win32
