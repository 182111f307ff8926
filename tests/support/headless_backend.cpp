#include "support/headless_backend.h"

#include <algorithm>
#include <cmath>

#include "framework/accessible.h"

#include "support/software_surface.h"

namespace quarlo::testing {
namespace {

class HeadlessPeer final : public fw::ControlPeer {
 public:
  HeadlessPeer(fw::Control& control, os::Handle handle, HeadlessBackend& backend)
      : control_(control), handle_(handle), backend_(backend) {
    if (dynamic_cast<fw::Container*>(&control_) != nullptr) {
      surface_ = std::make_unique<SoftwareSurface>(PixelsX(), PixelsY());
    }
    if (form_ != nullptr) backend_.FormWindowCreated(*form_, handle_);
  }
  ~HeadlessPeer() override {
    if (form_ != nullptr) backend_.FormWindowGoing(*form_, handle_);
  }
  void Update(fw::Change what) override {
    if ((what == fw::Change::Geometry || what == fw::Change::Style) && surface_ &&
        (surface_->Width() != PixelsX() || surface_->Height() != PixelsY())) {
      surface_->Resize(PixelsX(), PixelsY());
      if (auto* user = dynamic_cast<fw::UserControl*>(&control_)) user->UserControl_Resize();
    }
  }
  os::Handle Handle() const override { return handle_; }
  fw::Surface* DrawingSurface() override { return surface_.get(); }

 private:
  // The drawable inside: a picture box's border takes a pixel on each side.
  int PixelsX() const {
    if (auto* box = dynamic_cast<const fw::PictureBox*>(&control_)) return box->InnerWidthPixels();
    return std::max(fw::TwipsToPixels(control_.Width(), backend_.TwipsPerPixelX()), 0);
  }
  int PixelsY() const {
    if (auto* box = dynamic_cast<const fw::PictureBox*>(&control_)) return box->InnerHeightPixels();
    return std::max(fw::TwipsToPixels(control_.Height(), backend_.TwipsPerPixelY()), 0);
  }

  fw::Control& control_;
  os::Handle handle_;
  HeadlessBackend& backend_;
  std::unique_ptr<SoftwareSurface> surface_;
  // A form with a window of its own, its window's registrations given up with the peer.
  const fw::Form* form_ = handle_ != os::kNull ? dynamic_cast<const fw::Form*>(&control_) : nullptr;
};

}  // namespace

std::unique_ptr<fw::ControlPeer> HeadlessBackend::CreatePeer(fw::Control& control) {
  const bool topLevel = dynamic_cast<fw::Form*>(&control) != nullptr;
  const bool noWindow = fw::IsWindowless(control) || (windowsFail && topLevel);
  return std::make_unique<HeadlessPeer>(control, noWindow ? os::kNull : nextHandle_++, *this);
}

fw::PicturePtr HeadlessBackend::LoadPicture(int resourceId) {
  const auto it = pictures.find(resourceId);
  return it == pictures.end() ? nullptr : it->second;
}

fw::Size HeadlessBackend::TextExtent(const fw::Font& font, const std::string& text,
                                     bool mnemonics) {
  const std::string shown = mnemonics ? fw::WithoutMnemonics(text) : text;
  // UTF-8 lead bytes only: one per character.
  const auto characters = std::count_if(shown.begin(), shown.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  const double scale = font.size / 9 * twipsPerPixel;
  return {static_cast<int>(std::lround(static_cast<double>(characters) * 7 * scale)),
          static_cast<int>(std::lround(16 * scale))};
}

int HeadlessBackend::WindowDpi(const fw::Form& form) {
  const int x = fw::TwipsToPixels(form.Left(), twipsPerPixel);
  const int y = fw::TwipsToPixels(form.Top(), twipsPerPixel);
  for (const auto& [rect, scale] : monitorDpi) {
    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) return scale;
  }
  return dpi > 0 ? dpi : Backend::WindowDpi(form);
}

void HeadlessBackend::DoEvents() {
  ++doEventsCount;
  if (onDoEvents) onDoEvents();
}

void HeadlessBackend::RunModal(fw::Form& form) {
  if (onModal) onModal(form);
}

}  // namespace quarlo::testing
