#pragma once
// Active Accessibility for our windows: the IAccessible a window answers WM_GETOBJECT with, read
// by screen readers from their own process. A canvas (form, picture box, user control) speaks for
// its control and tells of its children in reading order: the windowless ones (labels drawn by
// it) as its own simple elements, the ones with windows as their windows' objects. A system
// control (scroll bar, combo box) keeps the system's standard object and only takes the name,
// role and value the framework gives its control (framework/accessible.h). Private to the
// backend.

#include <windows.h>

#include <memory>
#include <optional>

namespace quarlo::fw::win32 {

class WindowPeer;

// Which peer an object speaks for; emptied when the peer goes, so that a reader holding the
// object learns that it is gone instead of reaching a peer that no longer exists.
struct AccessLink {
  WindowPeer* peer = nullptr;
};

// Posted to a canvas by an object asked for a child's default action (wParam: the child, 0 for
// the canvas itself): carried out once the reader's call has returned, so that what the action
// opens (the file chooser) runs in the program's own loop.
inline constexpr UINT kWmAccessibleAction = WM_APP + 0x51;

// The answer to WM_GETOBJECT sent to `window`: for OBJID_CLIENT an object that speaks for the
// peer's control. `window` is the peer's own, or a part of a system control (a combo box's edit
// field), whose standard object then takes only the control's name. nullopt: the system answers.
std::optional<LRESULT> AnswerGetObject(WindowPeer& peer, const std::shared_ptr<AccessLink>& link,
                                       HWND window, WPARAM wParam, LPARAM lParam);

// Tells readers that a windowless child of a canvas changed (EVENT_OBJECT_FOCUS,
// EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE); child 0 is the canvas itself.
void NotifyChild(DWORD event, HWND canvas, LONG child);

}  // namespace quarlo::fw::win32
