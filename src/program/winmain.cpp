// The program's entry point: the real operating system handed to the program.

#include <windows.h>

#include "os/win32/win32_os.h"
#include "program/program.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  quarlo::os::Win32Os os;
  return quarlo::RunProgram(os);
}
