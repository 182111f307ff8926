#pragma once
// Which peer owns which window, timer and form: the book-keeping of the Win32 backend, so that
// the one window procedure, the timers' messages and the message pump find their peers. Several
// forms (the saver's window on each monitor, say) are simply several entries. Private to the
// backend.

#include <windows.h>

#include <unordered_map>
#include <vector>

namespace quarlo::fw {

class Form;
class Timer;

namespace win32 {

class WindowPeer;
class FormPeer;

class WindowRegistry {
 public:
  void Register(HWND window, WindowPeer* peer) { windows_[window] = peer; }
  void Unregister(HWND window) { windows_.erase(window); }
  WindowPeer* PeerOf(HWND window) const;
  // The peer of the control the window belongs to: its own, or for a part a system control made
  // itself (a combo box's edit field) the control's.
  WindowPeer* ControlOf(HWND window) const;

  // A window timer's id, unique in the program, and the timer it belongs to.
  UINT_PTR AddTimer(Timer* timer);
  void RemoveTimer(UINT_PTR id) { timers_.erase(id); }
  Timer* TimerOf(UINT_PTR id) const;

  void AddForm(FormPeer* form) { forms_.push_back(form); }
  void RemoveForm(FormPeer* form);
  // The nearest of our forms among the window and its ancestors (a preview's form is the child
  // of another program's window).
  FormPeer* FormOfWindow(HWND window) const;
  // Forms whose window exists.
  int LiveForms() const;

  // A form whose window was destroyed from outside is unloaded from the message pump, outside
  // the window procedure that learnt of it.
  void UnloadLater(Form& form);
  void UnloadPending();

 private:
  std::unordered_map<HWND, WindowPeer*> windows_;
  std::unordered_map<UINT_PTR, Timer*> timers_;
  UINT_PTR nextTimerId_ = 0x5100;
  std::vector<FormPeer*> forms_;
  std::vector<Form*> pendingUnloads_;
};

}  // namespace win32
}  // namespace quarlo::fw
