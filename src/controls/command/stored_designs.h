#pragma once
// The property sets the settings dialog's three buttons were saved with, in the property store's
// text form (framework/property_bag.h). The dialog parses each and hands it to the button's
// UserControl_ReadProperties while it loads; every key not written here reads as its default,
// so the buttons come up enabled, opaque, with black captions and FirstRun 1.

#include <string_view>

namespace quarlo {

// The font all three were saved with: the dialog's own.
#define QUARLO_DIALOG_BUTTON_FONT         \
  "Font = {\n"                            \
  "  Name = \"ＭＳ Ｐゴシック\"\n" \
  "  Size = 9.75\n"                       \
  "  Weight = 400\n"                      \
  "  Italic = False\n"                    \
  "  Underline = False\n"                 \
  "  Strikethrough = False\n"             \
  "  Charset = 128\n"                     \
  "}\n"

inline constexpr std::string_view kCmdCanDesign = "Caption = \"ｷｬﾝｾﾙ\"\n" QUARLO_DIALOG_BUTTON_FONT;

inline constexpr std::string_view kCmdSetDesign = "Caption = \"設定\"\n" QUARLO_DIALOG_BUTTON_FONT;

inline constexpr std::string_view kCmdBgmDesign = "Caption = \"...\"\n" QUARLO_DIALOG_BUTTON_FONT;

#undef QUARLO_DIALOG_BUTTON_FONT

}  // namespace quarlo
