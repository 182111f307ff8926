// Pictures stored in the program decode once, at their own size, the right way up and in the
// right colours; a missing one gives nothing.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/win32/gdi.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/win32_os.h"

#ifdef QUARLO_HAVE_ASSETS
#include "assets/asset_ids.h"
#endif

namespace quarlo::fw {
namespace {

class PictureLoaderTest : public ::testing::Test {
 protected:
  os::Win32Os os;
  Win32Backend backend{os};
};

TEST_F(PictureLoaderTest, AMissingResourceGivesNothing) {
  EXPECT_EQ(backend.LoadPicture(9999), nullptr);
  EXPECT_EQ(backend.LoadPicture(0), nullptr);
  EXPECT_EQ(backend.LoadPicture(-5), nullptr);
}

#ifdef QUARLO_HAVE_ASSETS

// The pixels of a 24-bit BMP file stored as RCDATA, read directly: rows bottom-up, BGR, each row
// padded to four bytes. 0x00RRGGBB, top row first.
std::vector<std::uint32_t> ReadBmp(int id, int& width, int& height) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  std::memcpy(&file, bytes, sizeof file);
  std::memcpy(&info, bytes + sizeof file, sizeof info);
  if (info.biBitCount != 24) return {};
  width = info.biWidth;
  height = std::abs(info.biHeight);
  const int stride = (width * 3 + 3) & ~3;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    const int row = info.biHeight > 0 ? height - 1 - y : y;
    const unsigned char* p = bytes + file.bfOffBits + row * stride;
    for (int x = 0; x < width; ++x, p += 3) {
      pixels[static_cast<std::size_t>(y * width + x)] =
          static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }
  }
  return pixels;
}

struct Stored {
  int id;
  int width;
  int height;
  bool bmp;
};

// A length of a 100 % picture at a display scale, rounded half to even.
int Scaled(int length, int percent) {
  const int whole = length * percent / 100, rest = length * percent % 100;
  return whole + (rest > 50 || (rest == 50 && whole % 2 == 1) ? 1 : 0);
}

std::vector<Stored> AllStoredPictures() {
  std::vector<Stored> all = {{IDR_WALK_SHEET, 1024, 1180, false},
                             {IDR_PREVIEW, 152, 112, false},
                             {IDR_MARK_OFF, 12, 12, true},
                             {IDR_MARK_ON, 12, 12, true}};
  for (int i = 0; i < QUARLO_FRAME_COUNT; ++i) {
    all.push_back({IDR_QUARLO_FIRST + i, 60, 60, false});
    all.push_back({IDR_MASK_FIRST + i, 60, 60, true});
  }
  for (int id = IDR_FACE_NORMAL; id <= IDR_FACE_DISABLE; ++id) all.push_back({id, 64, 25, true});
  // The same drawn for other display scales: JPEG, and PNG (the masks with 1-bit pixels).
  const std::vector<int> art = {QUARLO_ART_SCALES}, ui = {QUARLO_UI_SCALES};
  for (const Stored& s : std::vector<Stored>(all)) {
    if (s.id == IDR_PREVIEW) continue;
    for (int percent : s.id < IDR_PREVIEW ? art : ui) {
      all.push_back({QUARLO_SCALED_ID(s.id, percent), Scaled(s.width, percent),
                     Scaled(s.height, percent), false});
    }
  }
  return all;
}

TEST_F(PictureLoaderTest, EveryStoredPictureDecodesAtItsOwnSize) {
  for (const Stored& stored : AllStoredPictures()) {
    SCOPED_TRACE("resource " + std::to_string(stored.id));
    PicturePtr picture = backend.LoadPicture(stored.id);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), stored.width);
    EXPECT_EQ(picture->Height(), stored.height);
    // Decoded into a DIB section that blits straight from its own memory DC.
    EXPECT_NE(gdi::DibDc(*picture), nullptr);
    bool clean = true;
    for (int i = 0; i < picture->Width() * picture->Height(); ++i)
      clean &= (picture->Pixels()[i] >> 24) == 0;
    EXPECT_TRUE(clean) << "pixels read 0x00RRGGBB";
  }
}

TEST_F(PictureLoaderTest, BitmapsDecodeExactlyTheRightWayUp) {
  for (const Stored& stored : AllStoredPictures()) {
    if (!stored.bmp) continue;
    SCOPED_TRACE("resource " + std::to_string(stored.id));
    int width = 0, height = 0;
    const std::vector<std::uint32_t> expected = ReadBmp(stored.id, width, height);
    ASSERT_FALSE(expected.empty());
    PicturePtr picture = backend.LoadPicture(stored.id);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Width(), width);
    ASSERT_EQ(picture->Height(), height);
    int wrong = 0;
    for (int i = 0; i < width * height; ++i)
      wrong += picture->Pixels()[i] != expected[static_cast<std::size_t>(i)] ? 1 : 0;
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(PictureLoaderTest, SpriteFramesLieOnBlackWhereTheirMasksAreWhite) {
  for (int i = 0; i < QUARLO_FRAME_COUNT; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    PicturePtr frame = backend.LoadPicture(IDR_QUARLO_FIRST + i);
    PicturePtr mask = backend.LoadPicture(IDR_MASK_FIRST + i);
    ASSERT_TRUE(frame && mask);
    long long outside = 0, inside = 0;
    int outsideCount = 0, insideCount = 0;
    for (int p = 0; p < 60 * 60; ++p) {
      const std::uint32_t c = frame->Pixels()[p];
      const int brightness = static_cast<int>((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF));
      if (mask->Pixels()[p] == 0xFFFFFFu) {
        outside += brightness;
        ++outsideCount;
      } else {
        inside += brightness;
        ++insideCount;
      }
    }
    ASSERT_GT(insideCount, 100);
    ASSERT_GT(outsideCount, 100);
    EXPECT_LT(outside / outsideCount, 30) << "the frame's surround is black";
    EXPECT_GT(inside / insideCount, 3 * (outside / outsideCount + 10))
        << "the sprite is where its mask says";
  }
}

TEST_F(PictureLoaderTest, EachPictureIsDecodedOnceWhileHeld) {
  PicturePtr first = backend.LoadPicture(IDR_PREVIEW);
  PicturePtr again = backend.LoadPicture(IDR_PREVIEW);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first.get(), again.get());
  const std::weak_ptr<Picture> held = first;
  first.reset();
  again.reset();
  EXPECT_TRUE(held.expired()) << "a picture nobody holds gives its memory back";
}

TEST_F(PictureLoaderTest, PicturesOutliveTheirBackend) {
  PicturePtr kept;
  {
    Win32Backend other(os);
    kept = other.LoadPicture(IDR_MARK_ON);
  }
  ASSERT_NE(kept, nullptr);
  HDC dc = gdi::DibDc(*kept);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetPixel(dc, 6, 6), RGB(kept->Pixel(6, 6) >> 16 & 0xFF, kept->Pixel(6, 6) >> 8 & 0xFF,
                                    kept->Pixel(6, 6) & 0xFF));
}

#endif  // QUARLO_HAVE_ASSETS

}  // namespace
}  // namespace quarlo::fw
