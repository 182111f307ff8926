#include "framework/win32/pictures.h"

#include <objbase.h>
#include <wincodec.h>

#include "framework/win32/com.h"
#include "framework/win32/gdi.h"

namespace quarlo::fw::win32 {
namespace {

// The file bytes of an RCDATA resource; they stay mapped as long as the module is loaded.
bool ResourceBytes(HINSTANCE module, int id, const BYTE*& bytes, DWORD& size) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_RCDATA));
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  bytes = static_cast<const BYTE*>(LockResource(loaded));
  size = SizeofResource(module, found);
  return bytes != nullptr && size > 0;
}

PicturePtr Decode(IWICImagingFactory* factory, const BYTE* bytes, DWORD size) {
  Com<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Out()))) return nullptr;
  if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size))) return nullptr;
  Com<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out()))) {
    return nullptr;
  }
  Com<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Out()))) return nullptr;
  Com<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out()))) return nullptr;
  if (FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 16384 ||
      height > 16384) {
    return nullptr;
  }
  PicturePtr picture = gdi::MakeDibPicture(static_cast<int>(width), static_cast<int>(height));
  if (!picture) return nullptr;
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                   reinterpret_cast<BYTE*>(picture->Pixels())))) {
    return nullptr;
  }
  // 32bppBGR leaves the fourth byte undefined; our pixels read 0x00RRGGBB.
  std::uint32_t* pixels = picture->Pixels();
  for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
    pixels[i] &= 0x00FFFFFFu;
  }
  return picture;
}

}  // namespace

PicturePtr PictureStore::Load(int resourceId) {
  const auto cached = pictures_.find(resourceId);
  if (cached != pictures_.end()) {
    if (PicturePtr held = cached->second.lock()) return held;
  }
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  if (!ResourceBytes(module_, resourceId, bytes, size)) return nullptr;
  if (!apartment_.Enter()) return nullptr;
  Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.OutVoid()))) {
    return nullptr;
  }
  PicturePtr picture = Decode(factory.Get(), bytes, size);
  if (picture) pictures_[resourceId] = picture;
  return picture;
}

}  // namespace quarlo::fw::win32
