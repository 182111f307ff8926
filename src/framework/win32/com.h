#pragma once
// COM for the backend: one interface held and released, and the thread's apartment, entered at
// the first need (decoding a picture, answering assistive technology) and left with the backend.
// Private to the backend.

#include <objbase.h>

namespace quarlo::fw::win32 {

// Holds one COM interface and releases it.
template <typename T>
class Com {
 public:
  Com() = default;
  // Takes over a reference already counted for the holder.
  explicit Com(T* taken) : pointer_(taken) {}
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  T* operator->() const { return pointer_; }
  T* Get() const { return pointer_; }
  T** Out() { return &pointer_; }
  void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  T* pointer_ = nullptr;
};

class ComApartment {
 public:
  ComApartment() = default;
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  // False when the thread cannot have a single-threaded apartment (it has another kind already,
  // which serves as well: true then).
  bool Enter() {
    if (entered_) return true;
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already entered on this thread, which still has to be balanced.
    entered_ = SUCCEEDED(result);
    return entered_ || result == RPC_E_CHANGED_MODE;
  }

 private:
  bool entered_ = false;
};

}  // namespace quarlo::fw::win32
