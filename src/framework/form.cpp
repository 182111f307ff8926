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
  if (defaultButton_ == control) defaultButton_ = nullptr;
  if (cancelButton_ == control) cancelButton_ = nullptr;
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

void Form::BackgroundInput(const os::RawInput& input) {
  if (!loaded_) return;
  if (input.type == os::kRimTypeKeyboard && (input.keyFlags & os::kRiKeyBreak) == 0) {
    Form_KeyDown(input.virtualKey, 0);
  } else if (input.type == os::kRimTypeMouse &&
             (input.buttonFlags & os::kRiMouseButtonsDown) != 0) {
    Form_BackgroundClick();
  }
}

namespace {

// Registers (or, `hear` false, removes) the window as the one that hears the keyboard and the
// mouse in the background.
void HearInBackground(os::Os& os, os::Handle window, bool hear) {
  const std::uint32_t flags = hear ? os::kRidevInputSink : os::kRidevRemove;
  const os::Handle target = hear ? window : os::kNull;
  const os::RawInputDevice devices[] = {
      {os::kHidUsagePageGeneric, os::kHidUsageKeyboard, flags, target},
      {os::kHidUsagePageGeneric, os::kHidUsageMouse, flags, target}};
  os.RegisterRawInputDevices(devices, 2);
}

}  // namespace

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

int ReadingPosition(const Control& control) {
  return control.TabIndex() < 0 ? std::numeric_limits<int>::max() : control.TabIndex();
}

std::vector<Control*> TabOrder(const Form& form,
                               const std::function<bool(const Control&)>& eligible) {
  std::vector<Control*> order;
  for (Control* control : form.Controls()) {
    if (eligible(*control)) order.push_back(control);
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return ReadingPosition(*a) < ReadingPosition(*b);
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

Backend::Backend(os::Os& os) : os_(os), frames_(os, [this] { DoEvents(); }) {}

void Backend::FormWindowCreated(const Form& form, os::Handle window) {
  if (form.Animated()) frames_.Listen(window);
  if (form.HearsBackgroundInput()) HearInBackground(os_, window, true);
}

void Backend::FormWindowGoing(const Form& form, os::Handle window) {
  if (form.Animated()) frames_.StopListening();
  if (form.HearsBackgroundInput()) HearInBackground(os_, window, false);
}

int Backend::WindowDpi(const Form& form) {
  std::uint32_t dpi = os_.GetDpiForWindow(form.hWnd());
  if (dpi == 0 && form.hWnd() != os::kNull) {
    dpi = os_.GetDpiForMonitor(os_.MonitorFromWindow(form.hWnd()));
  }
  return dpi > 0 ? static_cast<int>(dpi) : os_.ScreenDeviceCaps(os::kLogPixelsX);
}

void Backend::RunFrames(Form& form, const Frame& frame) {
  frames_.Run(
      frame, [&form] { return form.IsLoaded(); },
      [&form](bool watched) { form.Form_WatchChange(watched); });
}

}  // namespace quarlo::fw
