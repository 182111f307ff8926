#include "framework/win32/windowless_peers.h"

#include <algorithm>

#include "framework/accessible.h"
#include "framework/scaling.h"
#include "framework/win32/form_peer.h"
#include "os/win32/wide.h"

namespace quarlo::fw::win32 {

CanvasPeer* WindowlessPeer::Container() const {
  fw::Container* parent = control_.Parent();
  return parent != nullptr ? dynamic_cast<CanvasPeer*>(parent->Peer()) : nullptr;
}

void WindowlessPeer::InvalidateArea(const RECT& area) const {
  if (CanvasPeer* container = Container()) container->Invalidate(area);
}

void WindowlessPeer::Update(Change what) {
  const RECT area = DrawnArea();
  InvalidateArea(lastArea_);
  InvalidateArea(area);
  lastArea_ = area;
  if (what == Change::State || what == Change::Caption) {
    const LONG child = ChildId();
    const HWND canvas = Container() != nullptr ? Container()->Window() : nullptr;
    if (child != 0) {
      NotifyChild(what == Change::State ? EVENT_OBJECT_STATECHANGE : EVENT_OBJECT_NAMECHANGE,
                  canvas, child);
    }
  }
}

RECT WindowlessPeer::DrawnArea() const {
  RECT area = Area();
  const int focus = FocusWidth(backend_) + 1;
  if (control_.TabStop()) InflateRect(&area, focus, focus);
  return area;
}

LONG WindowlessPeer::ChildId() const {
  const fw::Container* parent = control_.Parent();
  return parent != nullptr ? AccessibleChildNumber(*parent, control_) : 0;
}

bool WindowlessPeer::ShowsFocus() const {
  const CanvasPeer* container = Container();
  if (container == nullptr || container->FocusedPart() != &control_ ||
      GetFocus() != container->Window()) {
    return false;
  }
  const FormPeer* form = backend_.Windows().FormOfWindow(container->Window());
  return form != nullptr && form->ShowsFocus();
}

bool WindowlessPeer::ShowsAccessKeys() const {
  const CanvasPeer* container = Container();
  const FormPeer* form =
      container != nullptr ? backend_.Windows().FormOfWindow(container->Window()) : nullptr;
  return form != nullptr && form->ShowsAccessKeys();
}

LabelPeer::LabelPeer(Win32Backend& backend, Label& label)
    : WindowlessPeer(backend, label), label_(label) {
  font_ = MakeFont(label.GetFont(), backend.DotsPerInch());
  FitToText();
  lastArea_ = DrawnArea();
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

// The focus round the text, in the text's colour: the design made that stand out from what is
// behind it, where the system's inverted dots may not (a mid-tone of a gradient).
void LabelPeer::PaintFocus(HDC dc, RECT area) const {
  PaintFocusRing(dc, area, ToColorRef(label_.ForeColour()), FocusWidth(backend_));
}

void LabelPeer::FitToText() {
  if (!label_.AutoSize()) return;
  gdi::MemoryDc dc;
  if (!dc) return;
  gdi::Select font(dc.Get(), font_.Get());
  const int border = label_.GetBorder() == Border::FixedSingle ? 2 : 0;
  const std::wstring text = os::Utf16(label_.Caption());
  RECT rect = {0, 0, label_.WordWrap() ? std::max(PixelsX(label_.Width()) - border, 1) : 0, 0};
  UINT format = DT_CALCRECT | (TextFormat() & ~(DT_WORDBREAK | DT_EDITCONTROL));
  // Measured as it is drawn: a word wider than the line (a long path) breaks as an edit control
  // breaks it, where without DT_EDITCONTROL Windows would widen the rectangle and keep one line.
  if (label_.WordWrap()) format |= DT_WORDBREAK | DT_EDITCONTROL;
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
    // Cursors loaded from the module belong to it; nothing to release. The one drawn for the
    // screen's scale, when the program holds it, at its own size: each scale is a resource of
    // its own, always loaded at that size, so sharing it is safe.
    cursorId_ = label_.CursorResource();
    const int scaled = ScaledResourceId(cursorId_, ScreenScalePercent(backend_));
    cursor_ = scaled == cursorId_
                  ? nullptr
                  : static_cast<HCURSOR>(LoadImageW(backend_.Instance(), MAKEINTRESOURCEW(scaled),
                                                    IMAGE_CURSOR, 0, 0, LR_SHARED));
    if (cursor_ == nullptr) cursor_ = LoadCursorW(backend_.Instance(), MAKEINTRESOURCEW(cursorId_));
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
  if (ShowsFocus()) PaintFocus(dc, area);
  // Access keys hidden: the text without its marks, which takes the same room (Wine draws the
  // underline whatever DT_HIDEPREFIX says).
  const bool hideKeys = label_.UseMnemonic() && !ShowsAccessKeys();
  const std::wstring text =
      os::Utf16(hideKeys ? WithoutMnemonics(label_.Caption()) : label_.Caption());
  if (text.empty()) return;
  gdi::Select font(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  const UINT format = TextFormat() | (hideKeys ? DT_NOPREFIX : 0);
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
