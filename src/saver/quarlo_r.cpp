#include "saver/quarlo_r.h"

#include "assets/asset_ids.h"
#include "rules/numeric.h"
#include "startup/quarlo_b.h"

namespace quarlo {
namespace {

// The picture area's design size: the stored picture's 152 x 112 pixels at 15 twips per pixel.
constexpr int kImgPrevDesignWidth = 2280;
constexpr int kImgPrevDesignHeight = 1680;
constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);

// The host pane's size in twips.
struct HostSize {
  std::int16_t width = 0;
  std::int16_t height = 0;
};

HostSize MeasureHost(os::Os& os, fw::Backend& backend, os::Handle host) {
  os::Rect rect;  // stays all zeros when the query fails
  os.GetWindowRect(host, &rect);
  return {HostTwips(backend.TwipsPerPixelX(), rect.right - rect.left),
          HostTwips(backend.TwipsPerPixelY(), rect.bottom - rect.top)};
}

// A child window must not keep WS_POPUP, which the system documents as invalid with SetParent.
void MakeChildWindow(os::Os& os, os::Handle window) {
  const std::int32_t style = os.GetWindowLongA(window, os::kGwlStyle);
  os.SetWindowLongA(window, os::kGwlStyle, (style & ~os::kWsPopup) | os::kWsChild);
}

// The picture area covers the whole window: its size is the window's in pixels.
void FillWithPictureArea(Quarlo_R& preview, fw::Backend& backend, HostSize size) {
  const double widthPixels = size.width / backend.TwipsPerPixelX();
  const double heightPixels = size.height / backend.TwipsPerPixelY();
  // Our controls keep their geometry in twips; the pixel size goes back through the same factor.
  preview.Img_Prev.Move(0, 0, ToInt32(widthPixels * backend.TwipsPerPixelX()).value_or(0),
                        ToInt32(heightPixels * backend.TwipsPerPixelY()).value_or(0));
}

}  // namespace

std::int16_t HostTwips(double twipsPerPixel, std::int32_t pixels) {
  const double twips = twipsPerPixel * pixels;
  if (!(twips > 0.0)) return 0;
  if (twips >= kMaxPreviewTwips) return kMaxPreviewTwips;
  return ToInt16(twips).value_or(0);
}

Quarlo_R::Quarlo_R(fw::Backend& backend, os::Os& os) : Form(backend, "Quarlo_R"), os_(os) {
  SetCaption("Preview Window");
  SetBorder(fw::FormBorder::None);
  SetBackColour(kBlack);
  Img_Prev.Move(0, 0, kImgPrevDesignWidth, kImgPrevDesignHeight);
  Img_Prev.SetBackColour(kBlack);
  Img_Prev.SetPicture(backend.LoadPicture(IDR_PREVIEW));
}

void Quarlo_R::Form_Unload() {
  // A window its host has already destroyed has no handle left to post to.
  if (hWnd() != os::kNull) os_.PostMessageA(hWnd(), os::kWmClose, 0, 0);
}

std::unique_ptr<Quarlo_R> StartPreview(os::Os& os, fw::Backend& backend,
                                       const std::string& commandText) {
  const os::Handle host = PreviewHostHandle(commandText);
  // Without a host window the preview could never be shown nor closed: end at once rather
  // than leave an invisible process behind.
  if (!os.IsWindow(host)) {
    os.ExitProcess(0);
    return nullptr;
  }
  const HostSize size = MeasureHost(os, backend, host);

  auto preview = std::make_unique<Quarlo_R>(backend, os);
  if (!preview->Load()) {
    // No window could be created: nothing would ever end the process.
    preview.reset();
    os.ExitProcess(0);
    return nullptr;
  }
  const os::Handle window = preview->hWnd();
  MakeChildWindow(os, window);
  if (os.SetParent(window, host) == os::kNull) {
    // The host went away after the check above.
    preview.reset();
    os.ExitProcess(0);
    return nullptr;
  }
  preview->Move(0, 0, size.width, size.height);
  FillWithPictureArea(*preview, backend, size);
  preview->Show(false);
  return preview;
}

}  // namespace quarlo
