// How long the saver takes to compose and present one frame on the real GDI path: the saver's
// sprite engine drawing into the display's DIB-section back buffer, then one present to the
// window, beside a full clear and present of the same kind of frame. Every sprite is kept shown
// so that each frame carries the full load of blits.
//
//   saver_bench.exe [--sprites N] [--frames N] [--paced SECONDS]
//
// The window covers the primary screen, drawn at its scale from the saver's own pictures for it.
// Prints one line per figure, in milliseconds. With
// --paced it then runs the same frames for SECONDS through the backend's frame loop, as the saver
// does, and prints the steps shown per second and the presents per second.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/form.h"
#include "framework/scaling.h"
#include "framework/win32/gdi_surface.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/win32_os.h"
#include "saver/random.h"
#include "saver/sprite_engine.h"

namespace {

using namespace quarlo;

class BenchWindow final : public fw::Form {
 public:
  explicit BenchWindow(fw::Backend& backend) : Form(backend, "SaverBench") {
    SetCaption("Quarlo saver bench");
    SetBorder(fw::FormBorder::None);
    Display.SetBackColour(fw::Rgb(0, 0, 0));
  }
  fw::PictureBox Display{this, "Display"};
};

struct Options {
  int sprites = 300;
  int frames = 600;
  int pacedSeconds = 0;
};

Options ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--sprites") == 0) options.sprites = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--frames") == 0) options.frames = std::max(std::atoi(argv[i + 1]), 1);
    if (std::strcmp(argv[i], "--paced") == 0) options.pacedSeconds = std::atoi(argv[i + 1]);
  }
  options.sprites = std::clamp(options.sprites, -1, 32767);
  return options;
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return 0;
  }
  return counters.PagefileUsage;  // the commit charge; Wine leaves PrivateUsage at 0
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ReadOptions(argc, argv);
  os::Win32Os os;
  fw::Win32Backend backend(os);
  BenchWindow window(backend);

  window.Load();
  const int percent = fw::ScalePercent(backend.WindowDpi(window));
  const saver::Artwork art = saver::LoadArtwork(backend, percent);
  const auto loaded = art.cells.size() +
                      static_cast<std::size_t>(std::count_if(
                          art.sprites.begin(), art.sprites.end(),
                          [](const fw::Cutout& sprite) { return !sprite.Empty(); }));

  const int widthTwips = fw::PixelsToTwips(backend.ScreenWidthPixels(), backend.TwipsPerPixelX());
  const int heightTwips = fw::PixelsToTwips(backend.ScreenHeightPixels(), backend.TwipsPerPixelY());
  window.Move(0, 0, widthTwips, heightTwips);
  window.Display.Move(0, 0, window.ScaleWidth(), window.ScaleHeight());
  window.Show(false);
  fw::Surface* display = window.Display.DrawingSurface();
  if (display == nullptr) {
    std::printf("error: the display has no back buffer\n");
    return 1;
  }
  // In the pixels of the design, as the saver lays the scene out.
  const double W = window.Display.InnerWidthPixels() * 100.0 / percent;
  const double H = window.Display.InnerHeightPixels() * 100.0 / percent;

  // Every sprite respawned once (shown, spread across the sway band) at a random height.
  saver::TwisterRandom random;
  saver::SpriteEngine engine(random);
  engine.SetScale(percent);
  engine.SetUp(static_cast<std::int16_t>(options.sprites), H, 12345.0, display);
  for (saver::Sprite& sprite : engine.Sprites()) {
    engine.Respawn(sprite, W);
    sprite.PosY = ToSingle(random.Rnd() * H);
  }
  engine.StartWalk();

  // The frames alternate in blocks between the present the surface chooses and a full clear
  // and present of the same kind of frame, so that both meet the same load of the machine. The
  // first frames of a block are left out: they carry the change of way.
  constexpr int kBlock = 30, kSettle = 2;
  std::vector<double> compose, present, whole, full;
  const int warmUp = 30;
  // Filled now, so that their pages are not counted as growth of the frames.
  for (auto* series : {&compose, &present, &whole, &full}) {
    series->reserve(static_cast<std::size_t>(options.frames));
  }
  auto* gdi = dynamic_cast<fw::GdiSurface*>(display);
  std::size_t memoryBefore = 0;
  for (int frame = 0; frame < warmUp + 2 * options.frames; ++frame) {
    if (frame == warmUp) memoryBefore = PrivateBytes();
    const bool fullFrame = (frame / kBlock) % 2 == 1;
    for (saver::Sprite& sprite : engine.Sprites()) sprite.Shown = 1;  // untimed
    const double start = NowMs();
    if (fullFrame && gdi) gdi->DrewDirectly();
    display->Clear(fw::Rgb(0, 0, 0));
    engine.DrawWalker(*display, art.cells, W, H);
    engine.AdvanceWalk();
    engine.AnimateSprites(display, art.sprites, W, H, W);
    const double composed = NowMs();
    if (fullFrame && gdi) gdi->DrewDirectly();
    display->Present();
    const double presented = NowMs();
    backend.DoEvents();
    if (frame < warmUp || frame % kBlock < kSettle) continue;
    if (fullFrame) {
      full.push_back(presented - start);
    } else {
      compose.push_back(composed - start);
      present.push_back(presented - composed);
      whole.push_back(presented - start);
    }
  }
  const std::size_t memoryAfter = PrivateBytes();

  std::printf("screen %dx%d at %d %%, sprites %zu (all shown), frames %d, pictures %zu/55\n",
              window.Display.InnerWidthPixels(), window.Display.InnerHeightPixels(), percent,
              engine.Sprites().size(), options.frames, loaded);
  std::printf("compose median %.3f ms, p90 %.3f ms\n", Percentile(compose, 0.5),
              Percentile(compose, 0.9));
  std::printf("present median %.3f ms, p90 %.3f ms\n", Percentile(present, 0.5),
              Percentile(present, 0.9));
  std::printf("frame median %.3f ms, p90 %.3f ms, max %.3f ms\n", Percentile(whole, 0.5),
              Percentile(whole, 0.9), Percentile(whole, 1.0));
  std::printf("full frame median %.3f ms, p90 %.3f ms; chosen / full %.2f\n",
              Percentile(full, 0.5), Percentile(full, 0.9),
              Percentile(whole, 0.5) / Percentile(full, 0.5));
  // Anything a frame created and did not release would show here as growth.
  std::printf("committed memory before the timed frames %zu KiB, after %zu KiB\n",
              memoryBefore / 1024, memoryAfter / 1024);
  std::fflush(stdout);

  if (options.pacedSeconds > 0) {
    // The animation's pace as shown: from the first present to the last, how many steps apart.
    int composed = 0, presents = 0, firstStep = 0, lastStep = 0;
    double firstMs = 0, lastMs = 0;
    // Each paced frame's own parts, after a wait as in the saver (its caches as cold as that
    // leaves them): composing the steps, and the present.
    std::vector<double> pacedCompose, pacedPresent;
    pacedCompose.reserve(static_cast<std::size_t>(options.pacedSeconds) * 70);
    pacedPresent.reserve(static_cast<std::size_t>(options.pacedSeconds) * 70);
    const double endMs = NowMs() + options.pacedSeconds * 1000.0;
    backend.RunFrames(window, [&](int steps) {
      if (NowMs() >= endMs) {
        window.Unload();  // the loop ends with the window
        return;
      }
      const double start = NowMs();
      for (int i = 0; i < steps; ++i) {
        for (saver::Sprite& sprite : engine.Sprites()) sprite.Shown = 1;
        display->Clear(fw::Rgb(0, 0, 0));
        engine.DrawWalker(*display, art.cells, W, H);
        engine.AdvanceWalk();
        engine.AnimateSprites(display, art.sprites, W, H, W);
        ++composed;
      }
      const double composedAt = NowMs();
      display->Present();
      lastMs = NowMs();
      pacedCompose.push_back(composedAt - start);
      pacedPresent.push_back(lastMs - composedAt);
      lastStep = composed;
      if (presents++ == 0) {
        firstMs = lastMs;
        firstStep = composed;
      }
    });
    const double seconds = (lastMs - firstMs) / 1000.0;
    std::printf("paced %.1f s: %.2f steps/s shown, %.2f presents/s, %d steps composed\n", seconds,
                seconds > 0 ? (lastStep - firstStep) / seconds : 0.0,
                seconds > 0 ? (presents - 1) / seconds : 0.0, composed);
    if (!pacedCompose.empty()) {
      std::printf("paced compose median %.3f ms, p90 %.3f ms; present median %.3f ms, p90 %.3f ms\n",
                  Percentile(pacedCompose, 0.5), Percentile(pacedCompose, 0.9),
                  Percentile(pacedPresent, 0.5), Percentile(pacedPresent, 0.9));
    }
    std::fflush(stdout);
  }
  window.Unload();
  return 0;
}
