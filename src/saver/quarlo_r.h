#pragma once
// The still preview: a borderless black window holding one picture, attached as a child window
// inside the preview pane of the screen-saver host (switch P).

#include <cstdint>
#include <memory>
#include <string>

#include "framework/form.h"
#include "os/os.h"

namespace quarlo {

// The largest width or height the preview window can take, in twips (16-bit sizes).
inline constexpr std::int16_t kMaxPreviewTwips = 32767;

// One side of the host pane in twips: twips per pixel times the pixel length, rounded half to
// even. A pane too large for a 16-bit size gets kMaxPreviewTwips (the picture still shows from
// the top-left); a negative length gets 0.
std::int16_t HostTwips(double twipsPerPixel, std::int32_t pixels);

class Quarlo_R : public fw::Form {
 public:
  Quarlo_R(fw::Backend& backend, os::Os& os);

  // Asks the window to close by posting WM_CLOSE to itself.
  void Form_Unload() override;

  fw::PictureBox Img_Prev{this, "Img_Prev"};

 private:
  os::Os& os_;
};

// The preview start-up: reads the host handle from the command text, creates the preview window,
// makes it a child of the host, sizes it and its picture area to the host and shows it. Returns
// the shown window, which lives on after the call. When the host handle names no window, or the
// window cannot be attached to it, the process is ended at once and nullptr comes back.
std::unique_ptr<Quarlo_R> StartPreview(os::Os& os, fw::Backend& backend,
                                       const std::string& commandText);

}  // namespace quarlo
