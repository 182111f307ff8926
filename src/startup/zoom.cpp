#include "startup/zoom.h"

namespace quarlo {
namespace {

ZoomPoint g_origin;

os::Rect OriginRect() {
  const ZoomPoint& p = g_origin;
  return {p.x, p.y, p.x, p.y};
}

os::Rect WindowRect(os::Os& os, os::Handle window) {
  os::Rect rect{};  // stays all zeros when the query fails
  os.GetWindowRect(window, &rect);
  return rect;
}

}  // namespace

ZoomPoint& ZoomOrigin() { return g_origin; }
void ResetZoomOrigin() { g_origin = ZoomPoint{}; }

void ZoomOpen(os::Os& os, os::Handle window) {
  const os::Rect from = OriginRect();
  const os::Rect to = WindowRect(os, window);
  os.DrawAnimatedRects(window, os::kIdaniCaption, &from, &to);
}

void ZoomClose(os::Os& os, os::Handle window) {
  const os::Rect from = WindowRect(os, window);
  const os::Rect to = OriginRect();
  os.DrawAnimatedRects(window, os::kIdaniCaption, &from, &to);
}

}  // namespace quarlo
