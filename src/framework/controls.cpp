#include "framework/controls.h"

#include <algorithm>

#include "framework/form.h"
#include "rules/numeric.h"

namespace quarlo::fw {

int TwipsToPixels(int twips, double twipsPerPixel) {
  if (!(twipsPerPixel > 0)) return 0;
  return ToInt32(twips / twipsPerPixel).value_or(0);
}

int PixelsToTwips(int pixels, double twipsPerPixel) {
  return ToInt32(pixels * twipsPerPixel).value_or(0);
}

Control::Control(Container* parent, std::string name, int index)
    : parent_(parent), name_(std::move(name)), index_(index) {
  if (parent_ != nullptr) {
    parent_->Adopt(this);
    parent_->OwnerForm().Register(this);
  }
}

Control::~Control() {
  if (parent_ != nullptr) {
    parent_->Release(this);
    parent_->OwnerForm().Unregister(this);
  }
}

Form& Control::OwnerForm() {
  Control* control = this;
  while (control->parent_ != nullptr) control = control->parent_;
  return static_cast<Form&>(*control);
}

void Control::Move(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Notify(Change::Geometry);
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Notify(Change::Visible);
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Notify(Change::Enabled);
}

os::Handle Control::hWnd() const { return peer_ ? peer_->Handle() : os::kNull; }

bool Control::TabStop() const { return tabStop_.value_or(!IsWindowless(*this)); }

void Container::Release(Control* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

namespace {
int ToPixels(int twips, double twipsPerPixel) { return TwipsToPixels(twips, twipsPerPixel); }
}  // namespace

int PictureBox::InnerWidthPixels() const {
  const int border = GetBorder() == Border::FixedSingle ? 2 : 0;
  auto& self = const_cast<PictureBox&>(*this);
  return std::max(ToPixels(Width(), self.OwnerForm().GetBackend().TwipsPerPixelX()) - border, 0);
}

int PictureBox::InnerHeightPixels() const {
  const int border = GetBorder() == Border::FixedSingle ? 2 : 0;
  auto& self = const_cast<PictureBox&>(*this);
  return std::max(ToPixels(Height(), self.OwnerForm().GetBackend().TwipsPerPixelY()) - border, 0);
}

int UserControl::InnerWidthPixels() const {
  auto& self = const_cast<UserControl&>(*this);
  return std::max(ToPixels(Width(), self.OwnerForm().GetBackend().TwipsPerPixelX()), 0);
}

int UserControl::InnerHeightPixels() const {
  auto& self = const_cast<UserControl&>(*this);
  return std::max(ToPixels(Height(), self.OwnerForm().GetBackend().TwipsPerPixelY()), 0);
}

int HScrollBar::Clamp(int value) const {
  return std::clamp(value, std::min(min_, max_), std::max(min_, max_));
}

void HScrollBar::SetRange(int min, int max, int smallChange, int largeChange) {
  min_ = min;
  max_ = max;
  smallChange_ = smallChange;
  largeChange_ = largeChange;
  value_ = Clamp(value_);
  Notify(Change::Range);
}

bool HScrollBar::SetValue(int value) {
  if (value < std::min(min_, max_) || value > std::max(min_, max_)) return false;
  if (value == value_) return true;
  value_ = value;
  Notify(Change::Value);
  if (Changed) Changed();
  return true;
}

void HScrollBar::RaiseScroll(int value) {
  if (!dragging_) {
    dragging_ = true;
    dragStart_ = value_;
  }
  value_ = Clamp(value);
  if (Scrolled) Scrolled();
}

void HScrollBar::EndScroll(int value) {
  const int before = dragging_ ? dragStart_ : value_;
  dragging_ = false;
  value_ = Clamp(value);
  Notify(Change::Value);
  if (value_ != before && Changed) Changed();
}

bool IsWindowless(const Control& control) {
  return dynamic_cast<const Label*>(&control) != nullptr ||
         dynamic_cast<const Image*>(&control) != nullptr ||
         dynamic_cast<const Shape*>(&control) != nullptr ||
         dynamic_cast<const Timer*>(&control) != nullptr;
}

Control* WindowlessChildAt(const Container& container, int x, int y) {
  const auto& children = container.Children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    Control* child = *it;
    const bool takesMouse =
        dynamic_cast<Label*>(child) != nullptr || dynamic_cast<Image*>(child) != nullptr;
    if (!takesMouse || !child->Visible() || !child->Enabled()) continue;
    if (x >= child->Left() && x < child->Left() + child->Width() && y >= child->Top() &&
        y < child->Top() + child->Height()) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace quarlo::fw
