#pragma once
// The pictures stored in the program: RCDATA resources holding JPEG, BMP or PNG file bytes,
// decoded once with the Windows Imaging Component straight into DIB sections. The store holds
// the thread's COM apartment while it lives.

#include <windows.h>

#include <map>

#include "framework/picture.h"

namespace quarlo::fw::win32 {

class PictureStore {
 public:
  explicit PictureStore(HINSTANCE module) : module_(module) {}
  ~PictureStore();
  PictureStore(const PictureStore&) = delete;
  PictureStore& operator=(const PictureStore&) = delete;

  // nullptr when the resource is missing or cannot be decoded.
  PicturePtr Load(int resourceId);

 private:
  HINSTANCE module_;
  bool comReady_ = false;
  std::map<int, PicturePtr> pictures_;
};

}  // namespace quarlo::fw::win32
