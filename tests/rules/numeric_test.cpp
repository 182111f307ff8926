#include "rules/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quarlo {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  const struct {
    double in, out;
  } cases[] = {
      {0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},   {-0.5, -0}, {-1.5, -2},
      {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7.0, 7},   {1e15 + 0.5, 1e15},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(IntegerConversions, RoundAndRejectWhatDoesNotFit) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_EQ(ToInt16(-32768.5), -32768);  // the tie goes to the even -32768
  EXPECT_EQ(ToInt16(32767.5), std::nullopt);
  EXPECT_EQ(ToInt16(40000), std::nullopt);
  EXPECT_EQ(ToInt16(NAN), std::nullopt);
  EXPECT_EQ(ToInt16(INFINITY), std::nullopt);
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_EQ(ToInt32(2147483648.0), std::nullopt);
  EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
  EXPECT_EQ(ToUInt8(255.4), 255);
  EXPECT_EQ(ToUInt8(300), std::nullopt);
  EXPECT_EQ(ToUInt8(-1), std::nullopt);
}

TEST(ParseNumber, AcceptsWholeNumbersLeniently) {
  const struct {
    const char* text;
    double value;
  } accepted[] = {
      {"50", 50},   {" 50", 50},    {"50 ", 50},      {"\t-3", -3},
      {"+7", 7},    {"12.9", 12.9}, {"-3.5", -3.5},   {".5", 0.5},
      {"5.", 5},    {"1e3", 1000},  {"2.5E-1", 0.25}, {"1d2", 100},
      {"&H10", 16}, {"&hff", 255},  {"&O17", 15},     {"40000", 40000},
  };
  for (const auto& c : accepted) EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
}

TEST(ParseNumber, RejectsWhatIsNotANumber) {
  for (const char* text : {"", " ", "abc", "12abc", "1 2", "-", ".", "e5", "1e", "&H", "&G1", "--1",
                           "1..2", "\x81\x40", "1e999"}) {
    EXPECT_EQ(ParseNumber(text), std::nullopt) << text;
  }
}

TEST(ReadLeadingNumber, StopsAtTheFirstCharacterThatCannotContinue) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"1234", 1234},
      {" 1234", 1234},
      {":1234", 0},
      {"234", 234},
      {"12ab", 12},
      {"", 0},
      {"abc", 0},
      {"-42x", -42},
      {"1.5e2z", 150},
      {"7e", 7},
      {"&H1F!", 31},
      {"  \t 9", 9},
      {"99999999999999999999", 1e20},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadLeadingNumber(c.text), c.value) << c.text;
}

TEST(SignedDecimal, KeepsTheSignPosition) {
  EXPECT_EQ(SignedDecimal(50), " 50");
  EXPECT_EQ(SignedDecimal(0), " 0");
  EXPECT_EQ(SignedDecimal(-3), "-3");
  EXPECT_EQ(SignedDecimal(-32768), "-32768");
  EXPECT_EQ(SignedDecimal(12), " 12");
}

TEST(Bool16, TrueIsMinusOne) {
  EXPECT_EQ(ToBool16(true), -1);
  EXPECT_EQ(ToBool16(false), 0);
  EXPECT_TRUE(IsTrue(-1));
  EXPECT_TRUE(IsTrue(1));
  EXPECT_FALSE(IsTrue(0));
  EXPECT_EQ(DivTrunc(-7, 2), -3);
  EXPECT_EQ(DivTrunc(7, 2), 3);
}

}  // namespace
}  // namespace quarlo
