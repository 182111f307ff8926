#pragma once
// The whole program over a given operating system: the window layer, the three faces, the start
// procedure and, for the preview, the message loop that keeps its window. WinMain hands it the
// real system; test builds of the saver hand it a decorated one.

#include "os/os.h"

namespace quarlo {

int RunProgram(os::Os& os);

}  // namespace quarlo
