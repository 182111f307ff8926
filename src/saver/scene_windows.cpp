#include "saver/scene_windows.h"

#include "saver/monitor_covers.h"

namespace quarlo::saver {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);

}  // namespace

void MakeTopmost(os::Os& os, os::Handle window) {
  os.SetWindowPos(window, os::kHwndTopmost, 0, 0, 0, 0,
                  os::kSwpNoSize | os::kSwpNoMove | os::kSwpNoActivate);
}

SceneWindow::SceneWindow(fw::Backend& backend, ArtworkCache& artwork)
    : Form(backend, "Scene"), scene_(*this, Display, artwork) {
  SetBorder(fw::FormBorder::None);
  SetCoversMonitor(true);
  SetShowInTaskbar(false);
  SetActivatesWhenShown(false);
  SetKeyPreview(true);
  SetBackColour(kBlack);
  Display.SetBackColour(kBlack);
  Display.Click = [this] {
    if (Click) Click();
  };
}

SceneWindow::~SceneWindow() { Unload(); }

void SceneWindow::Place(const os::Rect& monitor) {
  area_ = monitor;
  fw::Backend& backend = GetBackend();
  const double x = backend.TwipsPerPixelX(), y = backend.TwipsPerPixelY();
  Move(fw::PixelsToTwips(monitor.left, x), fw::PixelsToTwips(monitor.top, y),
       fw::PixelsToTwips(monitor.right - monitor.left, x),
       fw::PixelsToTwips(monitor.bottom - monitor.top, y));
  Display.Move(0, 0, ScaleWidth(), ScaleHeight());
  // The scale is its window's, known once the window is on its monitor.
  if (IsLoaded()) scene_.TakeScale();
}

void SceneWindow::Form_KeyDown(int keyCode, int shift) {
  if (KeyDown) KeyDown(keyCode, shift);
}

void SceneWindow::Form_QueryUnload(Bool16& /*Cancel*/, fw::UnloadMode /*mode*/) {
  // Another program closing one of them closes the saver, not just that window.
  if (Click) Click();
}

void SceneWindow::Form_DisplayChange() { Place(area_); }

void SceneWindows::Follow(std::int16_t spriteCount) {
  const std::vector<os::Rect> areas = OtherMonitors(os_);
  // A monitor that stays where it was keeps its window and scene as they are; the others take
  // the windows left over, in order, and the rest are made or dropped.
  std::vector<std::unique_ptr<SceneWindow>> kept(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    for (auto& window : windows_) {
      if (window && window->Area() == areas[i]) {
        kept[i] = std::move(window);
        break;
      }
    }
  }
  auto spare = windows_.begin();
  for (std::size_t i = 0; i < areas.size(); ++i) {
    if (kept[i]) {
      kept[i]->Place(areas[i]);  // its scale may have changed
      continue;
    }
    while (spare != windows_.end() && !*spare) ++spare;
    if (spare != windows_.end()) kept[i] = std::move(*spare);
    if (kept[i]) kept[i]->Place(areas[i]);
  }
  windows_.clear();  // the windows of monitors that are gone
  for (std::size_t i = 0; i < areas.size(); ++i) {
    if (kept[i]) {
      windows_.push_back(std::move(kept[i]));
    } else {
      Add(areas[i], spriteCount);
    }
  }
}

void SceneWindows::Add(const os::Rect& monitor, std::int16_t spriteCount) {
  auto window = std::make_unique<SceneWindow>(backend_, artwork_);
  window->Place(monitor);
  // A monitor whose window cannot be made is left as it is.
  if (!window->Load()) return;
  window->GetScene().TakeScale();
  window->KeyDown = [this](int keyCode, int shift) {
    if (KeyDown) KeyDown(keyCode, shift);
  };
  window->Click = [this] {
    if (Click) Click();
  };
  // A sequence of its own, so that no two monitors look alike.
  Scene& scene = window->GetScene();
  scene.SetUp(spriteCount, os_.SecondsSinceMidnight() + ++started_);
  scene.Engine().StartWalk();
  window->Show(false);
  MakeTopmost(os_, window->hWnd());
  windows_.push_back(std::move(window));
}

void SceneWindows::Compose() {
  for (const auto& window : windows_) window->GetScene().Compose();
}

void SceneWindows::Present() {
  for (const auto& window : windows_) window->GetScene().Present();
}

}  // namespace quarlo::saver
