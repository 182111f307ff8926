#pragma once
// `Command` (type name "Quarlo.Command"): the image push button of the settings dialog.
//
// The button draws its own face into its window's persistent back buffer: a vertical two-colour
// gradient framed by the 4-pixel border of one of six face images, with the caption `LblMsg`
// drawn over it. It follows the pointer with its own 100 ms timer `TmrMouse`, shows focus and
// press through the frame and the gradient, and raises `Click` on a mouse release. Its own window
// handles no keys; the form's keyboard presses it as a push button (Space while it has the focus,
// Enter as the default button, Escape as the cancel button), and assistive technology may too.
//
// How a host uses it:
//   Command Cmd_Set{this, "Cmd_Set", os};               // a member of the form, in creation order
//   Cmd_Set.UserControl_ReadProperties(storedDesign);   // the properties saved with the design
//   Cmd_Set.Move(4260, 2220, 1215, 375);
//   Cmd_Set.Click = [this] { Cmd_Set_Click(); };
//   ... after the form has loaded: Cmd_Set.Initialize();
//
// Properties. The five public properties follow the Get / Let / Set accessor shape, so that they
// do not collide with fw::Control's own Visible() and Enabled():
//   Visible     GetVisible() -> 255 opaque / 0 transparent    LetVisible(New_Visible)
//   FontColour  GetFontColour() -> colour, red in low byte    LetFontColour(New_FontColour)
//   Enabled     GetEnabled() -> Bool16                        LetEnabled(New_Enabled)
//   Caption     GetCaption()                                  LetCaption(New_Caption)
//   Font        GetFont()                                     SetFont(New_Font)
// Reading Visible, FontColour or Enabled repaints the face (see each accessor). A written
// property is announced through PropertyChanged with its name. This button's `Enabled` is its own
// (IsEnabled), not fw::Control's: a disabled button keeps its window and its focus and only stops
// reacting.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/controls.h"
#include "rules/numeric.h"
#include "framework/picture.h"
#include "framework/property_bag.h"
#include "os/os.h"

namespace quarlo {

class Command : public fw::UserControl {
 public:
  // FaceState: which look the button rests in. Pressed and disabled are drawn, not states.
  enum class State : std::uint8_t {
    None = 0,
    Normal = 1,
    HighLight = 2,
    Selected = 3,
    HighLightSelect = 4
  };
  // The six stored face images, in the order of their resource ids (IDR_FACE_NORMAL 420 on).
  enum class FaceImage { Normal, HighLight, HighLightSelect, Selected, Pressed, Disable };

  static constexpr int kDesignWidth = 1755;  // twips, a new instance's size
  static constexpr int kDesignHeight = 420;
  static constexpr int kCaptionHeight = 195;            // twips, one text line; never changes
  static constexpr std::uint32_t kHoverInterval = 100;  // ms

  Command(fw::Container* parent, std::string name, os::Os& os, int index = -1);
  std::string_view TypeName() const override { return "Quarlo.Command"; }

  // --- Public interface ------------------------------------------------------------------------
  // Puts the button into Normal and (re)starts its 100 ms hover timer. Draws nothing.
  void Initialize();

  std::uint8_t GetVisible();
  void LetVisible(std::uint8_t New_Visible);
  std::int32_t GetFontColour();
  void LetFontColour(std::int32_t New_FontColour);
  Bool16 GetEnabled();
  void LetEnabled(Bool16 New_Enabled);
  std::string GetCaption() const;
  void LetCaption(std::string New_Caption);
  fw::Font GetFont() const;
  void SetFont(const fw::Font& New_Font);
  // The caption's line is one design line (195 twips) high; a font of another script may need a
  // taller one.
  void SetCaptionHeight(int twips);

  // As a push button to the form's keyboard and to assistive technology: pressed only while
  // enabled, named by its caption.
  void PerformClick() override;
  bool Available() const override { return IsTrue(isEnabled_) && Enabled(); }
  fw::CaptionText OwnCaption() const override { return LblMsg.OwnCaption(); }

  // Click is fw::Control::Click: raised only by a mouse release while the button is enabled.
  // Told the name of each property written: "Visible", "FontColour", "Enabled", "Caption", "Font".
  std::function<void(std::string_view)> PropertyChanged;

  // The persisted property store: the host reads it when it loads the design, writes it when it
  // saves the design. Keys: Enabled, Caption, FirstRun, Font, FontColour, Visible.
  void UserControl_ReadProperties(const fw::PropertyBag& bag);
  void UserControl_WriteProperties(fw::PropertyBag& bag);
  // The host's font, default of the stored "Font".
  static fw::Font AmbientFont() { return fw::Font{}; }

  // --- Handlers, reached from the button's window and timer ------------------------------------
  void UserControl_MouseDown(int button, int shift, int x, int y) override;
  void UserControl_MouseMove(int button, int shift, int x, int y) override;
  void UserControl_MouseUp(int button, int shift, int x, int y) override;
  void UserControl_GotFocus() override;
  void UserControl_LostFocus() override;
  void UserControl_Resize() override;
  void TmrMouse_Timer();
  void LblMsg_MouseDown(int button, int shift, int x, int y) {
    UserControl_MouseDown(button, shift, x, y);
  }
  void LblMsg_MouseMove(int button, int shift, int x, int y) {
    UserControl_MouseMove(button, shift, x, y);
  }
  void LblMsg_MouseUp(int button, int shift, int x, int y) {
    UserControl_MouseUp(button, shift, x, y);
  }

  // --- State, for inspection -------------------------------------------------------------------
  State FaceState() const { return faceState_; }
  Bool16 GradientReversed() const { return gradientReversed_; }
  Bool16 ButtonDown() const { return buttonDown_; }
  Bool16 IsEnabled() const { return isEnabled_; }  // no first-run rule, no repaint
  std::uint8_t FirstRun() const { return firstRun_; }
  bool Opaque() const { return opaque_; }

  // Constituent controls: the caption drawn over the face and the hover timer. The framework
  // dispatches their events; a host leaves them alone.
  fw::Label LblMsg;
  fw::Timer TmrMouse;

 private:
  // Slice geometry of the face, twips, 16-bit as stored; a value that overflows keeps the old one.
  struct Slices {
    std::int16_t acrossEdge = 0;   // W - 120
    std::int16_t rightColumn = 0;  // W - 60
    std::int16_t downEdge = 0;     // H - 120
    std::int16_t bottomRow = 0;    // H - 60
  };

  void DrawFace(FaceImage image);
  void FillGradient();
  void ApplyEnabledLook();
  void RefreshNormal();
  void HoverExit();
  void FirstRunRule();

  void SetGradientDirection();
  void ComputeSlices();
  void PaintPieces(fw::Surface& surface, const fw::Picture& picture);
  void PlaceCaption();
  const fw::Picture* Face(FaceImage image);
  void RaiseClick();
  void Announce(std::string_view property);
  void SetCaptionColour(std::int32_t colour);

  os::Os& os_;
  State faceState_ = State::None;
  Bool16 gradientReversed_ = kFalse;
  Bool16 buttonDown_ = kFalse;
  Bool16 isEnabled_ = kFalse;
  std::uint8_t firstRun_ = 0;
  bool opaque_ = true;
  Slices slices_;
  std::array<fw::TriVertex, 2> vertices_{};
  fw::GradientRect mesh_{};
  std::array<fw::PicturePtr, 6> faces_{};
};

// The two gradient colours as the button holds them.
inline constexpr std::string_view kGradientWhite = "&HFFFFFF";
inline constexpr std::string_view kGradientLavender = "&HC6C5D7";

// A colour text read as written: its hexadecimal digits taken in pairs as red, green and blue,
// each pair the high byte of a 16-bit channel ("&HC6C5D7" gives C600, C500, D700). nullopt when
// the text is no number.
struct GradientChannels {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  friend bool operator==(const GradientChannels&, const GradientChannels&) = default;
};
std::optional<GradientChannels> ReadGradientColour(std::string_view colourText);

}  // namespace quarlo
