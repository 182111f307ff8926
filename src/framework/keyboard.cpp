#include "framework/keyboard.h"

#include <algorithm>
#include <cctype>

#include "framework/accessible.h"

namespace quarlo::fw {
namespace {

bool IsRadio(const Control& control) { return RoleOf(control) == Role::RadioButton; }

// Radio buttons and list items go in runs that Tab stops at once and the arrows move along.
bool InRun(const Control& control) {
  return IsRadio(control) || RoleOf(control) == Role::ListItem;
}

// The run of like controls in one container, next to each other in reading order, that holds
// `member`.
std::vector<Control*> GroupOf(const Form& form, const Control& member) {
  const std::vector<Control*> order = ReadingOrder(form);
  const auto at = std::find(order.begin(), order.end(), &member);
  if (at == order.end() || !InRun(member)) return {};
  const auto together = [&](const Control* c) {
    return RoleOf(*c) == RoleOf(member) && c->Parent() == member.Parent();
  };
  auto first = at;
  while (first != order.begin() && together(*(first - 1))) --first;
  auto last = at;
  while (last + 1 != order.end() && together(*(last + 1))) ++last;
  return std::vector<Control*>(first, last + 1);
}

// Tab enters a run at its chosen member, or at its first when none is chosen.
bool EntersGroup(const Form& form, const Control& control, const Eligible& eligible) {
  if (!InRun(control)) return true;
  const std::vector<Control*> group = GroupOf(form, control);
  const auto chosen = std::find_if(group.begin(), group.end(),
                                   [&](const Control* c) { return c->Checked() && eligible(*c); });
  if (chosen != group.end()) return *chosen == &control;
  const auto first =
      std::find_if(group.begin(), group.end(), [&](const Control* c) { return eligible(*c); });
  return first != group.end() && *first == &control;
}

// An arrow moves along the run, round at its ends; a radio button it reaches is chosen.
std::optional<KeyOutcome> WithinGroup(const Form& form, const Control& focused, bool forwards,
                                      const Eligible& eligible) {
  const std::vector<Control*> group = GroupOf(form, focused);
  const auto at = std::find(group.begin(), group.end(), &focused);
  if (at == group.end()) return std::nullopt;
  const std::size_t count = group.size();
  std::size_t index = static_cast<std::size_t>(at - group.begin());
  for (std::size_t step = 1; step < count; ++step) {
    index = forwards ? (index + 1) % count : (index + count - 1) % count;
    if (eligible(*group[index])) {
      return KeyOutcome{group[index], IsRadio(*group[index]) ? group[index] : nullptr};
    }
  }
  return std::nullopt;
}

bool Pressable(const Control* control) {
  if (control == nullptr) return false;
  const Role role = RoleOf(*control);
  return role == Role::PushButton || role == Role::CheckBox || role == Role::RadioButton ||
         role == Role::Link;
}

std::optional<KeyOutcome> Press(Control* button) {
  if (button == nullptr || !button->Available()) return std::nullopt;
  return KeyOutcome{nullptr, button};
}

}  // namespace

std::vector<Control*> ReadingOrder(const Form& form) {
  return TabOrder(form, [](const Control&) { return true; });
}

std::optional<KeyOutcome> DialogKey(const Form& form, const Control* focused, Key key,
                                    const Eligible& eligible) {
  auto* current = const_cast<Control*>(focused);
  switch (key) {
    case Key::Tab:
    case Key::BackTab: {
      // Tab leaves the run it is in from wherever in the run the focus stands.
      const std::vector<Control*> run =
          focused != nullptr ? GroupOf(form, *focused) : std::vector<Control*>{};
      const auto stop = [&](const Control& c) {
        if (std::find(run.begin(), run.end(), &c) != run.end()) return &c == focused;
        return c.TabStop() && eligible(c) && EntersGroup(form, c, eligible);
      };
      Control* next = NextInTabOrder(form, focused, key == Key::BackTab, stop);
      if (next == nullptr) return std::nullopt;
      return KeyOutcome{next, nullptr};
    }
    case Key::Left:
    case Key::Up:
    case Key::Right:
    case Key::Down:
      if (focused == nullptr || !InRun(*focused)) return std::nullopt;
      return WithinGroup(form, *focused, key == Key::Right || key == Key::Down, eligible);
    case Key::Space:
      if (!Pressable(focused)) return std::nullopt;
      return Press(current);
    case Key::Enter: {
      const Role role = focused != nullptr ? RoleOf(*focused) : Role::None;
      if (role == Role::PushButton || role == Role::Link) return Press(current);
      return Press(form.DefaultButton());
    }
    case Key::Escape:
      return Press(form.CancelButton());
  }
  return std::nullopt;
}

std::optional<KeyOutcome> AccessKey(const Form& form, char letter, const Eligible& eligible) {
  const auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  const std::vector<Control*> order = ReadingOrder(form);
  for (auto at = order.begin(); at != order.end(); ++at) {
    Control& control = **at;
    const char key = AccessKeyOf(control.OwnCaption());
    if (key == '\0' || !same(key, letter) || !control.Visible() || !control.Available()) continue;
    if (control.TabStop() && eligible(control)) {
      return KeyOutcome{&control, Pressable(&control) ? &control : nullptr};
    }
    // A text: the first stop after it, which it names.
    const auto next = std::find_if(at + 1, order.end(),
                                   [&](const Control* c) { return c->TabStop() && eligible(*c); });
    if (next != order.end()) return KeyOutcome{*next, nullptr};
  }
  return std::nullopt;
}

}  // namespace quarlo::fw
