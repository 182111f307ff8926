#include "saver/quarlo_r.h"

#include <gtest/gtest.h>

#include "assets/asset_ids.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"

namespace quarlo {
namespace {

using testing::FakeOs;
using testing::lines;

// The headless backend hands out window handles from 0x1000 in creation order: the form first.
constexpr os::Handle kPreviewWindow = 0x1000;
constexpr os::Handle kHost = 1234;
// A borderless top-level window as created hidden: WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
constexpr std::int32_t kCreatedStyle = static_cast<std::int32_t>(0x86000000u);

// One preview start-up against a host pane of the given pixel size at (100, 50) on the screen.
struct PreviewStart {
  explicit PreviewStart(int widthPixels = 152, int heightPixels = 112,
                        double twipsPerPixel = 15.0) {
    os.liveWindows = {kHost, 234};
    os.windowRects[kHost] = {100, 50, 100 + widthPixels, 50 + heightPixels};
    os.windowStyles[kPreviewWindow] = kCreatedStyle;
    backend.twipsPerPixel = twipsPerPixel;
    backend.pictures[IDR_PREVIEW] = picture;
  }
  Quarlo_R* Run(const std::string& commandText = "/p 1234") {
    preview = StartPreview(os, backend, commandText);
    return preview.get();
  }

  FakeOs os;
  testing::HeadlessBackend backend{os};
  fw::PicturePtr picture = std::make_shared<fw::Picture>(152, 112);
  std::unique_ptr<Quarlo_R> preview;
};

TEST(PreviewStartUp, AttachesToTheHostInTheOrderOfItsSteps) {
  PreviewStart start;
  Quarlo_R* preview = start.Run();
  ASSERT_NE(preview, nullptr);
  // No settings file, no music: nothing but the attach steps reaches the system. WS_POPUP gives
  // way to WS_CHILD; the clipping bits stay.
  EXPECT_EQ(start.os.calls(),
            lines({"IsWindow(1234)", "GetWindowRect(1234)", "GetWindowLongA(4096, -16)",
                   "SetWindowLongA(4096, -16, 0x46000000)", "SetParent(4096, 1234)"}));
  EXPECT_FALSE(start.os.exited());
  EXPECT_EQ(preview->hWnd(), kPreviewWindow);
  EXPECT_TRUE(preview->IsLoaded());
  EXPECT_TRUE(preview->Visible());
}

TEST(PreviewStartUp, CoversTheHostPaneWithTheWindowAndItsPictureArea) {
  struct Case {
    int widthPixels, heightPixels;
    double twipsPerPixel;
    int widthTwips, heightTwips;
  };
  for (const Case& c : {Case{152, 112, 15.0, 2280, 1680},  // the usual pane: the picture fills it
                        Case{300, 200, 15.0, 4500, 3000},  // larger: picture top-left, black around
                        Case{100, 80, 15.0, 1500, 1200},   // smaller: the picture's top-left part
                        Case{3, 5, 7.5, 22, 38},           // 22.5 and 37.5 go to the even side
                        Case{3000, 2000, 15.0, 32767, 30000}}) {  // too wide for 16 bits
    SCOPED_TRACE(::testing::Message() << c.widthPixels << " x " << c.heightPixels << " px at "
                                      << c.twipsPerPixel << " twips per pixel");
    PreviewStart start(c.widthPixels, c.heightPixels, c.twipsPerPixel);
    Quarlo_R* preview = start.Run();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->Left(), 0);
    EXPECT_EQ(preview->Top(), 0);
    EXPECT_EQ(preview->Width(), c.widthTwips);
    EXPECT_EQ(preview->Height(), c.heightTwips);
    const fw::PictureBox& area = preview->Img_Prev;
    EXPECT_EQ(area.Left(), 0);
    EXPECT_EQ(area.Top(), 0);
    EXPECT_EQ(area.Width(), c.widthTwips);
    EXPECT_EQ(area.Height(), c.heightTwips);
    // The stored picture itself, never replaced by a stretched copy.
    EXPECT_EQ(area.GetPicture(), start.picture);
  }
}

TEST(PreviewStartUp, ReadsTheHostHandleFromTheFourthCharacterOn) {
  struct Case {
    const char* commandText;
    os::Handle host;
  };
  for (const Case& c : {Case{"/p 1234", 1234}, Case{"/P:1234", 1234}, Case{"-p 1234", 1234},
                        Case{"/p  1234 trailing", 1234}, Case{"/p1234", 234}}) {
    PreviewStart start;
    ASSERT_NE(start.Run(c.commandText), nullptr) << c.commandText;
    EXPECT_EQ(start.os.calls().front(), "IsWindow(" + std::to_string(c.host) + ")")
        << c.commandText;
    EXPECT_EQ(start.os.callsStartingWith("SetParent"),
              lines({"SetParent(4096, " + std::to_string(c.host) + ")"}))
        << c.commandText;
  }
}

TEST(PreviewStartUp, AHandleThatNamesNoWindowEndsTheProcessAtOnce) {
  // Garbage and a missing number read as 0; 99999999 and 4321 are no live window here.
  for (const char* text : {"/p 0", "/p garbage", "/p", "/p 99999999", "/p 4321", "/p -1"}) {
    PreviewStart start;
    EXPECT_EQ(start.Run(text), nullptr) << text;
    ASSERT_EQ(start.os.calls().size(), 2u) << text;
    EXPECT_EQ(start.os.calls()[0].rfind("IsWindow(", 0), 0u) << text;
    EXPECT_EQ(start.os.calls()[1], "ExitProcess(0)") << text;
  }
  PreviewStart start;
  start.Run("/p garbage");
  EXPECT_EQ(start.os.calls().front(), "IsWindow(0)");
}

// A host that is destroyed between the check and the attach.
class VanishingHostOs : public FakeOs {
 public:
  os::Handle SetParent(os::Handle child, os::Handle newParent) override {
    liveWindows.clear();
    return FakeOs::SetParent(child, newParent);
  }
};

TEST(PreviewStartUp, AHostThatVanishesBeforeTheAttachEndsTheProcess) {
  VanishingHostOs os;
  os.liveWindows = {kHost};
  os.windowRects[kHost] = {0, 0, 152, 112};
  testing::HeadlessBackend backend{os};
  EXPECT_EQ(StartPreview(os, backend, "/p 1234"), nullptr);
  ASSERT_GE(os.calls().size(), 2u);
  EXPECT_EQ(os.calls()[os.calls().size() - 2], "SetParent(4096, 1234)");
  EXPECT_EQ(os.calls().back(), "ExitProcess(0)");
}

TEST(PreviewStartUp, AWindowThatCannotBeCreatedEndsTheProcessBeforeTheAttach) {
  PreviewStart start;
  start.backend.windowsFail = true;
  EXPECT_EQ(start.Run(), nullptr);
  EXPECT_EQ(start.os.calls(), lines({"IsWindow(1234)", "GetWindowRect(1234)", "ExitProcess(0)"}));
}

TEST(PreviewStartUp, AFailedRectangleQueryLeavesAZeroSizedWindow) {
  // The handle names a window whose rectangle cannot be read: the steps still run.
  PreviewStart start;
  start.os.windowRects.clear();
  Quarlo_R* preview = start.Run();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->Width(), 0);
  EXPECT_EQ(preview->Height(), 0);
  EXPECT_EQ(preview->Img_Prev.Width(), 0);
  EXPECT_FALSE(start.os.exited());
}

TEST(PreviewWindow, UnloadPostsCloseToItself) {
  PreviewStart start;
  Quarlo_R* preview = start.Run();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(start.os.callsStartingWith("PostMessageA").empty());
  preview->Unload();
  EXPECT_EQ(start.os.callsStartingWith("PostMessageA"),
            lines({"PostMessageA(4096, 0x0010, 0, 0)"}));
  EXPECT_FALSE(preview->IsLoaded());

  // Once the window is gone (its host destroyed the pane) there is no handle to post to: a
  // message to handle 0 would land in the thread's queue instead.
  start.os.clearCalls();
  preview->Form_Unload();
  EXPECT_TRUE(start.os.callsStartingWith("PostMessageA").empty());
}

TEST(PreviewWindow, HostTwipsRoundHalfToEvenAndStayWithin16Bits) {
  struct Case {
    double twipsPerPixel;
    std::int32_t pixels;
    std::int16_t twips;
  };
  for (const Case& c : {Case{15.0, 152, 2280}, Case{15.0, 112, 1680}, Case{15.0, 0, 0},
                        Case{7.5, 3, 22}, Case{7.5, 5, 38}, Case{12.5, 1, 12}, Case{12.5, 3, 38},
                        Case{13.3, 10, 133}, Case{15.0, 2184, 32760}, Case{15.0, 2185, 32767},
                        Case{1.5, 21845, 32767},  // 32767.5 would round past the 16-bit limit
                        Case{15.0, 1000000, 32767}, Case{15.0, -10, 0}}) {
    EXPECT_EQ(HostTwips(c.twipsPerPixel, c.pixels), c.twips)
        << c.twipsPerPixel << " twips per pixel x " << c.pixels << " px";
  }
}

}  // namespace
}  // namespace quarlo
