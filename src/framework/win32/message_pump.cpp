#include "framework/win32/message_pump.h"

#include "framework/win32/form_peer.h"

namespace quarlo::fw::win32 {

bool MessagePump::PreTranslate(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  FormPeer* peer = windows_.FormOfWindow(message.hwnd);
  if (peer == nullptr) return false;
  const int key = static_cast<int>(message.wParam);
  const int shift = ShiftState();
  if (message.message == WM_KEYDOWN && key == VK_TAB && (shift & (kCtrlMask | kAltMask)) == 0) {
    const LRESULT wants = SendMessageW(message.hwnd, WM_GETDLGCODE, static_cast<WPARAM>(key),
                                       reinterpret_cast<LPARAM>(&message));
    if ((wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) == 0 &&
        peer->MoveFocus((shift & kShiftMask) != 0)) {
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
