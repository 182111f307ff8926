#include "startup/zoom.h"

#include <gtest/gtest.h>

#include "support/fake_os.h"

namespace quarlo {
namespace {

using testing::FakeOs;
using testing::lines;

TEST(Zoom, GrowsFromTheOriginPointAndShrinksBackToIt) {
  ResetZoomOrigin();
  FakeOs os;
  os.windowRects[5] = {300, 200, 780, 450};
  ZoomOrigin() = {400, 300};
  ZoomOpen(os, 5);
  ZoomClose(os, 5);
  EXPECT_EQ(os.calls(),
            lines({"GetWindowRect(5)",
                   "DrawAnimatedRects(5, 3, {400, 300, 400, 300}, {300, 200, 780, 450})",
                   "GetWindowRect(5)",
                   "DrawAnimatedRects(5, 3, {300, 200, 780, 450}, {400, 300, 400, 300})"}));
}

TEST(Zoom, AFailedRectangleQueryAnimatesToTheScreenCorner) {
  ResetZoomOrigin();
  FakeOs os;
  ZoomOpen(os, 9);
  EXPECT_EQ(os.calls().back(), "DrawAnimatedRects(9, 3, {0, 0, 0, 0}, {0, 0, 0, 0})");
  ZoomOrigin() = {-5, 7};
  ZoomClose(os, 9);
  EXPECT_EQ(os.calls().back(), "DrawAnimatedRects(9, 3, {0, 0, 0, 0}, {-5, 7, -5, 7})");
}

}  // namespace
}  // namespace quarlo
