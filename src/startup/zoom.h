#pragma once
// The animated rectangle that grows from the mouse position to a window when it opens and
// shrinks back when it closes.

#include <cstdint>

#include "os/os.h"

namespace quarlo {

struct ZoomPoint {
  std::int16_t x = 0;
  std::int16_t y = 0;
};

// The screen point both animations start from and return to; (0, 0) until set.
ZoomPoint& ZoomOrigin();
void ResetZoomOrigin();

void ZoomOpen(os::Os& os, os::Handle window);
void ZoomClose(os::Os& os, os::Handle window);

}  // namespace quarlo
