// The settings window's keys and its languages: what Tab, the arrows, Space, Enter, Escape and
// the access keys do, and the English face's texts, font and room for every text.
#include <gtest/gtest.h>

#include "framework/keyboard.h"
#include "settings_dialog/dialog_fixture.h"

namespace quarlo::testing {
namespace {

TEST_F(DialogTest, KeysMoveTheFocusAlongTheReadingOrderAndPressAsWindowsDialogsDo) {
  Stored(50, 1, 0);
  Quarlo_P& p = Open();
  p.Tmr_Start.RaiseTick();  // no saver chosen: the line offers Use Quarlo
  using fw::Key;
  const fw::Control* none = nullptr;
  struct Step {
    const fw::Control* from;
    Key key;
    bool handled;
    const fw::Control* focus;
    const fw::Control* press;
  };
  const Step steps[] = {
      {none, Key::Tab, true, &p.lbl_BGM_1, none},  // the options are entered at the chosen one
      {&p.lbl_BGM_1, Key::Tab, true, &p.BGM_Repeat, none},
      {&p.BGM_Repeat, Key::Tab, true, &p.Cmd_BGM, none},
      {&p.Cmd_BGM, Key::Tab, true, &p.HS_Fast, none},
      {&p.HS_Fast, Key::Tab, true, &p.lbl_Mon, none},
      {&p.lbl_Mon, Key::Tab, true, &p.Cmd_Set, none},
      {&p.Cmd_Set, Key::Tab, true, &p.Cmd_Can, none},
      {&p.Cmd_Can, Key::Tab, true, &p.lbl_URL, none},
      {&p.lbl_URL, Key::Tab, true, &p.lbl_Start, none},
      {&p.lbl_Start, Key::Tab, true, &p.Cmd_Mend, none},
      {&p.Cmd_Mend, Key::Tab, true, &p.lbl_BGM_1, none},
      {&p.lbl_BGM_1, Key::BackTab, true, &p.Cmd_Mend, none},
      {&p.lbl_Start, Key::Enter, true, none, &p.lbl_Start},
      {&p.BGM_Repeat, Key::BackTab, true, &p.lbl_BGM_1, none},
      {&p.lbl_BGM_1, Key::Down, true, &p.lbl_BGM_0, &p.lbl_BGM_0},  // in the order shown
      {&p.lbl_BGM_0, Key::Right, true, &p.lbl_BGM_2, &p.lbl_BGM_2},
      {&p.lbl_BGM_2, Key::Down, true, &p.lbl_BGM_1, &p.lbl_BGM_1},  // round again
      {&p.lbl_BGM_1, Key::Up, true, &p.lbl_BGM_2, &p.lbl_BGM_2},
      {&p.lbl_Mon, Key::Down, false, none, none},
      {&p.lbl_Mon, Key::Space, true, none, &p.lbl_Mon},
      {&p.Cmd_Can, Key::Space, true, none, &p.Cmd_Can},
      {&p.HS_Fast, Key::Space, false, none, none},
      {&p.lbl_Mon, Key::Enter, true, none, &p.Cmd_Set},
      {&p.BGM_Repeat, Key::Enter, true, none, &p.Cmd_Set},
      {&p.Cmd_Can, Key::Enter, true, none, &p.Cmd_Can},
      {&p.lbl_URL, Key::Enter, true, none, &p.lbl_URL},
      {&p.HS_Fast, Key::Escape, true, none, &p.Cmd_Can},
  };
  const auto shown = [](const fw::Control& c) { return c.Visible() && c.Available(); };
  for (const Step& s : steps) {
    SCOPED_TRACE(::testing::Message()
                 << (s.from ? s.from->Name() : "nothing") << " " << static_cast<int>(s.key));
    const auto outcome = fw::DialogKey(p, s.from, s.key, shown);
    ASSERT_EQ(outcome.has_value(), s.handled);
    if (!outcome) continue;
    EXPECT_EQ(outcome->focus, s.focus);
    EXPECT_EQ(outcome->press, s.press);
  }
  // Another choice is where Tab enters the options.
  p.lbl_BGM.At(2)->RaiseClick();
  EXPECT_EQ(fw::DialogKey(p, &p.Cmd_Mend, Key::Tab, shown)->focus, &p.lbl_BGM_2);
}

TEST(DialogLanguage, JapaneseOnAJapaneseWindowsAndEnglishOnEveryOther) {
  for (const auto& [language, expected] : {std::pair{0x0411, Language::Japanese},
                                           {0x0409, Language::English},
                                           {0x0407, Language::English},
                                           {0x0804, Language::English}}) {
    FakeOs os;
    os.uiLanguage = static_cast<std::uint16_t>(language);
    EXPECT_EQ(UserInterfaceLanguage(os), expected) << language;
  }
}

TEST_F(DialogTest, EnglishTextsWithAccessKeysInTheMessageFontWithRoomForEach) {
  os.uiLanguage = os::kLangIdEnglishUs;
  Quarlo_P& p = Open();
  p.Tmr_Start.RaiseTick();
  EXPECT_EQ(p.Caption(), "Quarlo Settings");
  EXPECT_EQ(p.lbl_BGM.At(1)->Caption(), "Audio &CD");
  EXPECT_EQ(p.Cmd_Can.GetCaption(), "Cancel");
  EXPECT_EQ(p.lbl_Mon.GetFont(), backend->messageFont);
  EXPECT_EQ(p.Cmd_Set.GetFont(), backend->messageFont);
  Press(p.Cmd_BGM);
  EXPECT_EQ(os.lastOpenFileName->title, "Choose a music file");
  EXPECT_EQ(os.lastOpenFileName->filter.substr(0, 23), std::string("Music files (MP3, WAV)\0", 23));

  const auto shown = [](const fw::Control& c) { return c.Visible() && c.Available(); };
  struct Access {
    char letter;
    const fw::Control* focus;
    const fw::Control* press;
  };
  for (const Access& a :
       {Access{'e', &p.lbl_Mon, &p.lbl_Mon}, Access{'N', &p.lbl_BGM_0, &p.lbl_BGM_0},
        Access{'r', &p.BGM_Repeat, nullptr}, Access{'q', &p.HS_Fast, nullptr},
        Access{'u', &p.Cmd_Mend, &p.Cmd_Mend}}) {
    const auto outcome = fw::AccessKey(p, a.letter, shown);
    ASSERT_TRUE(outcome.has_value()) << a.letter;
    EXPECT_EQ(outcome->focus, a.focus) << a.letter;
    EXPECT_EQ(outcome->press, a.press) << a.letter;
  }

  // Every text has the room it takes (the buttons' captions too); no two controls of a container
  // overlap, but a heading in its frame; and everything lies inside its container.
  for (const fw::Control* control : p.Controls()) {
    const auto* label = dynamic_cast<const fw::Label*>(control);
    // A text that wraps (the line under the settings) has the room of its lines.
    if (label == nullptr || label->Caption().empty() || label->WordWrap()) continue;
    const fw::Size text = backend->TextExtent(label->GetFont(), label->Caption(), true);
    EXPECT_GE(label->Width(), text.width) << label->Name();
    EXPECT_GE(label->Height(), text.height) << label->Name();
  }
  for (const fw::Container* container : {static_cast<const fw::Container*>(&p),
                                         static_cast<const fw::Container*>(&p.Pic_1),
                                         static_cast<const fw::Container*>(&p.Pic_Start)}) {
    const int width = container == &p ? p.ScaleWidth() : container->Width();
    const int height = container == &p ? p.ScaleHeight() : container->Height();
    std::vector<const fw::Control*> placed;
    for (const fw::Control* c : container->Children()) {
      if (c == &p.Img_Ra_0 || c == &p.Img_Ra_1 || dynamic_cast<const fw::Shape*>(c)) continue;
      EXPECT_LE(c->Left() + c->Width(), width) << c->Name();
      EXPECT_LE(c->Top() + c->Height(), height) << c->Name();
      for (const fw::Control* other : placed) {
        const bool apart = c->Left() >= other->Left() + other->Width() ||
                           other->Left() >= c->Left() + c->Width() ||
                           c->Top() >= other->Top() + other->Height() ||
                           other->Top() >= c->Top() + c->Height();
        EXPECT_TRUE(apart) << c->Name() << " over " << other->Name();
      }
      placed.push_back(c);
    }
  }
}

}  // namespace
}  // namespace quarlo::testing
