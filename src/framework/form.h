#pragma once
// Top-level windows and the backend that realises them.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/frame_driver.h"
#include "rules/numeric.h"

namespace quarlo::fw {

enum class FormBorder { None, FixedDialog };

// Why a form is asked to close, with the numbers the handlers of its kind have always received.
enum class UnloadMode {
  // Its close command: the close box, Alt+F4, or a WM_CLOSE or SC_CLOSE from another program.
  FormControlMenu = 0,
  // The session is ending (the user logs off or the system shuts down).
  AppWindows = 2,
};

class Form : public Container {
 public:
  Form(Backend& backend, std::string name);
  ~Form() override;
  std::string_view TypeName() const override { return "Form"; }
  Backend& GetBackend() const { return backend_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { Assign(caption_, std::move(caption), Change::Caption); }
  CaptionText OwnCaption() const override { return {caption_, false}; }
  // The buttons Enter and Escape press wherever the focus is (framework/keyboard.h).
  Control* DefaultButton() const { return defaultButton_; }
  void SetDefaultButton(Control* button) { defaultButton_ = button; }
  Control* CancelButton() const { return cancelButton_; }
  void SetCancelButton(Control* button) { cancelButton_ = button; }
  FormBorder Border() const { return border_; }
  void SetBorder(FormBorder border) { Assign(border_, border, Change::Style); }
  // An icon resource of the program for the title bar; 0 for none.
  int IconResource() const { return iconResource_; }
  void SetIconResource(int id) { iconResource_ = id; }
  // Key presses reach Form_KeyDown whichever child has the focus.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  // The form whose window this one's belongs to: it stays in front of that window, has no
  // taskbar entry of its own and goes when that window goes. Set before Load.
  Form* Owner() const { return owner_; }
  void SetOwner(Form* owner) { owner_ = owner; }
  // False keeps the window out of the taskbar and the Alt+Tab list (a tool window); set before
  // Load.
  bool ShowInTaskbar() const { return showInTaskbar_; }
  void SetShowInTaskbar(bool on) { showInTaskbar_ = on; }
  // False shows the window without taking the activation from the active one (a window beside
  // the form that has the keyboard).
  bool ActivatesWhenShown() const { return activatesWhenShown_; }
  void SetActivatesWhenShown(bool on) { activatesWhenShown_ = on; }
  // An animated form's frames are driven by the backend (Backend::RunFrames), which follows
  // whether anybody watches its window from its creation to its destruction; set before Load.
  bool Animated() const { return animated_; }
  void SetAnimated(bool on) { animated_ = on; }
  // Keys and mouse buttons pressed while another window has the keyboard reach the form too
  // (Form_KeyDown, Form_BackgroundClick), as raw input heard in the background; set before Load.
  bool HearsBackgroundInput() const { return hearsBackgroundInput_; }
  void SetHearsBackgroundInput(bool on) { hearsBackgroundInput_ = on; }
  // The window covers a monitor and is placed by the form alone: when its monitor's scale changes
  // it keeps its rectangle, not the one Windows suggests for the new scale (grown with the scale,
  // it would reach onto the neighbouring monitor), and Form_DisplayChange places it again.
  bool CoversMonitor() const { return coversMonitor_; }
  void SetCoversMonitor(bool on) { coversMonitor_ = on; }
  // A raw input report heard in the background: a key pressed goes to Form_KeyDown, a mouse
  // button pressed to Form_BackgroundClick; releases and movement do nothing.
  void BackgroundInput(const os::RawInput& input);

  // Every control of the form, in creation order, whatever its container.
  const std::vector<Control*>& Controls() const { return controls_; }
  void Register(Control* control) { controls_.push_back(control); }
  void Unregister(Control* control);

  // Creates the window and its controls (hidden), raises UserControl_Resize on every user
  // control, then runs Form_Load. A form is hidden (Visible false) until it is shown. False when
  // the system could not create the window: the form then stays unloaded and Form_Load does not
  // run, so that whoever loads it can end instead of waiting for a window that does not exist.
  bool Load();
  bool IsLoaded() const { return loaded_; }
  // Shows the window, and raises Form_Resize when it was hidden; a modal show returns when the
  // form has been unloaded.
  void Show(bool modal = false);
  // Runs Form_Unload and destroys the window. Safe to call twice.
  void Unload();
  // A request to close the form that does not come from the program's own code (see
  // UnloadMode): Form_QueryUnload may refuse it or end the program its own way; otherwise the
  // form is unloaded.
  void Close(UnloadMode mode);

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
  virtual void Form_QueryUnload(Bool16& /*Cancel*/, UnloadMode /*mode*/) {}
  virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}
  // Another program took the activation from this one (WM_ACTIVATEAPP false).
  virtual void Form_AppDeactivate() {}
  // The screens changed: a new resolution, a monitor added or removed (WM_DISPLAYCHANGE), or the
  // scale of the window's monitor (WM_DPICHANGED).
  virtual void Form_DisplayChange() {}
  // The system asks to start its screen saver (SC_SCREENSAVE); Cancel refuses.
  virtual void Form_ScreenSave(Bool16& /*Cancel*/) {}
  // An animated form's frames pause because nobody watches (the display is off, the session
  // locked or disconnected), or go on again.
  virtual void Form_WatchChange(bool /*watched*/) {}
  // A mouse button was pressed while another window had the mouse and the keyboard.
  virtual void Form_BackgroundClick() {}

 private:
  Backend& backend_;
  std::string caption_;
  FormBorder border_ = FormBorder::FixedDialog;
  int iconResource_ = 0;
  bool keyPreview_ = false;
  bool showInTaskbar_ = true;
  bool activatesWhenShown_ = true;
  bool animated_ = false;
  bool hearsBackgroundInput_ = false;
  bool coversMonitor_ = false;
  bool loaded_ = false;
  Form* owner_ = nullptr;
  std::optional<Size> clientSize_;
  std::vector<Control*> controls_;
  Control* defaultButton_ = nullptr;
  Control* cancelButton_ = nullptr;
};

// A control's place in the form's order (TabIndex, those without one last).
int ReadingPosition(const Control& control);
// The form's controls that take part in the tab order, in the order Tab visits them: by
// TabIndex, controls without one (-1) after the others, and in creation order among equals.
// `eligible` says whether a control can take the focus now (a visible, enabled window).
std::vector<Control*> TabOrder(const Form& form,
                               const std::function<bool(const Control&)>& eligible);
// Where Tab (or Shift+Tab, `backwards`) moves the focus from `current`, wrapping round; from a
// control outside the order it goes to the first (or last). nullptr when no control is eligible.
Control* NextInTabOrder(const Form& form, const Control* current, bool backwards,
                        const std::function<bool(const Control&)>& eligible);

// The platform that realises forms and controls. It drives the frame loops of animated forms
// (FrameDriver) and runs the message loops.
class Backend {
 public:
  explicit Backend(os::Os& os);
  virtual ~Backend() = default;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // A peer for the control (forms included); called by Form::Load in creation order.
  virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) = 0;
  // Decodes a picture resource of the program; nullptr when it is missing or undecodable.
  virtual PicturePtr LoadPicture(int resourceId) = 0;
  // A black picture the surfaces blit from as fast as from a loaded one; nullptr for an empty
  // size or when the system refuses it.
  virtual PicturePtr NewPicture(int width, int height) = 0;
  // The dots per inch of the monitor the form's window is on: its window's (Windows 10 1607
  // on), its monitor's (8.1 on), or the screen's (before, and before the window exists).
  virtual int WindowDpi(const Form& form);
  virtual double TwipsPerPixelX() = 0;
  virtual double TwipsPerPixelY() = 0;
  // The font the system writes its dialogs' messages in, at the screen's scale.
  virtual Font MessageFont() = 0;
  // One line of text in a font, in twips; with `mnemonics` an "&" marks an access key and takes
  // no room.
  virtual Size TextExtent(const Font& font, const std::string& text, bool mnemonics) = 0;
  virtual int ScreenWidthPixels() = 0;
  virtual int ScreenHeightPixels() = 0;
  // Handles every pending message of the thread once, then returns.
  virtual void DoEvents() = 0;
  // Runs the message loop until the form has been unloaded.
  virtual void RunModal(Form& form) = 0;
  // Runs the message loop until no window of the program is left.
  virtual void RunMessageLoop() = 0;
  virtual void SetFocus(Control& control) = 0;

  // Drives the frames of an animated form until it unloads: handles the messages while it
  // waits, composes each step of 1/60 s when its present is due, shows it on the display's first
  // refresh at or after that time, and pauses while nobody watches (Form_WatchChange tells the
  // form).
  void RunFrames(Form& form, const Frame& frame);
  FrameDriver& Frames() { return frames_; }
  // A form's window was created, or is about to go (each once): an animated form's window is
  // watched by the frame driver, and a form that hears input in the background registers its
  // window for it, for as long as the window exists.
  void FormWindowCreated(const Form& form, os::Handle window);
  void FormWindowGoing(const Form& form, os::Handle window);
  // The system the backend and its peers call.
  os::Os& GetOs() { return os_; }

 private:
  os::Os& os_;
  FrameDriver frames_;
};

}  // namespace quarlo::fw
