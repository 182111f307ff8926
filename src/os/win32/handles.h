#pragma once
// Conversions between the portable 32-bit handle values and the Win32 handle types.

#include <windows.h>

#include <algorithm>
#include <iterator>

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

inline Guid FromNative(const GUID& guid) {
  Guid portable{guid.Data1, guid.Data2, guid.Data3, {}};
  std::copy(std::begin(guid.Data4), std::end(guid.Data4), portable.data4);
  return portable;
}

inline GUID ToNative(const Guid& guid) {
  GUID native{guid.data1, guid.data2, guid.data3, {}};
  std::copy(std::begin(guid.data4), std::end(guid.data4), native.Data4);
  return native;
}

}  // namespace quarlo::os
