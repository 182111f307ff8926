#pragma once
// What the keys of a dialog do, as Windows dialogs behave: Tab and Shift+Tab move the focus
// along the stops in reading order; a run of radio buttons is one stop, entered at the chosen
// one, whose arrow keys move the choice, and so is a run of list items, entered at the first,
// whose arrow keys move the focus; Space presses the focused button, box, option or link;
// Enter presses the focused button or link, else the form's default button; Escape presses its
// cancel button; Alt with a letter goes to the control whose caption marks that letter (and
// presses a button, box or option), or from a text to the first stop after it. The platform asks
// only when the control with the focus does not want the key itself (an open drop-down list
// wants Enter and Escape, an edit field its arrows), and carries out the outcome.

#include <functional>
#include <optional>
#include <vector>

#include "framework/form.h"

namespace quarlo::fw {

enum class Key { Tab, BackTab, Left, Right, Up, Down, Enter, Escape, Space };

// Whether the platform can give the control the focus now (visible, enabled, and so on).
using Eligible = std::function<bool(const Control&)>;

struct KeyOutcome {
  Control* focus = nullptr;  // takes the focus
  Control* press = nullptr;  // then is pressed (PerformClick)
};

// Every control of the form in reading order: by TabIndex, those without one after the others,
// in creation order among equals.
std::vector<Control*> ReadingOrder(const Form& form);

// nullopt when the key means nothing here and goes on to the control.
std::optional<KeyOutcome> DialogKey(const Form& form, const Control* focused, Key key,
                                    const Eligible& eligible);
std::optional<KeyOutcome> AccessKey(const Form& form, char letter, const Eligible& eligible);

}  // namespace quarlo::fw
