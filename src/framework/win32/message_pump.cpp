#include "framework/win32/message_pump.h"

#include <optional>

#include "framework/keyboard.h"
#include "framework/win32/form_peer.h"

namespace quarlo::fw::win32 {

namespace {

// The dialog keys the pump handles for a form, unless the control with the focus wants them.
std::optional<fw::Key> DialogKeyOf(WPARAM key, int shift) {
  switch (key) {
    case VK_TAB:
      return (shift & kShiftMask) != 0 ? fw::Key::BackTab : fw::Key::Tab;
    case VK_LEFT:
      return fw::Key::Left;
    case VK_RIGHT:
      return fw::Key::Right;
    case VK_UP:
      return fw::Key::Up;
    case VK_DOWN:
      return fw::Key::Down;
    case VK_RETURN:
      return fw::Key::Enter;
    case VK_ESCAPE:
      return fw::Key::Escape;
    case VK_SPACE:
      return fw::Key::Space;
    default:
      return std::nullopt;
  }
}

// What the control asks for itself (WM_GETDLGCODE, as the system's dialogs ask): an edit field
// its arrows and characters, an open drop-down list Enter and Escape.
bool ControlWants(fw::Key key, LRESULT code) {
  if ((code & DLGC_WANTALLKEYS) != 0) return true;
  switch (key) {
    case fw::Key::Tab:
    case fw::Key::BackTab:
      return (code & DLGC_WANTTAB) != 0;
    case fw::Key::Left:
    case fw::Key::Right:
    case fw::Key::Up:
    case fw::Key::Down:
      return (code & DLGC_WANTARROWS) != 0;
    case fw::Key::Space:
      return (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) != 0;
    default:
      return (code & DLGC_WANTMESSAGE) != 0;
  }
}

}  // namespace

bool MessagePump::PreTranslate(const MSG& message) {
  const UINT kind = message.message;
  if (kind != WM_KEYDOWN && kind != WM_SYSKEYDOWN && kind != WM_SYSCHAR) return false;
  FormPeer* peer = windows_.FormOfWindow(message.hwnd);
  if (peer == nullptr) return false;
  const HWND formWindow = peer->Window();
  if (kind == WM_SYSCHAR) {
    // The peer may be gone once a pressed control has run.
    const wchar_t typed = static_cast<wchar_t>(message.wParam);
    return typed < 0x80 && peer->Focus().AccessKey(formWindow, static_cast<char>(typed));
  }
  const int key = static_cast<int>(message.wParam);
  const int shift = ShiftState();
  if (kind == WM_SYSKEYDOWN && key == VK_MENU) peer->ShowCues(UISF_HIDEACCEL);
  const std::optional<fw::Key> dialogKey = DialogKeyOf(message.wParam, shift);
  if (kind == WM_KEYDOWN && dialogKey && (shift & (kCtrlMask | kAltMask)) == 0) {
    if (WindowPeer* control = windows_.ControlOf(message.hwnd);
        control && control->TakesDialogKey(*dialogKey)) {
      return true;
    }
    const LRESULT wants = SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam,
                                       reinterpret_cast<LPARAM>(&message));
    if (!ControlWants(*dialogKey, wants) && peer->Focus().Key(formWindow, *dialogKey)) {
      return true;
    }
  }
  Form& form = peer->GetForm();
  if (form.KeyPreview()) {
    try {
      form.Form_KeyDown(key, shift);
    } catch (...) {
      // A failing handler is a step that had no effect; the key goes on to its window.
    }
    // The handler may have unloaded the form; the message then goes nowhere.
    if (!IsWindow(message.hwnd)) return true;
  }
  return false;
}

void MessagePump::Pass() {
  // Sent messages (another program's WM_CLOSE, a host destroying a preview's pane) are handled
  // inside PeekMessageW; the pass ends when nothing is left to handle.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The blocking loops end on it. A frame loop goes on hearing its keys, mouse and timers:
      // it is ended by its own input, never left deaf.
      quit_ = true;
      continue;
    }
    if (!PreTranslate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    windows_.UnloadPending();
  }
  windows_.UnloadPending();
}

void MessagePump::PumpUntil(const std::function<bool()>& done) {
  Pass();
  while (!done() && !quit_) frames_.WaitAndPass(std::nullopt);
}

}  // namespace quarlo::fw::win32
