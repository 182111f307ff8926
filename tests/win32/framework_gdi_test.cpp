// Frames and repaints create no GDI object they do not release: the count of the process's GDI
// objects stays the same however many frames are drawn.

#include <windows.h>

#include <gtest/gtest.h>

#include "framework/form.h"
#include "framework/win32/gdi.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/handles.h"
#include "os/win32/win32_os.h"

namespace quarlo::fw {
namespace {

// The process's GDI objects. Wine does not implement GetGuiResources; there every live object
// answers GetObjectType at its handle-table index, so the table is counted directly.
int GdiObjectCount() {
  const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (reported != 0) return static_cast<int>(reported);
  int count = 0;
  for (UINT_PTR index = 1; index < 0x10000; ++index) {
    count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
  }
  return count;
}

TEST(GdiObjectCount, SeesObjectsComeAndGo) {
  const int before = GdiObjectCount();
  HBRUSH brushes[10];
  for (HBRUSH& brush : brushes) brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(GdiObjectCount(), before + 10);
  for (HBRUSH brush : brushes) DeleteObject(brush);
  EXPECT_EQ(GdiObjectCount(), before);
}

class Face : public UserControl {
 public:
  using UserControl::UserControl;
  std::string_view TypeName() const override { return "Quarlo.Face"; }
  void Draw(int frame) {
    Surface* surface = DrawingSurface();
    if (surface == nullptr) return;
    const TriVertex v[] = {{0, 0, 0xFF00, 0xFF00, 0xFF00, 0}, {80, 24, 0xC600, 0xC500, 0xD700, 0}};
    const GradientRect r = {static_cast<std::uint32_t>(frame % 2),
                            static_cast<std::uint32_t>(1 - frame % 2)};
    surface->Clear(Rgb(0xEC, 0xE9, 0xD8));
    surface->GradientFill(v, 2, &r, 1, kGradientFillRectV);
    surface->Present();
  }
  Label caption{this, "LblMsg"};
};

class Scene : public Form {
 public:
  explicit Scene(Backend& backend) : Form(backend, "Scene") {
    SetBorder(FormBorder::None);
    Move(0, 0, 6000, 4500);
    display.Move(0, 0, 3000, 2250);
    label.Move(3300, 300, 2000, 300);
    label.SetCaption("Quarloの数");
    label.SetBorder(Border::FixedSingle);
    shape.Move(3200, 200, 2200, 500);
    face.Move(3300, 1500, 1215, 375);
    face.caption.Move(0, 80, 1215, 195);
    face.caption.SetCaption("設定");
    image.Move(3300, 2500, 180, 180);
  }
  PictureBox display{this, "Display"};
  Label label{this, "lbl"};
  Shape shape{this, "Shape"};
  Face face{this, "Cmd_Set"};
  Image image{this, "Img"};
};

TEST(GdiHygiene, ManyFramesLeaveTheObjectCountFlat) {
  os::Win32Os os;
  Win32Backend backend(os);
  Scene scene(backend);
  auto sprite = gdi::MakeDibPicture(60, 60);
  auto mask = gdi::MakeDibPicture(60, 60);
  auto plain = std::make_shared<Picture>(12, 12);
  ASSERT_TRUE(sprite && mask);
  scene.image.SetPicture(plain);
  scene.Show();

  ASSERT_NE(scene.display.DrawingSurface(), nullptr);
  const auto frame = [&](int n) {
    Surface& display = *scene.display.DrawingSurface();
    display.Clear(0);
    display.BitBlt(n % 200, 40, 60, 60, *mask, 0, 0, Rop::SrcAnd);
    display.BitBlt(n % 200, 40, 60, 60, *sprite, 0, 0, Rop::SrcInvert);
    display.StretchBlt(0, 0, 73, 4, *sprite, 4, 0, 56, 4, Rop::SrcCopy);
    display.BitBlt(-10, -10, 30, 30, *plain, 0, 0, Rop::SrcCopy);
    display.Line(0, n % 150, 200, n % 150, Rgb(200, 200, 250));
    display.Present();
    scene.face.Draw(n);
    if (n % 25 == 0) {
      // Captions, fonts and colours change now and then; each change replaces what it held.
      scene.label.SetCaption(n % 50 == 0 ? "Quarloの数" : "BGM");
      Font font = scene.label.GetFont();
      font.size = n % 50 == 0 ? 9.75 : 12;
      scene.label.SetFont(font);
      scene.label.SetGreyed(n % 50 == 0);
      scene.DrawingSurface()->Clear(Rgb(0, 0, static_cast<std::uint8_t>(n % 256)));
      scene.DrawingSurface()->Present();
      InvalidateRect(os::ToHwnd(scene.hWnd()), nullptr, FALSE);
    }
    backend.DoEvents();
  };

  for (int n = 0; n < 60; ++n) frame(n);
  const int before = GdiObjectCount();
  for (int n = 60; n < 1060; ++n) frame(n);
  const int after = GdiObjectCount();
  EXPECT_EQ(after, before) << "GDI objects before " << before << ", after 1000 frames " << after;
  scene.Unload();
}

}  // namespace
}  // namespace quarlo::fw
