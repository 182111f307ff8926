#pragma once
// A form holding one image button on a headless backend whose button surface records every
// drawing call (and draws it in memory too), with six face pictures whose pixels say which
// picture and which source pixel they are.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "controls/command/command.h"
#include "framework/form.h"
#include "framework/scaling.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"
#include "support/software_surface.h"

namespace quarlo::testing {

inline constexpr const char* kFaceNames[6] = {"Normal",   "HighLight", "HighLightSelect",
                                              "Selected", "Pressed",   "Disable"};

// Face picture i (0..5): pixel (x, y) reads 0x00RRGGBB with R = 0x10 * (i + 1), G = x, B = y.
inline std::uint32_t FacePixel(int image, int x, int y) {
  return (static_cast<std::uint32_t>(0x10 * (image + 1)) << 16) |
         (static_cast<std::uint32_t>(x) << 8) | static_cast<std::uint32_t>(y);
}

// A surface that records each call as a line and draws it into a software surface.
class RecordingSurface final : public fw::Surface {
 public:
  RecordingSurface(int width, int height, const std::vector<const fw::Picture*>& faces)
      : canvas_(width, height), faces_(faces) {}

  int Width() const override { return canvas_.Width(); }
  int Height() const override { return canvas_.Height(); }
  void Clear(fw::Colour colour) override {
    calls.push_back("Clear(" + Hex(colour) + ")");
    facesDrawn.emplace_back("(no frame)");
    canvas_.Clear(colour);
  }
  void BitBlt(int x, int y, int width, int height, const fw::Picture& source, int sourceX,
              int sourceY, fw::Rop rop) override {
    calls.push_back("BitBlt(" + Numbers({x, y, width, height}) + ", " + NameOf(source) + ", " +
                    Numbers({sourceX, sourceY}) + ")");
    NoteFace(source);
    canvas_.BitBlt(x, y, width, height, source, sourceX, sourceY, rop);
  }
  void StretchBlt(int x, int y, int width, int height, const fw::Picture& source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, fw::Rop rop) override {
    calls.push_back("StretchBlt(" + Numbers({x, y, width, height}) + ", " + NameOf(source) + ", " +
                    Numbers({sourceX, sourceY, sourceWidth, sourceHeight}) + ")");
    NoteFace(source);
    canvas_.StretchBlt(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight,
                       rop);
  }
  bool GradientFill(const fw::TriVertex* vertices, std::uint32_t vertexCount,
                    const fw::GradientRect* mesh, std::uint32_t meshCount,
                    std::uint32_t mode) override {
    std::string line = "GradientFill(";
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
      const fw::TriVertex& v = vertices[i];
      line += "(" + Numbers({v.x, v.y}) + " " + Hex(v.red) + " " + Hex(v.green) + " " +
              Hex(v.blue) + " " + Hex(v.alpha) + "), ";
    }
    for (std::uint32_t i = 0; i < meshCount; ++i) {
      line += "[" + std::to_string(mesh[i].upperLeft) + " " + std::to_string(mesh[i].lowerRight) +
              "], ";
    }
    calls.push_back(line + "mode " + std::to_string(mode) + ")");
    lastVertices.assign(vertices, vertices + vertexCount);
    return canvas_.GradientFill(vertices, vertexCount, mesh, meshCount, mode);
  }
  void Line(int x1, int y1, int x2, int y2, fw::Colour colour) override {
    calls.push_back("Line(" + Numbers({x1, y1, x2, y2}) + ")");
    canvas_.Line(x1, y1, x2, y2, colour);
  }
  void DrawCutout(int, int, const fw::Cutout&) override { calls.emplace_back("DrawCutout"); }
  void Present() override {
    calls.emplace_back("Present()");
    canvas_.Present();
  }

  void Resize(int width, int height) { canvas_.Resize(width, height); }
  const testing::SoftwareSurface& Canvas() const { return canvas_; }

  std::vector<std::string> calls;       // every call, in order
  std::vector<std::string> facesDrawn;  // one name per drawn face (per Clear), by its frame
  std::vector<fw::TriVertex> lastVertices;

 private:
  static std::string Hex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", value);
    return buffer;
  }
  static std::string Numbers(std::initializer_list<int> values) {
    std::string text;
    for (const int v : values) text += (text.empty() ? "" : ", ") + std::to_string(v);
    return text;
  }
  std::string NameOf(const fw::Picture& picture) const {
    for (std::size_t i = 0; i < faces_.size(); ++i) {
      if (faces_[i] == &picture)
        return kFaceNames[i % 6] + std::string(i < 6 ? "" : i < 12 ? "@150" : "@200");
    }
    return "?";
  }
  void NoteFace(const fw::Picture& picture) {
    if (!facesDrawn.empty() && facesDrawn.back() == "(no frame)")
      facesDrawn.back() = NameOf(picture);
  }

  testing::SoftwareSurface canvas_;
  const std::vector<const fw::Picture*>& faces_;
};

// The headless backend, except that every Command gets a recording surface.
class RecordingBackend final : public testing::HeadlessBackend {
 public:
  explicit RecordingBackend(os::Os& os) : HeadlessBackend(os) {
    for (int i = 0; i < 18; ++i) {  // at 100, 150 and 200 %, the scaled ones named with it
      const int percent = i < 6 ? 100 : i < 12 ? 150 : 200;
      const int width = fw::ScaledPixels(64, percent), height = fw::ScaledPixels(25, percent);
      auto picture = std::make_shared<fw::Picture>(width, height);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture->SetPixel(x, y, FacePixel(i % 6, x, y));
      }
      faceList.push_back(picture.get());
      pictures[fw::ScaledResourceId(420 + i % 6, percent)] = picture;
    }
  }

  std::unique_ptr<fw::ControlPeer> CreatePeer(fw::Control& control) override {
    if (dynamic_cast<Command*>(&control) == nullptr) return HeadlessBackend::CreatePeer(control);
    auto peer = std::make_unique<Peer>(control, *this);
    surface = &peer->surface;
    return peer;
  }

  RecordingSurface* surface = nullptr;  // of the last Command created
  std::vector<const fw::Picture*> faceList;

 private:
  // A windowed control whose back buffer follows its size in pixels.
  struct Peer final : fw::ControlPeer {
    Peer(fw::Control& c, RecordingBackend& b)
        : control(c), backend(b), surface(PixelsX(), PixelsY(), b.faceList) {}
    void Update(fw::Change what) override {
      if (what == fw::Change::Geometry) surface.Resize(PixelsX(), PixelsY());
    }
    os::Handle Handle() const override { return 0x2000; }
    fw::Surface* DrawingSurface() override { return &surface; }
    int PixelsX() const { return static_cast<int>(control.Width() / backend.twipsPerPixel + 0.5); }
    int PixelsY() const { return static_cast<int>(control.Height() / backend.twipsPerPixel + 0.5); }
    fw::Control& control;
    RecordingBackend& backend;
    RecordingSurface surface;
  };
};

class HostForm final : public fw::Form {
 public:
  HostForm(fw::Backend& backend, os::Os& os) : fw::Form(backend, "Host"), Cmd(this, "Cmd", os) {}
  Command Cmd;
};

// The form loaded, the button sized and drawn once, the records cleared.
class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(1215, 375); }

  void Build(int width, int height) {
    form = std::make_unique<HostForm>(backend, os);
    form->Cmd.Click = [this] { ++clicks; };
    form->Cmd.PropertyChanged = [this](std::string_view name) { changes.emplace_back(name); };
    form->Cmd.Move(0, 0, width, height);
    form->Load();
    form->Cmd.UserControl_Resize();
    Forget();
  }

  Command& button() { return form->Cmd; }
  RecordingSurface& surface() { return *backend.surface; }
  void Forget() {
    surface().calls.clear();
    surface().facesDrawn.clear();
    os.clearCalls();
    changes.clear();
    clicks = 0;
  }
  // The button as the framework finds it after loading a stored design that only names a
  // caption and a font: enabled, FirstRun 1.
  void LoadEnabled() {
    button().UserControl_ReadProperties(fw::PropertyBag{});
    Forget();
  }

  // Hover-timer ticks with the pointer over the given window.
  os::Handle OwnWindow() { return button().hWnd(); }
  os::Handle ParentWindow() { return form->hWnd(); }
  static constexpr os::Handle kOtherWindow = 0x7777;
  void TickWithPointerOver(os::Handle window) {
    os.windowUnderCursor = window;
    button().TmrMouse.RaiseTick();
  }

  FakeOs os;
  RecordingBackend backend{os};
  std::unique_ptr<HostForm> form;
  int clicks = 0;
  std::vector<std::string> changes;
};

}  // namespace quarlo::testing
