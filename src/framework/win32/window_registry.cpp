#include "framework/win32/window_registry.h"

#include <algorithm>

#include "framework/win32/form_peer.h"

namespace quarlo::fw::win32 {

WindowPeer* WindowRegistry::PeerOf(HWND window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second;
}

WindowPeer* WindowRegistry::ControlOf(HWND window) const {
  for (HWND at = window; at != nullptr; at = GetParent(at)) {
    if (WindowPeer* peer = PeerOf(at)) return peer;
  }
  return nullptr;
}

UINT_PTR WindowRegistry::AddTimer(Timer* timer) {
  const UINT_PTR id = nextTimerId_++;
  timers_[id] = timer;
  return id;
}

Timer* WindowRegistry::TimerOf(UINT_PTR id) const {
  const auto it = timers_.find(id);
  return it == timers_.end() ? nullptr : it->second;
}

void WindowRegistry::RemoveForm(FormPeer* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  Form* gone = &form->GetForm();
  pendingUnloads_.erase(std::remove(pendingUnloads_.begin(), pendingUnloads_.end(), gone),
                        pendingUnloads_.end());
}

FormPeer* WindowRegistry::FormOfWindow(HWND window) const {
  for (HWND at = window; at != nullptr; at = GetParent(at)) {
    for (FormPeer* form : forms_) {
      if (form->Window() == at) return form;
    }
  }
  return nullptr;
}

int WindowRegistry::LiveForms() const {
  return static_cast<int>(std::count_if(forms_.begin(), forms_.end(),
                                        [](const FormPeer* f) { return f->Window() != nullptr; }));
}

void WindowRegistry::UnloadLater(Form& form) {
  if (std::find(pendingUnloads_.begin(), pendingUnloads_.end(), &form) == pendingUnloads_.end()) {
    pendingUnloads_.push_back(&form);
  }
}

void WindowRegistry::UnloadPending() {
  while (!pendingUnloads_.empty()) {
    Form* form = pendingUnloads_.back();
    pendingUnloads_.pop_back();
    form->Unload();
  }
}

}  // namespace quarlo::fw::win32
