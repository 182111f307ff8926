#include "framework/win32/gdi.h"

namespace quarlo::fw::gdi {

PicturePtr MakeDibPicture(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto dib = std::make_shared<Dib>();
  if (!dib->dc) return nullptr;
  const BITMAPINFO info = TopDownDibInfo(width, height);
  void* bits = nullptr;
  dib->bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib->bitmap || bits == nullptr) return nullptr;
  dib->bits = static_cast<std::uint32_t*>(bits);
  dib->previous = SelectObject(dib->dc.Get(), dib->bitmap.Get());
  // The DC's defaults for every drawing into it: nearest-pixel stretching, no brush origin games.
  SetStretchBltMode(dib->dc.Get(), COLORONCOLOR);
  // Native() answers the DC; the aliasing pointer keeps the whole Dib alive.
  std::shared_ptr<void> native(dib, static_cast<void*>(dib->dc.Get()));
  return std::make_shared<Picture>(width, height, dib->bits, std::move(native));
}

BITMAPINFO TopDownDibInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

HDC DibDc(const Picture& picture) {
  HDC dc = static_cast<HDC>(picture.Native());
  if (dc == nullptr || GetObjectType(dc) != OBJ_MEMDC) return nullptr;
  return dc;
}

}  // namespace quarlo::fw::gdi
