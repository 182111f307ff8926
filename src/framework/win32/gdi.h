#pragma once
// Owners for GDI objects: each releases its object exactly once, and a selection guard puts
// back what was selected before. Also the 32-bit top-down DIB sections that pictures and back
// buffers live in, each with a memory DC that keeps its bitmap selected.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "framework/picture.h"

namespace quarlo::fw::gdi {

// A GDI object (bitmap, font) deleted with DeleteObject.
template <typename H>
class Object {
 public:
  Object() = default;
  explicit Object(H handle) : handle_(handle) {}
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  Object(Object&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Object& operator=(Object&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ~Object() { Reset(); }

  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(H handle = nullptr) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  H handle_ = nullptr;
};

using Bitmap = Object<HBITMAP>;
using Font = Object<HFONT>;

// A memory DC made with CreateCompatibleDC, deleted with DeleteDC.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint ... EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(window_, &paint_); }
  HDC Get() const { return dc_; }
  const RECT& Area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// Selects an object into a DC for the guard's lifetime.
class Select {
 public:
  Select(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  Select(const Select&) = delete;
  Select& operator=(const Select&) = delete;
  ~Select() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves the DC's state (clipping, modes, colours, origin) and restores it at the end.
class SavedState {
 public:
  explicit SavedState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;
  ~SavedState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }

 private:
  HDC dc_;
  int saved_;
};

// A 32-bit top-down DIB section selected into its own memory DC: the native side of a Picture.
// Picture::Native() of such a picture is its DC (see DibDc).
struct Dib {
  MemoryDc dc;
  Bitmap bitmap;
  HGDIOBJ previous = nullptr;
  std::uint32_t* bits = nullptr;
  ~Dib() {
    if (previous != nullptr) SelectObject(dc.Get(), previous);
  }
};

// A black picture of the given size over a new DIB section; nullptr when the size is empty or
// the system refuses the bitmap.
PicturePtr MakeDibPicture(int width, int height);

// The header of a top-down 32-bit DIB of the given size, the layout of every Picture's pixels.
BITMAPINFO TopDownDibInfo(int width, int height);

// The memory DC of a picture made by MakeDibPicture (or by LoadPicture); nullptr for a picture
// that lives in plain memory.
HDC DibDc(const Picture& picture);

}  // namespace quarlo::fw::gdi
