#pragma once
// Conversions between the portable 32-bit handle values and the Win32 handle types.

#include <windows.h>

#include "os/os.h"

namespace quarlo::os {

template <typename H>
H ToNative(Handle handle) {
  return reinterpret_cast<H>(static_cast<INT_PTR>(handle));
}

template <typename H>
Handle FromNative(H handle) {
  return static_cast<Handle>(reinterpret_cast<INT_PTR>(handle));
}

inline HWND ToHwnd(Handle handle) { return ToNative<HWND>(handle); }

}  // namespace quarlo::os
