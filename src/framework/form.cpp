#include "framework/form.h"

#include <algorithm>
#include <limits>

namespace quarlo::fw {

Form::Form(Backend& backend, std::string name)
    : Container(nullptr, std::move(name)), backend_(backend) {
  SetVisible(false);
}

Form::~Form() {
  // Controls are members of the subclass and are already gone; drop the window last.
  AttachPeer(nullptr);
}

void Form::Unregister(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

bool Form::Load() {
  if (loaded_) return true;
  AttachPeer(backend_.CreatePeer(*this));
  if (hWnd() == os::kNull) {
    AttachPeer(nullptr);
    return false;
  }
  if (clientSize_) SetClientSize(clientSize_->width, clientSize_->height);
  for (Control* control : controls_) control->AttachPeer(backend_.CreatePeer(*control));
  loaded_ = true;
  // A copy: a handler may create or drop controls.
  const std::vector<Control*> controls = controls_;
  for (Control* control : controls) {
    if (auto* user = dynamic_cast<UserControl*>(control)) user->UserControl_Resize();
  }
  Form_Load();
  return true;
}

void Form::Show(bool modal) {
  if (!loaded_) Load();
  if (!loaded_) return;
  const bool wasHidden = !Visible();
  SetVisible(true);
  if (wasHidden && loaded_) Form_Resize();
  if (modal && loaded_) backend_.RunModal(*this);
}

void Form::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  Form_Unload();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->AttachPeer(nullptr);
  AttachPeer(nullptr);
  SetVisible(false);
}

void Form::Close(UnloadMode mode) {
  if (!loaded_) return;
  Bool16 cancel = kFalse;
  Form_QueryUnload(cancel, mode);
  if (!IsTrue(cancel)) Unload();
}

int Form::ScaleWidth() const {
  const auto client = Peer() ? Peer()->ClientSizeTwips() : std::nullopt;
  return client ? client->width : Width();
}

int Form::ScaleHeight() const {
  const auto client = Peer() ? Peer()->ClientSizeTwips() : std::nullopt;
  return client ? client->height : Height();
}

void Form::SetClientSize(int width, int height) {
  clientSize_ = Size{width, height};
  if (Peer() == nullptr) return;
  const Size frame = Peer()->FrameSizeTwips();
  Resize(width + frame.width, height + frame.height);
}

BlankWindow::BlankWindow(Backend& backend, const os::Rect& area)
    : area_(area), peer_(backend.CreateBlankWindow(*this)) {}

void BlankWindow::Place(const os::Rect& area) {
  area_ = area;
  if (peer_) peer_->Place(area);
}

std::vector<Control*> TabOrder(const Form& form,
                               const std::function<bool(const Control&)>& eligible) {
  std::vector<Control*> order;
  for (Control* control : form.Controls()) {
    if (eligible(*control)) order.push_back(control);
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    const auto key = [](const Control* c) {
      return c->TabIndex() < 0 ? std::numeric_limits<int>::max() : c->TabIndex();
    };
    return key(a) < key(b);
  });
  return order;
}

Control* NextInTabOrder(const Form& form, const Control* current, bool backwards,
                        const std::function<bool(const Control&)>& eligible) {
  const std::vector<Control*> order = TabOrder(form, eligible);
  if (order.empty()) return nullptr;
  const auto at = std::find(order.begin(), order.end(), current);
  if (at == order.end()) return backwards ? order.back() : order.front();
  const std::size_t index = static_cast<std::size_t>(at - order.begin());
  const std::size_t count = order.size();
  return order[backwards ? (index + count - 1) % count : (index + 1) % count];
}

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
    if ((what == Change::Geometry || what == Change::Style) && surface_ &&
        (surface_->Width() != PixelsX() || surface_->Height() != PixelsY())) {
      surface_->Resize(PixelsX(), PixelsY());
      if (auto* user = dynamic_cast<UserControl*>(&control_)) user->UserControl_Resize();
    }
  }
  os::Handle Handle() const override { return handle_; }
  Surface* DrawingSurface() override { return surface_.get(); }

 private:
  // The drawable inside: a picture box's border takes a pixel on each side.
  int PixelsX() const {
    if (auto* box = dynamic_cast<const PictureBox*>(&control_)) return box->InnerWidthPixels();
    return std::max(TwipsToPixels(control_.Width(), backend_.TwipsPerPixelX()), 0);
  }
  int PixelsY() const {
    if (auto* box = dynamic_cast<const PictureBox*>(&control_)) return box->InnerHeightPixels();
    return std::max(TwipsToPixels(control_.Height(), backend_.TwipsPerPixelY()), 0);
  }

  Control& control_;
  os::Handle handle_;
  Backend& backend_;
  std::unique_ptr<SoftwareSurface> surface_;
};

// The window keeps the area its BlankWindow holds.
class HeadlessBlankPeer final : public BlankWindow::Peer {
 public:
  explicit HeadlessBlankPeer(os::Handle handle) : handle_(handle) {}
  void Place(const os::Rect&) override {}
  os::Handle Handle() const override { return handle_; }

 private:
  os::Handle handle_;
};

}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control& control) {
  const bool noWindow =
      IsWindowless(control) || (windowsFail && dynamic_cast<Form*>(&control) != nullptr);
  return std::make_unique<HeadlessPeer>(control, noWindow ? os::kNull : nextHandle_++, *this);
}

std::unique_ptr<BlankWindow::Peer> HeadlessBackend::CreateBlankWindow(BlankWindow&) {
  return std::make_unique<HeadlessBlankPeer>(windowsFail ? os::kNull : nextHandle_++);
}

PicturePtr HeadlessBackend::LoadPicture(int resourceId) {
  const auto it = pictures.find(resourceId);
  return it == pictures.end() ? nullptr : it->second;
}

void HeadlessBackend::DoEvents() {
  ++doEventsCount;
  if (onDoEvents) onDoEvents();
}

namespace {

class HeadlessFrames final : public FramePlatform {
 public:
  explicit HeadlessFrames(HeadlessBackend& backend) : backend_(backend) {}
  double NowMs() override { return backend_.nowMs; }
  bool Watching() override { return backend_.audience.Watching(); }
  bool Composited() override { return false; }
  void WaitUntil(std::optional<double> deadlineMs, const std::function<bool()>& done) override {
    backend_.DoEvents();
    if (!deadlineMs) {
      while (!done()) backend_.DoEvents();  // each pass stands for one message
    } else if (!done() && backend_.nowMs < *deadlineMs) {
      backend_.nowMs = *deadlineMs;
    }
  }
  std::optional<double> WaitForRefresh() override { return std::nullopt; }

 private:
  HeadlessBackend& backend_;
};

}  // namespace

void HeadlessBackend::RunFrames(Form& /*form*/, const FrameSteps& steps) {
  FramePacer pacer(60);
  HeadlessFrames frames(*this);
  RunFrameLoop(frames, pacer, steps);
}

void HeadlessBackend::RunModal(Form& form) {
  if (onModal) onModal(form);
}

}  // namespace quarlo::fw
