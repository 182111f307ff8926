// The program's entry point: the real operating system and window layer, and the three faces,
// handed to the start procedure.

#include <windows.h>

#include <memory>
#include <string>

#include "framework/win32/win32_backend.h"
#include "os/win32/win32_os.h"
#include "saver/quarlo_r.h"
#include "saver/quarlo_s.h"
#include "settings_dialog/quarlo_p.h"
#include "startup/quarlo_b.h"

namespace {

class ProductFaces final : public quarlo::Faces {
 public:
  ProductFaces(quarlo::os::Os& os, quarlo::fw::Backend& backend) : os_(os), backend_(backend) {}

  // The preview stays attached to its host after Main returns; WinMain's message loop keeps it.
  void StartPreview(const std::string& commandText) override {
    preview_ = quarlo::StartPreview(os_, backend_, commandText);
  }
  void ShowSettingsDialog() override {
    quarlo::Quarlo_P dialog(backend_, os_);
    dialog.Show(true);
  }
  // The saver's load runs it to its end, which ends the process.
  void LoadSaver() override {
    quarlo::Quarlo_S saver(backend_, os_);
    saver.Load();
  }

 private:
  quarlo::os::Os& os_;
  quarlo::fw::Backend& backend_;
  std::unique_ptr<quarlo::Quarlo_R> preview_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  quarlo::os::Win32Os os;
  quarlo::fw::Win32Backend backend(os);
  ProductFaces faces(os, backend);
  quarlo::Main(os, faces);
  // A modeless face (the preview) lives as long as its window.
  backend.RunMessageLoop();
  return 0;
}
