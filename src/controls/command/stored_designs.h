#pragma once
// The property sets the settings dialog's three buttons were saved with, in the property store's
// text form (framework/property_bag.h). The dialog parses each and hands it to the button's
// UserControl_ReadProperties while it loads; every key not written here reads as its default,
// so the buttons come up enabled, opaque, with black captions and FirstRun 1.

#include <string_view>

namespace quarlo {

inline constexpr std::string_view kCmdCanDesign = R"(Caption = "ｷｬﾝｾﾙ"
Font = {
  Name = "ＭＳ Ｐゴシック"
  Size = 9.75
  Weight = 400
  Italic = False
  Underline = False
  Strikethrough = False
  Charset = 128
}
)";

inline constexpr std::string_view kCmdSetDesign = R"(Caption = "設定"
Font = {
  Name = "ＭＳ Ｐゴシック"
  Size = 9.75
  Weight = 400
  Italic = False
  Underline = False
  Strikethrough = False
  Charset = 128
}
)";

inline constexpr std::string_view kCmdBgmDesign = R"(Caption = "..."
Font = {
  Name = "ＭＳ Ｐゴシック"
  Size = 9.75
  Weight = 400
  Italic = False
  Underline = False
  Strikethrough = False
  Charset = 128
}
)";

}  // namespace quarlo
