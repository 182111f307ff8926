#pragma once
// What assistive technology (a screen reader) is told of a form's controls: each one's role,
// name, value and state, and the order it meets them in. The names follow what Windows tells of
// its own controls: a control's caption without its access-key mark, or, for a control without
// a caption of its own (a combo box, a scroll bar), the text just before it in reading order.
// The platform answers the reader's questions from these (framework/win32/accessible_object.*)
// and adds what only it knows: which control has the keyboard, and where each one is.

#include <string>
#include <string_view>
#include <vector>

#include "framework/controls.h"

namespace quarlo::fw {

struct Description {
  Role role = Role::None;
  std::string name;
  std::string value;     // a slider's position, a combo box's text
  std::string shortcut;  // "Alt+e" for a caption with "&e"
  bool checked = false;
  bool unavailable = false;
  bool focusable = false;
  bool isDefault = false;  // the form's default button
  bool invisible = false;
};

// The role of a control, its kind's own when it has none set: a label is text, a scroll bar a
// slider, a combo box a combo box, a form or a picture box a client area, a user control a
// client area unless it says more; images, shapes, timers and blank windows are not told of.
Role RoleOf(const Control& control);
Description Describe(const Control& control);

// The children a container tells of, in reading order: those with a role, but none of a user
// control's (its caption is part of its face).
std::vector<Control*> AccessibleChildren(const Container& container);
// The child's number among those (1 for the first); 0 when the container does not tell of it.
int AccessibleChildNumber(const Container& container, const Control& child);

// A caption as it reads: without its access-key marks ("&&" reads as "&").
std::string WithoutMnemonics(std::string_view text);
// The character after the access-key mark, or '\0'.
char AccessKeyOf(const CaptionText& caption);

}  // namespace quarlo::fw
