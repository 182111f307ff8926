#pragma once
// Our window-and-control layer: forms and the controls they hold, described portably. A form
// subclass declares its controls as members in creation order and wires their events to its
// handlers (Form_Load, HS_Fast_Change, ...). A Backend gives every control a peer, its platform
// side (framework/win32 realises them with windows and GDI), which raises the control's events.
//
// Geometry is in twips relative to the control's container (15 twips per pixel at 96 dpi).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/picture.h"
#include "os/os.h"

namespace quarlo::fw {

class Backend;
class Container;
class Form;

struct Font {
  std::string name = "ＭＳ Ｐゴシック";
  double size = 9.75;  // points
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = 128;
  friend bool operator==(const Font&, const Font&) = default;
};

// What changed on a control, so that its peer updates only that.
enum class Change {
  Geometry,
  Visible,
  Enabled,
  Caption,
  Font,
  ForeColour,
  BackColour,
  Picture,
  Value,
  Range,
  Text,
  Items,
  Cursor,
  Style,
  Focus,
  State  // checked or not
};

// What a control is to assistive technology (a screen reader), in the roles Windows names.
// Default takes its kind's own (RoleOf in framework/accessible.h).
enum class Role {
  Default,
  None,  // not told of: part of what another control shows
  Client,
  Dialog,
  Text,
  PushButton,
  RadioButton,
  CheckBox,
  Link,
  Slider,
  ComboBox,
  List,     // a read-only list; its items are its children
  ListItem  // a run of them is one tab stop whose arrows move the focus, as in a list box
};

// The text a control shows, and whether an "&" in it marks an access key ("&&" shows one "&").
struct CaptionText {
  std::string text;
  bool mnemonics = false;
};

// Mouse buttons as the handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// Modifier keys as the key and mouse handlers receive them (the shift argument).
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Twips to whole pixels and back (the nearest pixel, a half going to the even one).
int TwipsToPixels(int twips, double twipsPerPixel);
int PixelsToTwips(int pixels, double twipsPerPixel);

// The platform side of one control.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void Update(Change what) = 0;
  virtual os::Handle Handle() const { return os::kNull; }
  // The back buffer of a drawable control (form, picture box, user control); null otherwise.
  virtual Surface* DrawingSurface() { return nullptr; }
  // The inside (client area) of a window in twips; nullopt means "the control's own size".
  virtual std::optional<Size> ClientSizeTwips() const { return std::nullopt; }
  // What a window's frame and caption add to its client size, in twips.
  virtual Size FrameSizeTwips() const { return {}; }
};

class Control {
 public:
  Control(Container* parent, std::string name, int index = -1);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // -1 unless the control is one of an indexed group
  // The type the program recognises a control by ("Label", "Quarlo.Command", ...).
  virtual std::string_view TypeName() const = 0;
  Container* Parent() const { return parent_; }
  Form& OwnerForm();

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Move(int left, int top, int width, int height);
  void Move(int left, int top) { Move(left, top, width_, height_); }
  void Resize(int width, int height) { Move(left_, top_, width, height); }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Position in the form's reading order, which Tab follows among the stops and assistive
  // technology among all controls; -1 after the others. A label's access key goes to the first
  // stop after it.
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int index) { tabIndex_ = index; }
  // Whether Tab stops at the control: one with a window of its own does unless told otherwise; a
  // windowless one once told so (its container then holds the keyboard for it and draws its focus).
  // Set before the form loads.
  bool TabStop() const;
  void SetTabStop(bool on) { tabStop_ = on; }

  // --- What assistive technology and the keyboard are told -----------------------------------
  Role GetRole() const { return role_; }
  void SetRole(Role role) { role_ = role; }
  // The mark of a radio button or a check box is set. The form draws the mark; this tells it.
  bool Checked() const { return checked_; }
  void SetChecked(bool on) { Assign(checked_, on, Change::State); }
  // A name for a control whose caption says too little ("..."); empty: the caption is the name.
  const std::string& AccessibleName() const { return accessibleName_; }
  void SetAccessibleName(std::string name) { accessibleName_ = std::move(name); }
  virtual CaptionText OwnCaption() const { return {}; }
  // Whether the control reacts now; a user control may have its own say.
  virtual bool Available() const { return Enabled(); }
  // A click that comes from the keyboard or from assistive technology.
  virtual void PerformClick() { RaiseClick(); }

  // The control's window handle; 0 for windowless controls and in the headless backend.
  os::Handle hWnd() const;
  ControlPeer* Peer() const { return peer_.get(); }
  void AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }

  // Events every control may raise; the peers call Raise*.
  std::function<void()> Click;
  void RaiseClick() {
    if (Click && enabled_) Click();
  }

 protected:
  void Notify(Change what) {
    if (peer_) peer_->Update(what);
  }
  // Sets a property's field and tells the peer what changed.
  template <typename T, typename V>
  void Assign(T& field, V&& value, Change what) {
    field = std::forward<V>(value);
    Notify(what);
  }

 private:
  Container* parent_;
  std::string name_;
  int index_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  int tabIndex_ = -1;
  std::optional<bool> tabStop_;
  Role role_ = Role::Default;
  bool checked_ = false;
  std::string accessibleName_;
  std::unique_ptr<ControlPeer> peer_;
};

// A control that holds other controls, in the order they were created.
class Container : public Control {
 public:
  using Control::Control;
  const std::vector<Control*>& Children() const { return children_; }
  void Adopt(Control* child) { children_.push_back(child); }
  void Release(Control* child);
  // The drawing surface of the container's back buffer (persistent, in pixels).
  Surface* DrawingSurface() const { return Peer() ? Peer()->DrawingSurface() : nullptr; }
  Colour BackColour() const { return backColour_; }
  void SetBackColour(Colour colour) { Assign(backColour_, colour, Change::BackColour); }

 private:
  std::vector<Control*> children_;
  Colour backColour_ = Rgb(0xEC, 0xE9, 0xD8);
};

enum class Alignment { Left, Centre, Right };
enum class Border { None, FixedSingle };

class Label : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "Label"; }
  // Inside a UserControl a label's mouse events go to the control's UserControl_Mouse*
  // handlers instead of its own (a caption is part of the control's face).

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { Assign(caption_, std::move(caption), Change::Caption); }
  CaptionText OwnCaption() const override { return {caption_, useMnemonic_}; }
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font) { Assign(font_, font, Change::Font); }
  Colour ForeColour() const { return foreColour_; }
  void SetForeColour(Colour colour) { Assign(foreColour_, colour, Change::ForeColour); }
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment a) { Assign(alignment_, a, Change::Style); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on) { Assign(autoSize_, on, Change::Style); }
  Border GetBorder() const { return border_; }
  void SetBorder(Border b) { Assign(border_, b, Change::Style); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { Assign(transparent_, on, Change::Style); }
  // The background of an opaque label.
  Colour BackColour() const { return backColour_; }
  void SetBackColour(Colour colour) { Assign(backColour_, colour, Change::BackColour); }
  // False shows ampersands literally instead of as access-key marks.
  bool UseMnemonic() const { return useMnemonic_; }
  void SetUseMnemonic(bool on) { Assign(useMnemonic_, on, Change::Style); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on) { Assign(wordWrap_, on, Change::Style); }
  // Drawn with the platform's greyed, disabled-text look.
  bool Greyed() const { return greyed_; }
  void SetGreyed(bool on) { Assign(greyed_, on, Change::Style); }
  // A cursor resource of the program shown over the label; 0 for the default arrow.
  int CursorResource() const { return cursorResource_; }
  void SetCursorResource(int id) { Assign(cursorResource_, id, Change::Cursor); }

  // Mouse events of a windowless label (button, shift, x, y in twips).
  std::function<void(int, int, int, int)> MouseDown, MouseMove, MouseUp;

 private:
  std::string caption_;
  Font font_;
  Colour foreColour_ = 0;
  Alignment alignment_ = Alignment::Left;
  bool autoSize_ = false;
  Border border_ = Border::None;
  bool transparent_ = true;
  Colour backColour_ = Rgb(0xEC, 0xE9, 0xD8);
  bool useMnemonic_ = true;
  bool wordWrap_ = false;
  bool greyed_ = false;
  int cursorResource_ = 0;
};

// An image control: shows a picture at its own size from the top-left corner.
class Image : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "Image"; }
  const PicturePtr& GetPicture() const { return picture_; }
  void SetPicture(PicturePtr picture) { Assign(picture_, std::move(picture), Change::Picture); }

 private:
  PicturePtr picture_;
};

// A rectangle outline.
class Shape : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "Shape"; }
  Colour BorderColour() const { return borderColour_; }
  void SetBorderColour(Colour colour) { Assign(borderColour_, colour, Change::ForeColour); }

 private:
  Colour borderColour_ = 0;
};

// A drawable child area that may hold controls. Its back buffer persists; drawing goes into it
// and Present puts it on the screen. A picture assigned to it is drawn from its top-left corner.
class PictureBox : public Container {
 public:
  using Container::Container;
  std::string_view TypeName() const override { return "PictureBox"; }
  const PicturePtr& GetPicture() const { return picture_; }
  void SetPicture(PicturePtr picture) { Assign(picture_, std::move(picture), Change::Picture); }
  Border GetBorder() const { return border_; }
  void SetBorder(Border b) { Assign(border_, b, Change::Style); }
  // Width and height of the drawable inside, in pixels.
  int InnerWidthPixels() const;
  int InnerHeightPixels() const;

  std::function<void(int, int, int, int)> MouseDown, MouseMove, MouseUp;

 private:
  PicturePtr picture_;
  Border border_ = Border::None;
};

class HScrollBar : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "HScrollBar"; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }
  int SmallChange() const { return smallChange_; }
  int LargeChange() const { return largeChange_; }
  void SetRange(int min, int max, int smallChange, int largeChange);
  // Moves the thumb; outside Min..Max it fails (returns false) and nothing changes. A moved
  // position raises Change.
  bool SetValue(int value);
  // The user dragging the thumb: the position follows and Scroll is raised.
  void RaiseScroll(int value);
  // The user let go of the thumb at `value`: Change is raised when the position differs from
  // where the drag began (or, without a drag, from the current position).
  void EndScroll(int value);

  std::function<void()> Changed;   // the position has changed
  std::function<void()> Scrolled;  // the thumb is being dragged

 private:
  int Clamp(int value) const;

  int min_ = 0, max_ = 32767, value_ = 0, smallChange_ = 1, largeChange_ = 1;
  bool dragging_ = false;
  int dragStart_ = 0;
};

// A drop-down list with an editable text field.
class ComboBox : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "ComboBox"; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { Assign(text_, std::move(text), Change::Text); }
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(std::string item) {
    items_.push_back(std::move(item));
    Notify(Change::Items);
  }
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font) { Assign(font_, font, Change::Font); }
  // The user typed or picked a text (called by the backend); raises Changed.
  void TextEdited(std::string text) {
    text_ = std::move(text);
    if (Changed) Changed();
  }
  std::function<void()> Changed;

 private:
  std::string text_;
  std::vector<std::string> items_;
  Font font_;
};

// A window timer owned by its form; ticks arrive from the message loop.
class Timer : public Control {
 public:
  using Control::Control;
  std::string_view TypeName() const override { return "Timer"; }
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms) { Assign(interval_, ms, Change::Value); }
  bool TimerEnabled() const { return Enabled(); }
  std::function<void()> Tick;
  void RaiseTick() {
    if (Tick && Enabled() && interval_ > 0) Tick();
  }

 private:
  std::uint32_t interval_ = 0;
};

// The base of custom controls that draw themselves in their own window (the image button).
// The window takes part in the tab order and receives the focus when clicked, but no key ever
// activates it. Its back buffer is shown again on every exposure; it is redrawn only by the
// control itself. UserControl_Resize runs once the form has created its windows (before
// Form_Load) and after every change of size.
class UserControl : public Container {
 public:
  using Container::Container;
  // Events from the control's own window (button, shift, x and y in twips).
  virtual void UserControl_MouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void UserControl_MouseMove(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void UserControl_MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void UserControl_GotFocus() {}
  virtual void UserControl_LostFocus() {}
  virtual void UserControl_Resize() {}
  // Width and height of the drawable inside, in pixels.
  int InnerWidthPixels() const;
  int InnerHeightPixels() const;
};

// Labels, images, shapes and timers have no window of their own: their container draws them
// (timers draw nothing) and passes them its mouse events.
bool IsWindowless(const Control& control);

// The windowless control of the container under a point given in twips from the container's
// inside top-left corner: a label or an image (shapes take no mouse), visible and enabled, the
// last created on top. nullptr when the point is over none of them.
Control* WindowlessChildAt(const Container& container, int x, int y);

}  // namespace quarlo::fw
