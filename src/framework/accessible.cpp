#include "framework/accessible.h"

#include <algorithm>

#include "framework/form.h"
#include "framework/keyboard.h"

namespace quarlo::fw {
namespace {

// The text just before the control in reading order: Windows names a system control without a
// caption of its own (and gives it the access key) after the text in front of it.
CaptionText CaptionBefore(const Control& control) {
  auto& self = const_cast<Control&>(control);
  const std::vector<Control*> order = ReadingOrder(self.OwnerForm());
  auto at = std::find(order.begin(), order.end(), &control);
  while (at != order.begin()) {
    --at;
    if (RoleOf(**at) == Role::Text && (*at)->Visible()) return (*at)->OwnCaption();
  }
  return {};
}

// The caption a control is read by: its own, or for a combo box or a slider the one before it.
CaptionText ReadCaption(const Control& control, Role role) {
  const CaptionText own = control.OwnCaption();
  if (own.text.empty() && (role == Role::ComboBox || role == Role::Slider)) {
    return CaptionBefore(control);
  }
  return own;
}

}  // namespace

Role RoleOf(const Control& control) {
  if (control.GetRole() != Role::Default) return control.GetRole();
  if (dynamic_cast<const Label*>(&control) != nullptr) return Role::Text;
  if (dynamic_cast<const HScrollBar*>(&control) != nullptr) return Role::Slider;
  if (dynamic_cast<const ComboBox*>(&control) != nullptr) return Role::ComboBox;
  if (dynamic_cast<const Container*>(&control) != nullptr) return Role::Client;
  return Role::None;
}

Description Describe(const Control& control) {
  Description d;
  d.role = RoleOf(control);
  const CaptionText caption = ReadCaption(control, d.role);
  d.name = !control.AccessibleName().empty() ? control.AccessibleName()
           : caption.mnemonics               ? WithoutMnemonics(caption.text)
                                             : caption.text;
  if (const auto* bar = dynamic_cast<const HScrollBar*>(&control)) {
    d.value = std::to_string(bar->Value());
  } else if (const auto* combo = dynamic_cast<const ComboBox*>(&control)) {
    d.value = combo->Text();
  }
  if (const char key = AccessKeyOf(caption)) d.shortcut = std::string("Alt+") + key;
  d.checked = control.Checked();
  d.unavailable = !control.Available();
  d.focusable = control.TabStop();
  auto& self = const_cast<Control&>(control);
  d.isDefault = self.Parent() != nullptr && self.OwnerForm().DefaultButton() == &control;
  d.invisible = !control.Visible();
  return d;
}

std::vector<Control*> AccessibleChildren(const Container& container) {
  std::vector<Control*> children;
  if (dynamic_cast<const UserControl*>(&container) != nullptr) return children;
  for (Control* child : container.Children()) {
    if (RoleOf(*child) != Role::None) children.push_back(child);
  }
  std::stable_sort(children.begin(), children.end(), [](const Control* a, const Control* b) {
    return ReadingPosition(*a) < ReadingPosition(*b);
  });
  return children;
}

int AccessibleChildNumber(const Container& container, const Control& child) {
  const std::vector<Control*> children = AccessibleChildren(container);
  const auto at = std::find(children.begin(), children.end(), &child);
  return at == children.end() ? 0 : static_cast<int>(at - children.begin()) + 1;
}

std::string WithoutMnemonics(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain.push_back(text[i]);
  }
  return plain;
}

char AccessKeyOf(const CaptionText& caption) {
  if (!caption.mnemonics) return '\0';
  const std::string& text = caption.text;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return text[i + 1];
    ++i;
  }
  return '\0';
}

}  // namespace quarlo::fw
