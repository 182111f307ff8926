// Quarlo.scr over a system whose multimedia device refuses the first file it is asked to open,
// with error 277 as Windows' MPEGVideo device answers for many MP3 files that carry a large
// picture. The refused command never reaches the system; everything else is the product's.
// Run it in place of Quarlo.scr, with its Quarlo.ini beside it.

#include <windows.h>

#include <cstdint>
#include <string>

#include "os/win32/win32_os.h"
#include "program/program.h"

namespace {

constexpr std::int32_t kRefused = 277;

class RefusingOs final : public quarlo::os::Win32Os {
 public:
  std::int32_t mciSendStringA(const char* command, char* returnString, std::uint32_t returnLength,
                              quarlo::os::Handle callback) override {
    if (!refused_ && command != nullptr && std::string(command).rfind("open \"", 0) == 0) {
      refused_ = true;
      return kRefused;
    }
    return Win32Os::mciSendStringA(command, returnString, returnLength, callback);
  }

  // A "stalled" file is copied, but the call never returns: a share that stopped answering.
  quarlo::os::Handle CopyFileFrom(const std::string& source, std::int64_t offset,
                                  const std::string& target) override {
    const quarlo::os::Handle copied = Win32Os::CopyFileFrom(source, offset, target);
    if (source.find("stalled") != std::string::npos) ::Sleep(INFINITE);
    return copied;
  }

 private:
  bool refused_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  RefusingOs os;
  return quarlo::RunProgram(os);
}
