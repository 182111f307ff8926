#include "program/program.h"

#include <memory>
#include <string>

#include "framework/win32/win32_backend.h"
#include "music/plain_copy.h"
#include "saver/quarlo_r.h"
#include "saver/quarlo_s.h"
#include "settings_dialog/quarlo_p.h"
#include "startup/quarlo_b.h"

namespace quarlo {
namespace {

class ProductFaces final : public Faces {
 public:
  ProductFaces(os::Os& os, fw::Backend& backend) : os_(os), backend_(backend) {}

  // The preview stays attached to its host after Main returns; the message loop keeps it. Its
  // window is aware of scales as its host's is, so that the host's pane and the picture inside
  // it measure alike at any scale.
  void StartPreview(const std::string& commandText) override {
    const os::Handle host = PreviewHostHandle(commandText);
    if (const os::Handle context = os_.GetWindowDpiAwarenessContext(host)) {
      os_.SetThreadDpiAwarenessContext(context);
    }
    preview_ = quarlo::StartPreview(os_, backend_, commandText);
  }
  // The dialog is laid out at the screen's scale (in twips, its fonts and pictures made for it);
  // on a monitor of another scale the system stretches it.
  void ShowSettingsDialog() override {
    music::RemoveStaleCopy(os_);
    os_.SetThreadDpiAwarenessContext(os::kDpiAwarenessContextSystemAware);
    Quarlo_P dialog(backend_, os_);
    dialog.Show(true);
  }
  // The saver's load runs it to its end, which ends the process. A copy of the music that a
  // saver ended outright left behind goes first, whatever this one plays.
  void LoadSaver() override {
    music::RemoveStaleCopy(os_);
    Quarlo_S saver(backend_, os_);
    quarlo::LoadSaver(saver);
  }

 private:
  os::Os& os_;
  fw::Backend& backend_;
  std::unique_ptr<Quarlo_R> preview_;
};

}  // namespace

int RunProgram(os::Os& os) {
  fw::Win32Backend backend(os);
  ProductFaces faces(os, backend);
  Main(os, faces);
  // A modeless face (the preview) lives as long as its window.
  backend.RunMessageLoop();
  return 0;
}

}  // namespace quarlo
