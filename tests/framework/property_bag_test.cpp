#include "framework/property_bag.h"

#include <gtest/gtest.h>

namespace quarlo::fw {
namespace {

using Strings = std::vector<std::string>;

TEST(PropertyBag, MissingKeysReadAsTheirDefaults) {
  const PropertyBag bag;
  EXPECT_EQ(bag.ReadBoolean("Enabled", true), true);
  EXPECT_EQ(bag.ReadText("Caption", "Command1"), "Command1");
  EXPECT_EQ(bag.ReadByte("FirstRun", 1), 1);
  EXPECT_EQ(bag.ReadInt16("Visible", 1), 1);
  EXPECT_EQ(bag.ReadInt32("FontColour", 0), 0);
  const Font ambient{"Tahoma", 8.0, 400, false, false, false, 0};
  EXPECT_EQ(bag.ReadFont("Font", ambient), ambient);
}

TEST(PropertyBag, StoredTextsConvertToTheAskedNumberOrFail) {
  const struct {
    const char* stored;
    std::optional<std::uint8_t> byte;
    std::optional<std::int16_t> int16;
    std::optional<std::int32_t> int32;
    std::optional<bool> boolean;
  } cases[] = {
      {"0", 0, 0, 0, false},
      {"255", 255, 255, 255, true},
      {"300", std::nullopt, 300, 300, true},
      {"-1", std::nullopt, -1, -1, true},
      {"2.5", 2, 2, 2, true},  // halves to the even neighbour
      {"3.5", 4, 4, 4, true},
      {"40000", std::nullopt, std::nullopt, 40000, true},
      {"&HFF", 255, 255, 255, true},
      {"\"7\"", 7, 7, 7, true},  // a quoted number still reads as a number
      {"abc", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"\"\"", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"True", std::nullopt, std::nullopt, std::nullopt, true},
      {"false", std::nullopt, std::nullopt, std::nullopt, false},
      {"3000000000", std::nullopt, std::nullopt, std::nullopt, true},
  };
  for (const auto& c : cases) {
    const PropertyBag bag = PropertyBag::Parse(std::string("K = ") + c.stored);
    EXPECT_EQ(bag.ReadByte("K", 9), c.byte) << c.stored;
    EXPECT_EQ(bag.ReadInt16("K", 9), c.int16) << c.stored;
    EXPECT_EQ(bag.ReadInt32("K", 9), c.int32) << c.stored;
    EXPECT_EQ(bag.ReadBoolean("K", false), c.boolean) << c.stored;
  }
}

TEST(PropertyBag, ValuesEqualToTheirDefaultAreNotStored) {
  PropertyBag bag;
  bag.WriteBoolean("Enabled", true, true);
  bag.WriteText("Caption", "Command", "Command");
  bag.WriteByte("FirstRun", 1, 1);
  bag.WriteInt16("Visible", 1, 1);
  bag.WriteInt32("FontColour", 0, 0);
  bag.WriteFont("Font", Font{}, Font{});
  EXPECT_TRUE(bag.Keys().empty());
  // Writing the default over a stored value removes it.
  bag.WriteInt16("Visible", 0, 1);
  EXPECT_TRUE(bag.Contains("visible"));
  bag.WriteInt16("VISIBLE", 1, 1);
  EXPECT_FALSE(bag.Contains("Visible"));
}

TEST(PropertyBag, KeysMatchWithoutCaseAndKeepTheirFirstPlace) {
  PropertyBag bag;
  bag.WriteText("Caption", "a", "");
  bag.WriteInt32("FontColour", 5, 0);
  bag.WriteText("CAPTION", "b", "");
  EXPECT_EQ(bag.Keys(), Strings({"Caption", "FontColour"}));
  EXPECT_EQ(bag.ReadText("caption", ""), "b");
}

TEST(PropertyBag, TextFormRoundTripsEveryKind) {
  PropertyBag bag;
  const std::string awkward = "say \"hi\"\\ \n\ttab\r 設定 ｷｬﾝｾﾙ = { }";
  bag.WriteText("Caption", awkward, "Command");
  bag.WriteText("Empty", "", "x");
  bag.WriteBoolean("Enabled", false, true);
  bag.WriteByte("FirstRun", 0, 1);
  bag.WriteInt16("Visible", -32768, 1);
  bag.WriteInt32("FontColour", 2147483647, 0);
  const Font font{"ＭＳ Ｐゴシック", 9.75, 400, false, true, false, 128};
  const Font odd{"Name \"with\" quotes", 11.2, 900, true, false, true, 255};
  bag.WriteFont("Font", font, Font{"Arial"});
  bag.WriteFont("Other", odd, Font{});

  const PropertyBag back = PropertyBag::Parse(bag.Serialize());
  EXPECT_EQ(back.Keys(), bag.Keys());
  EXPECT_EQ(back.ReadText("Caption", ""), awkward);
  EXPECT_EQ(back.ReadText("Empty", "x"), "");
  EXPECT_EQ(back.ReadBoolean("Enabled", true), false);
  EXPECT_EQ(back.ReadByte("FirstRun", 1), 0);
  EXPECT_EQ(back.ReadInt16("Visible", 1), -32768);
  EXPECT_EQ(back.ReadInt32("FontColour", 0), 2147483647);
  EXPECT_EQ(back.ReadFont("Font", Font{}), font);
  EXPECT_EQ(back.ReadFont("Other", Font{}), odd);
  EXPECT_EQ(back.Serialize(), bag.Serialize());
}

TEST(PropertyBag, TheTextFormReadsAsWritten) {
  const PropertyBag bag = PropertyBag::Parse(
      "# a saved design\n"
      "\n"
      "  Caption   =   \"ｷｬﾝｾﾙ\"  \r\n"
      "Font = {\n"
      "  Name = \"ＭＳ Ｐゴシック\"\n"
      "  Size = 9.75\n"
      "  Charset = 128\n"
      "}\n"
      "FontColour = 255\n");
  EXPECT_EQ(bag.Keys(), Strings({"Caption", "Font", "FontColour"}));
  EXPECT_EQ(bag.ReadText("Caption", ""), "ｷｬﾝｾﾙ");
  // Fields a font block leaves out are those of a plain font.
  EXPECT_EQ(bag.ReadFont("Font", Font{"Arial"}),
            (Font{"ＭＳ Ｐゴシック", 9.75, 400, false, false, false, 128}));
  EXPECT_EQ(bag.ReadInt32("FontColour", 0), 255);
}

TEST(PropertyBag, UnreadableValuesAreKeptSoThatNoReadAcceptsThem) {
  const struct {
    const char* text;
    const char* key;
  } cases[] = {
      {"Caption = \"open", "Caption"},
      {"Caption = \"bad \\q escape\"", "Caption"},
      {"Caption = \"inner \" quote\"", "Caption"},
      {"Caption =", "Caption"},
      {"Font = {\n  Weight = heavy\n}", "Font"},
      {"Font = {\n  Size = 0\n}", "Font"},
      {"Font = {\n  Charset = 256\n}", "Font"},
      {"Font = {\n  Colour = 5\n}", "Font"},
      {"Font = {\n  Name = bare\n}", "Font"},
      {"Font = {\n  Name = \"x\"\n", "Font"},  // never closed
  };
  for (const auto& c : cases) {
    const PropertyBag bag = PropertyBag::Parse(c.text);
    EXPECT_TRUE(bag.Contains(c.key)) << c.text;
    EXPECT_EQ(bag.ReadText(c.key, "default"), std::nullopt) << c.text;
    EXPECT_EQ(bag.ReadFont(c.key, Font{}), std::nullopt) << c.text;
    EXPECT_EQ(bag.ReadInt32(c.key, 0), std::nullopt) << c.text;
  }
}

TEST(PropertyBag, SavingAgainDropsUnreadableEntriesAndKeepsTheOthersWhole) {
  // An unreadable entry between two good ones, and one at the very end.
  const PropertyBag bag = PropertyBag::Parse(
      "Odd =\n"
      "Caption = \"x\"\n"
      "Font = {\n  Weight = heavy\n}\n"
      "FontColour = 255\n"
      "Broken = \"open\n");
  const PropertyBag back = PropertyBag::Parse(bag.Serialize());
  EXPECT_EQ(back.Keys(), Strings({"Caption", "FontColour"})) << bag.Serialize();
  EXPECT_EQ(back.ReadText("Caption", "default"), "x");
  EXPECT_EQ(back.ReadInt32("FontColour", 0), 255);
}

TEST(PropertyBag, FontsAndTextsDoNotStandInForEachOther) {
  PropertyBag bag;
  bag.WriteFont("Font", Font{"Arial"}, Font{});
  bag.WriteText("Caption", "x", "");
  EXPECT_EQ(bag.ReadText("Font", ""), std::nullopt);
  EXPECT_EQ(bag.ReadBoolean("Font", true), std::nullopt);
  EXPECT_EQ(bag.ReadFont("Caption", Font{}), std::nullopt);
}

TEST(PropertyBag, LinesWithoutAKeyAreSkipped) {
  const PropertyBag bag = PropertyBag::Parse("no equals sign\n= 5\nA = 1\n}\n");
  EXPECT_EQ(bag.Keys(), Strings({"A"}));
}

}  // namespace
}  // namespace quarlo::fw
