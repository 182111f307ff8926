#include "framework/form.h"

#include <algorithm>
#include <cmath>

namespace quarlo::fw {

Form::Form(Backend& backend, std::string name) : Container(nullptr, std::move(name)), backend_(backend) {}

Form::~Form() {
  // Controls are members of the subclass and are already gone; drop the window last.
  AttachPeer(nullptr);
}

void Form::Unregister(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void Form::Load() {
  if (loaded_) return;
  AttachPeer(backend_.CreatePeer(*this));
  for (Control* control : controls_) control->AttachPeer(backend_.CreatePeer(*control));
  loaded_ = true;
  Form_Load();
}

void Form::Show(bool modal) {
  if (!loaded_) Load();
  if (!loaded_) return;
  SetVisible(true);
  if (modal) backend_.RunModal(*this);
}

void Form::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  Form_Unload();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->AttachPeer(nullptr);
  AttachPeer(nullptr);
}

int Form::ScaleWidth() const { return Width(); }
int Form::ScaleHeight() const { return Height(); }

// --- Headless backend --------------------------------------------------------------------------

namespace {

class HeadlessPeer final : public ControlPeer {
 public:
  HeadlessPeer(Control& control, os::Handle handle, Backend& backend)
      : control_(control), handle_(handle), backend_(backend) {
    if (dynamic_cast<Container*>(&control_) != nullptr) {
      surface_ = std::make_unique<SoftwareSurface>(PixelsX(), PixelsY());
    }
  }
  void Update(Change what) override {
    if (what == Change::Geometry && surface_ &&
        (surface_->Width() != PixelsX() || surface_->Height() != PixelsY())) {
      surface_->Resize(PixelsX(), PixelsY());
    }
  }
  os::Handle Handle() const override { return handle_; }
  Surface* DrawingSurface() override { return surface_.get(); }

 private:
  int PixelsX() const {
    return std::max(static_cast<int>(std::lround(control_.Width() / backend_.TwipsPerPixelX())), 0);
  }
  int PixelsY() const {
    return std::max(static_cast<int>(std::lround(control_.Height() / backend_.TwipsPerPixelY())), 0);
  }

  Control& control_;
  os::Handle handle_;
  Backend& backend_;
  std::unique_ptr<SoftwareSurface> surface_;
};

}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control& control) {
  const bool windowless = dynamic_cast<Label*>(&control) || dynamic_cast<Image*>(&control) ||
                          dynamic_cast<Shape*>(&control) || dynamic_cast<Timer*>(&control);
  return std::make_unique<HeadlessPeer>(control, windowless ? os::kNull : nextHandle_++, *this);
}

PicturePtr HeadlessBackend::LoadPicture(int resourceId) {
  const auto it = pictures.find(resourceId);
  return it == pictures.end() ? nullptr : it->second;
}

void HeadlessBackend::DoEvents() {
  ++doEventsCount;
  if (onDoEvents) onDoEvents();
}

void HeadlessBackend::RunModal(Form& form) {
  if (onModal) onModal(form);
}

}  // namespace quarlo::fw
