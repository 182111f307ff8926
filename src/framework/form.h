#pragma once
// Top-level windows and the backend that realises them.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/frame_pacer.h"

namespace quarlo::fw {

enum class FormBorder { None, FixedDialog };

class Form : public Container {
 public:
  Form(Backend& backend, std::string name);
  ~Form() override;
  std::string_view TypeName() const override { return "Form"; }
  Backend& GetBackend() const { return backend_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Notify(Change::Caption);
  }
  FormBorder Border() const { return border_; }
  void SetBorder(FormBorder border) {
    border_ = border;
    Notify(Change::Style);
  }
  // An icon resource of the program for the title bar; 0 for none.
  int IconResource() const { return iconResource_; }
  void SetIconResource(int id) { iconResource_ = id; }
  // Key presses reach Form_KeyDown whichever child has the focus.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }

  // Every control of the form, in creation order, whatever its container.
  const std::vector<Control*>& Controls() const { return controls_; }
  void Register(Control* control) { controls_.push_back(control); }
  void Unregister(Control* control);

  // Creates the window and its controls (hidden), raises UserControl_Resize on every user
  // control, then runs Form_Load. A form is hidden (Visible false) until it is shown.
  void Load();
  bool IsLoaded() const { return loaded_; }
  // Shows the window, and raises Form_Resize when it was hidden; a modal show returns when the
  // form has been unloaded.
  void Show(bool modal = false);
  // Runs Form_Unload and destroys the window. Safe to call twice.
  void Unload();

  // The client area in twips (the inside of the window; the whole form without a border).
  int ScaleWidth() const;
  int ScaleHeight() const;
  // Sizes the window so that its client area is width x height twips; before Load the size is
  // applied when the window is created.
  void SetClientSize(int width, int height);

  // Handlers a form overrides.
  virtual void Form_Load() {}
  virtual void Form_Resize() {}
  virtual void Form_Unload() {}
  virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}

 private:
  Backend& backend_;
  std::string caption_;
  FormBorder border_ = FormBorder::FixedDialog;
  int iconResource_ = 0;
  bool keyPreview_ = false;
  bool loaded_ = false;
  std::optional<Size> clientSize_;
  std::vector<Control*> controls_;
};

// The form's controls that take part in the tab order, in the order Tab visits them: by
// TabIndex, controls without one (-1) after the others, and in creation order among equals.
// `eligible` says whether a control can take the focus now (a visible, enabled window).
std::vector<Control*> TabOrder(const Form& form,
                               const std::function<bool(const Control&)>& eligible);
// Where Tab (or Shift+Tab, `backwards`) moves the focus from `current`, wrapping round; from a
// control outside the order it goes to the first (or last). nullptr when no control is eligible.
Control* NextInTabOrder(const Form& form, const Control* current, bool backwards,
                        const std::function<bool(const Control&)>& eligible);

// The platform that realises forms and controls.
class Backend {
 public:
  virtual ~Backend() = default;
  // A peer for the control (forms included); called by Form::Load in creation order.
  virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) = 0;
  // Decodes a picture resource of the program; nullptr when it is missing or undecodable.
  virtual PicturePtr LoadPicture(int resourceId) = 0;
  virtual double TwipsPerPixelX() = 0;
  virtual double TwipsPerPixelY() = 0;
  virtual int ScreenWidthPixels() = 0;
  virtual int ScreenHeightPixels() = 0;
  // Handles every pending message of the thread once, then returns.
  virtual void DoEvents() = 0;
  // Drives a frame loop until `steps.running()` is false: composes each step of 1/60 s ahead of
  // its time, presents it on the display's first refresh at or after that time, handles the
  // messages while it waits, and pauses while nobody watches `form`'s screen (FramePacer).
  virtual void RunFrames(Form& form, const FrameSteps& steps) = 0;
  // Runs the message loop until the form has been unloaded.
  virtual void RunModal(Form& form) = 0;
  // Runs the message loop until no window of the program is left.
  virtual void RunMessageLoop() = 0;
  virtual void SetFocus(Control& control) = 0;
};

// A backend without a screen: peers hold their state in memory, drawable controls get a
// software surface of their pixel size, and nothing waits. Tests script it.
class HeadlessBackend : public Backend {
 public:
  double twipsPerPixel = 15.0;
  int screenWidth = 1024;
  int screenHeight = 768;
  std::map<int, PicturePtr> pictures;  // resource id -> picture
  std::function<void()> onDoEvents;    // runs inside each DoEvents
  std::function<void(Form&)> onModal;  // runs inside RunModal, in place of the user
  int doEventsCount = 0;
  // The frame loop's clock: each wait of a loop handles the messages once (DoEvents) and then
  // moves the clock on to its deadline. No compositor; the audience is scripted.
  double nowMs = 0;
  Audience audience;
  Control* focused = nullptr;

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  PicturePtr LoadPicture(int resourceId) override;
  double TwipsPerPixelX() override { return twipsPerPixel; }
  double TwipsPerPixelY() override { return twipsPerPixel; }
  int ScreenWidthPixels() override { return screenWidth; }
  int ScreenHeightPixels() override { return screenHeight; }
  void DoEvents() override;
  void RunFrames(Form& form, const FrameSteps& steps) override;
  void RunModal(Form& form) override;
  void RunMessageLoop() override {}
  void SetFocus(Control& control) override { focused = &control; }

 private:
  os::Handle nextHandle_ = 0x1000;
};

}  // namespace quarlo::fw
