// The program's entry point: the real operating system and window layer, and the three faces,
// handed to the start procedure.

#include <windows.h>

#include "os/win32/win32_os.h"
#include "startup/quarlo_b.h"

namespace {

class ProductFaces final : public quarlo::Faces {
 public:
  explicit ProductFaces(quarlo::os::Os& os) : os_(os) {}

  void StartPreview(const std::string& /*commandText*/) override { os_.ExitProcess(0); }
  void ShowSettingsDialog() override {}
  void LoadSaver() override { os_.ExitProcess(0); }

 private:
  quarlo::os::Os& os_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  quarlo::os::Win32Os os;
  ProductFaces faces(os);
  quarlo::Main(os, faces);
  return 0;
}
