#include "startup/entry/program.h"

#include <memory>
#include <string>

#include "framework/win32/win32_backend.h"
#include "saver/quarlo_r.h"
#include "saver/quarlo_s.h"
#include "settings_dialog/quarlo_p.h"
#include "startup/quarlo_b.h"

namespace quarlo {
namespace {

class ProductFaces final : public Faces {
 public:
  ProductFaces(os::Os& os, fw::Backend& backend) : os_(os), backend_(backend) {}

  // The preview stays attached to its host after Main returns; the message loop keeps it.
  void StartPreview(const std::string& commandText) override {
    preview_ = quarlo::StartPreview(os_, backend_, commandText);
  }
  void ShowSettingsDialog() override {
    Quarlo_P dialog(backend_, os_);
    dialog.Show(true);
  }
  // The saver's load runs it to its end, which ends the process.
  void LoadSaver() override {
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
