#include "controls/command/command.h"

#include <bit>
#include <cstdio>

#include "assets/asset_ids.h"
#include "framework/form.h"
#include "framework/scaling.h"
#include "rules/text.h"

namespace quarlo {
namespace {

// The face's 4-pixel frame on the button, in twips.
constexpr int kCorner = 60;
// A face picture is drawn for the screen's scale: its frame is 4 of its 64 design pixels across,
// times that scale.
constexpr double kFramePerFaceWidth = 4.0 / 64;
constexpr int kCaptionGap = 20;

constexpr std::array<int, 6> kFaceResources = {IDR_FACE_NORMAL,          IDR_FACE_HIGHLIGHT,
                                               IDR_FACE_HIGHLIGHTSELECT, IDR_FACE_SELECTED,
                                               IDR_FACE_PRESSED,         IDR_FACE_DISABLE};

std::size_t IndexOf(Command::FaceImage image) {
  switch (image) {
    case Command::FaceImage::Normal:
      return 0;
    case Command::FaceImage::HighLight:
      return 1;
    case Command::FaceImage::HighLightSelect:
      return 2;
    case Command::FaceImage::Selected:
      return 3;
    case Command::FaceImage::Pressed:
      return 4;
    case Command::FaceImage::Disable:
      return 5;
  }
  return 0;
}

// Hexadecimal digits without leading zeros, as the colour texts are written back.
std::string HexDigits(std::int32_t value) {
  char buffer[16] = {};
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

// "&H" + pair + "00" read as a 16-bit channel.
std::optional<std::uint16_t> ChannelFromPair(const std::string& pair) {
  const std::optional<double> number = ParseNumber("&H" + pair + "00");
  const std::optional<std::int32_t> value = number ? ToInt32(*number) : std::nullopt;
  if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

// A twips length in pixels along one axis; nullopt when it does not fit.
std::optional<int> ToPixels(int twips, double twipsPerPixel) {
  if (twipsPerPixel <= 0.0) return std::nullopt;
  return ToInt32(twips / twipsPerPixel);
}

}  // namespace

std::optional<GradientChannels> ReadGradientColour(std::string_view colourText) {
  const std::optional<double> number = ParseNumber(colourText);
  const std::optional<std::int32_t> value = number ? ToInt32(*number) : std::nullopt;
  if (!value) return std::nullopt;
  const std::string digits = HexDigits(*value);
  const auto red = ChannelFromPair(Mid(digits, 1, 2));
  const auto green = ChannelFromPair(Mid(digits, 3, 2));
  const auto blue = ChannelFromPair(Mid(digits, 5, 2));
  if (!red || !green || !blue) return std::nullopt;
  return GradientChannels{*red, *green, *blue};
}

Command::Command(fw::Container* parent, std::string name, os::Os& os, int index)
    : fw::UserControl(parent, std::move(name), index),
      LblMsg(this, "LblMsg"),
      TmrMouse(this, "TmrMouse"),
      os_(os) {
  Resize(kDesignWidth, kDesignHeight);
  SetRole(fw::Role::PushButton);
  LblMsg.SetCaption("Command");
  LblMsg.SetTransparent(true);
  LblMsg.SetAlignment(fw::Alignment::Centre);
  LblMsg.SetAutoSize(false);
  LblMsg.SetForeColour(0);
  LblMsg.SetFont(AmbientFont());
  LblMsg.Move(0, 0, kDesignWidth, kCaptionHeight);
  LblMsg.MouseDown = [this](int b, int s, int x, int y) { LblMsg_MouseDown(b, s, x, y); };
  LblMsg.MouseMove = [this](int b, int s, int x, int y) { LblMsg_MouseMove(b, s, x, y); };
  LblMsg.MouseUp = [this](int b, int s, int x, int y) { LblMsg_MouseUp(b, s, x, y); };
  // The hover timer runs from creation on, for the whole life of the button.
  TmrMouse.SetInterval(kHoverInterval);
  TmrMouse.SetEnabled(true);
  TmrMouse.Tick = [this] { TmrMouse_Timer(); };
}

// --- Drawing -------------------------------------------------------------------------------------

void Command::DrawFace(FaceImage image) {
  SetGradientDirection();
  ComputeSlices();
  fw::Surface* surface = DrawingSurface();
  if (surface != nullptr) surface->Clear(BackColour());
  FillGradient();
  const fw::Picture* picture = Face(image);
  if (surface != nullptr && picture != nullptr) PaintPieces(*surface, *picture);
  if (surface != nullptr) surface->Present();
  PlaceCaption();
}

void Command::SetGradientDirection() {
  switch (faceState_) {
    case State::Normal:
      gradientReversed_ = kFalse;
      break;
    case State::HighLight:
      gradientReversed_ = kTrue;
      break;
    case State::Selected:
      gradientReversed_ = kFalse;
      break;
    default:
      break;  // HighLightSelect and None keep the direction of the face drawn before
  }
}

void Command::ComputeSlices() {
  // In double precision, so that no size can overflow before the 16-bit test.
  const double W = Width(), H = Height();
  const auto across = ToInt16(W - 2 * kCorner);
  const auto right = ToInt16(W - kCorner);
  const auto down = ToInt16(H - 2 * kCorner);
  const auto bottom = ToInt16(H - kCorner);
  if (across) slices_.acrossEdge = *across;
  if (right) slices_.rightColumn = *right;
  if (down) slices_.downEdge = *down;
  if (bottom) slices_.bottomRow = *bottom;
}

void Command::PaintPieces(fw::Surface& surface, const fw::Picture& picture) {
  fw::Backend& backend = OwnerForm().GetBackend();
  const double tx = backend.TwipsPerPixelX();
  const double ty = backend.TwipsPerPixelY();
  // The source in the picture's own pixels: corner c, right column and bottom row, edge strips.
  // The design's 1-twip source offsets are below a pixel and land on 0.
  const int c = ToInt32(picture.Width() * kFramePerFaceWidth).value_or(0);
  const int sr = picture.Width() - c, sb = picture.Height() - c;
  const int sw = picture.Width() - 2 * c, sh = picture.Height() - 2 * c;
  if (c <= 0 || sw <= 0 || sh <= 0) return;
  // One piece: destination in twips, then source in pixels; a zero destination size copies at
  // the source size.
  struct Piece {
    int x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight;
  };
  const int across = slices_.acrossEdge, right = slices_.rightColumn;
  const int down = slices_.downEdge, bottom = slices_.bottomRow;
  const Piece pieces[8] = {
      {1, 1, 0, 0, 0, 0, c, c},                          // top-left
      {kCorner, 1, across, kCorner, c, 0, sw, c},        // top
      {right, 1, 0, 0, sr, 0, c, c},                     // top-right
      {right, kCorner, kCorner, down, sr, c, c, sh},     // right
      {right, bottom, 0, 0, sr, sb, c, c},               // bottom-right
      {kCorner, bottom, across, kCorner, c, sb, sw, c},  // bottom
      {1, bottom, 0, 0, 0, sb, c, c},                    // bottom-left
      {1, kCorner, kCorner, down, 0, c, c, sh},          // left
  };
  for (const Piece& piece : pieces) {
    const auto x = ToPixels(piece.x, tx), y = ToPixels(piece.y, ty);
    if (!x || !y) continue;
    if (piece.width == 0 && piece.height == 0) {
      surface.BitBlt(*x, *y, piece.sourceWidth, piece.sourceHeight, picture, piece.sourceX,
                     piece.sourceY, fw::Rop::SrcCopy);
      continue;
    }
    const auto w = ToPixels(piece.width, tx), h = ToPixels(piece.height, ty);
    // Edges of a face under 8 pixels have no length left; such faces do not occur.
    if (!w || !h || *w <= 0 || *h <= 0) continue;
    surface.StretchBlt(*x, *y, *w, *h, picture, piece.sourceX, piece.sourceY, piece.sourceWidth,
                       piece.sourceHeight, fw::Rop::SrcCopy);
  }
}

void Command::FillGradient() {
  const auto white = ReadGradientColour(kGradientWhite);
  const auto lavender = ReadGradientColour(kGradientLavender);
  const auto paint = [](fw::TriVertex& vertex, const std::optional<GradientChannels>& colour) {
    if (!colour) return;
    vertex.red = colour->red;
    vertex.green = colour->green;
    vertex.blue = colour->blue;
    vertex.alpha = 0;
  };
  if (!IsTrue(gradientReversed_)) {
    paint(vertices_[0], white);
    paint(vertices_[1], lavender);
  } else {
    paint(vertices_[0], lavender);
    paint(vertices_[1], white);
  }
  vertices_[0].x = 0;
  vertices_[0].y = 0;
  vertices_[1].x = InnerWidthPixels() - 1;
  vertices_[1].y = InnerHeightPixels() - 1;
  // Vertex 1 names the upper-left corner and vertex 0 the lower-right; with the vertical mode
  // the colour still runs from the vertex at the top (vertex 0) to the one at the bottom.
  mesh_.upperLeft = 1;
  mesh_.lowerRight = 0;
  fw::Surface* surface = DrawingSurface();
  if (surface == nullptr) return;
  surface->GradientFill(vertices_.data(), 2, &mesh_, 1, fw::GRADIENT_FILL_RECT_V);
  surface->Present();
}

void Command::PlaceCaption() {
  const double H = Height();
  const float top = ToSingle((H - LblMsg.Height() - kCaptionGap) / 2.0);
  const auto topTwips = ToInt32(top);
  if (!topTwips) return;
  LblMsg.Move(0, *topTwips, Width(), LblMsg.Height());
}

const fw::Picture* Command::Face(FaceImage image) {
  fw::PicturePtr& face = faces_[IndexOf(image)];
  if (!face) {
    fw::Backend& backend = OwnerForm().GetBackend();
    face =
        fw::LoadPictureAt(backend, kFaceResources[IndexOf(image)], fw::ScreenScalePercent(backend));
  }
  return face.get();
}

void Command::ApplyEnabledLook() {
  if (IsTrue(isEnabled_)) {
    DrawFace(FaceImage::Normal);
    LblMsg.SetGreyed(false);
  } else {
    DrawFace(FaceImage::Disable);
    LblMsg.SetGreyed(true);
  }
}

void Command::RefreshNormal() {
  if (!IsTrue(isEnabled_)) return;
  LblMsg.SetGreyed(false);
  if (firstRun_ == 0) LblMsg.SetForeColour(0);
  DrawFace(FaceImage::Normal);
}

// --- Input and hover -----------------------------------------------------------------------------

void Command::Initialize() {
  faceState_ = State::Normal;
  TmrMouse.SetEnabled(true);
  TmrMouse.SetInterval(kHoverInterval);
}

void Command::UserControl_MouseMove(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
  if (!IsTrue(isEnabled_)) return;
  if (faceState_ == State::Normal) {
    faceState_ = State::HighLight;
    DrawFace(FaceImage::HighLight);
  }
  if (faceState_ == State::Selected && !IsTrue(buttonDown_)) {
    faceState_ = State::HighLightSelect;
    DrawFace(FaceImage::HighLightSelect);
  }
}

void Command::UserControl_MouseDown(int button, int /*shift*/, int /*x*/, int /*y*/) {
  if (!IsTrue(isEnabled_)) return;
  if (button != fw::kLeftButton) return;
  buttonDown_ = kTrue;
  DrawFace(FaceImage::Pressed);
}

void Command::UserControl_MouseUp(int button, int /*shift*/, int /*x*/, int /*y*/) {
  if (!IsTrue(isEnabled_)) return;
  if (button == fw::kLeftButton) {
    buttonDown_ = kFalse;
    if (faceState_ == State::HighLight) DrawFace(FaceImage::Normal);
    if (faceState_ == State::HighLightSelect) DrawFace(FaceImage::HighLightSelect);
  }
  if (faceState_ != State::Selected && isEnabled_ == kTrue) RaiseClick();
}

void Command::UserControl_GotFocus() {
  if (!IsTrue(isEnabled_)) return;
  if (faceState_ != State::HighLight) {
    faceState_ = State::Selected;
    DrawFace(FaceImage::Selected);
  }
  if (faceState_ == State::HighLight) {
    faceState_ = State::HighLightSelect;
    DrawFace(FaceImage::Pressed);
  }
}

void Command::UserControl_LostFocus() {
  if (!IsTrue(isEnabled_)) return;
  if (faceState_ != State::Normal) {
    faceState_ = State::Normal;
    DrawFace(FaceImage::Normal);
  }
}

void Command::UserControl_Resize() { ApplyEnabledLook(); }

void Command::TmrMouse_Timer() {
  os::Point point{};
  os_.GetCursorPos(&point);
  const os::Handle under = os_.WindowFromPoint(point);
  const os::Handle parent = Parent() != nullptr ? Parent()->hWnd() : os::kNull;
  const os::Handle own = hWnd();
  // Over the parent, or over anything that is not the button's own window: the pointer has left.
  if (under == parent || under != own) HoverExit();
}

void Command::HoverExit() {
  if (!IsTrue(isEnabled_)) return;
  if (faceState_ == State::HighLight) {
    faceState_ = State::Normal;
    DrawFace(FaceImage::Normal);
  }
  if (faceState_ == State::HighLightSelect) {
    faceState_ = State::Selected;
    DrawFace(FaceImage::Selected);
  }
}

void Command::PerformClick() {
  if (IsTrue(isEnabled_)) RaiseClick();
}

void Command::RaiseClick() {
  // A copy, so that a handler may replace Click while it runs.
  const std::function<void()> handler = Click;
  if (handler) handler();
}

// --- Properties ----------------------------------------------------------------------------------

void Command::Announce(std::string_view property) {
  if (PropertyChanged) PropertyChanged(property);
}

void Command::SetCaptionColour(std::int32_t colour) {
  // Every signed 32-bit value is a colour in the platform's format: red, green and blue in the
  // low three bytes, or a system colour (0x80000000 | index) that the caption draws as the
  // system's current colour of that index.
  LblMsg.SetForeColour(std::bit_cast<fw::Colour>(colour));
}

std::uint8_t Command::GetVisible() {
  if (!opaque_) return 0;
  RefreshNormal();
  return 255;
}

void Command::LetVisible(std::uint8_t New_Visible) {
  if (New_Visible != 0) {
    opaque_ = true;
    RefreshNormal();
  } else {
    opaque_ = false;
  }
  Announce("Visible");
}

std::int32_t Command::GetFontColour() {
  const auto colour = std::bit_cast<std::int32_t>(LblMsg.ForeColour());
  RefreshNormal();
  return colour;
}

void Command::LetFontColour(std::int32_t New_FontColour) {
  SetCaptionColour(New_FontColour);
  RefreshNormal();
  Announce("FontColour");
}

void Command::FirstRunRule() {
  if (firstRun_ != 0) return;
  RefreshNormal();
  firstRun_ = 1;
  isEnabled_ = kTrue;
}

Bool16 Command::GetEnabled() {
  FirstRunRule();
  const Bool16 value = isEnabled_;
  ApplyEnabledLook();
  return value;
}

void Command::LetEnabled(Bool16 New_Enabled) {
  isEnabled_ = ToBool16(IsTrue(New_Enabled));
  Announce("Enabled");
  ApplyEnabledLook();
}

std::string Command::GetCaption() const { return LblMsg.Caption(); }

void Command::LetCaption(std::string New_Caption) {
  LblMsg.SetCaption(std::move(New_Caption));
  Announce("Caption");
}

fw::Font Command::GetFont() const { return LblMsg.GetFont(); }

void Command::SetCaptionHeight(int twips) {
  LblMsg.Resize(LblMsg.Width(), twips);
  PlaceCaption();
}

void Command::SetFont(const fw::Font& New_Font) {
  LblMsg.SetFont(New_Font);
  Announce("Font");
}

// --- Property store ------------------------------------------------------------------------------

void Command::UserControl_ReadProperties(const fw::PropertyBag& bag) {
  if (const auto enabled = bag.ReadBoolean("Enabled", true)) isEnabled_ = ToBool16(*enabled);
  if (const auto caption = bag.ReadText("Caption", "Command1")) LblMsg.SetCaption(*caption);
  if (const auto font = bag.ReadFont("Font", AmbientFont())) LblMsg.SetFont(*font);
  if (const auto firstRun = bag.ReadByte("FirstRun", 1)) firstRun_ = *firstRun;
  if (const auto colour = bag.ReadInt32("FontColour", 0)) SetCaptionColour(*colour);
  if (const auto visible = bag.ReadInt16("Visible", 1);
      visible && (*visible == 0 || *visible == 1)) {
    opaque_ = *visible == 1;
  }
  RefreshNormal();
}

void Command::UserControl_WriteProperties(fw::PropertyBag& bag) {
  bag.WriteBoolean("Enabled", IsTrue(isEnabled_), true);
  bag.WriteText("Caption", LblMsg.Caption(), "Command");
  bag.WriteByte("FirstRun", firstRun_, 1);
  bag.WriteFont("Font", LblMsg.GetFont(), AmbientFont());
  bag.WriteInt32("FontColour", std::bit_cast<std::int32_t>(LblMsg.ForeColour()), 0);
  bag.WriteInt16("Visible", opaque_ ? std::int16_t{1} : std::int16_t{0}, 1);
  RefreshNormal();
}

}  // namespace quarlo
