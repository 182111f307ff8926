#include "rules/text.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

TEST(Text, CountsCharactersNotBytes) {
  EXPECT_EQ(CharacterCount("Quarloの設定"), 9u);
  EXPECT_EQ(Mid("/sの", 2, 1), "s");
  EXPECT_EQ(Mid("の/s", 2, 1), "/");
  EXPECT_EQ(Mid("/p 1234", 4), "1234");
  EXPECT_EQ(Mid("/p", 4), "");
  EXPECT_EQ(Mid("s", 2, 1), "");
  EXPECT_EQ(Right("C:\\曲.mp3", 3), "mp3");
  EXPECT_EQ(Right("曲.ｗａｖ", 3), "ｗａｖ");
  EXPECT_EQ(Right("ab", 3), "ab");
  EXPECT_EQ(UpperAscii("/s mp3 ｓ"), "/S MP3 ｓ");
}

}  // namespace
}  // namespace quarlo
