#pragma once
// The pictures stored in the program: RCDATA resources holding JPEG, BMP or PNG file bytes,
// decoded with the Windows Imaging Component straight into DIB sections, once for as long as
// anybody holds the picture: a picture nobody holds any more (a sheet cut into cells, the larger
// one a picture was resampled from) gives its memory back. Decoding enters the backend's COM
// apartment; the pictures hold no COM object.

#include <windows.h>

#include <map>

#include "framework/picture.h"
#include "framework/win32/com.h"

namespace quarlo::fw::win32 {

class PictureStore {
 public:
  PictureStore(HINSTANCE module, ComApartment& apartment)
      : module_(module), apartment_(apartment) {}
  PictureStore(const PictureStore&) = delete;
  PictureStore& operator=(const PictureStore&) = delete;

  // nullptr when the resource is missing or cannot be decoded.
  PicturePtr Load(int resourceId);

 private:
  HINSTANCE module_;
  ComApartment& apartment_;
  std::map<int, std::weak_ptr<Picture>> pictures_;
};

}  // namespace quarlo::fw::win32
