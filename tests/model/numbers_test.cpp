#include <gtest/gtest.h>

#include <cmath>

#include "model/codepage.h"
#include "model/numbers.h"

using kv::val;

TEST(LenientNumbers, ReadsWhatUsersType) {
  EXPECT_EQ(val("42"), 42);
  EXPECT_EQ(val("  \t\n-17abc"), -17);
  EXPECT_EQ(val("+3.25"), 3.25);
  EXPECT_EQ(val(".5"), 0.5);
  EXPECT_EQ(val("5."), 5);
  EXPECT_EQ(val("1.2.3"), 1.2);   // one decimal point only
  EXPECT_EQ(val("1 2 3"), 123);   // blanks inside are skipped
  EXPECT_EQ(val("\r12"), 0);      // a carriage return is not skipped
  EXPECT_EQ(val("1\r2"), 1);
  EXPECT_EQ(val("1\n2"), 12);
  EXPECT_EQ(val("1e3"), 1000);
  EXPECT_EQ(val("2D2"), 200);
  EXPECT_EQ(val("1.5E-1x"), 0.15);
  EXPECT_EQ(val("7e"), 7);        // an exponent without digits is not part of the number
  EXPECT_EQ(val("7e+"), 7);
  EXPECT_EQ(val("&H1F"), 31);
  EXPECT_EQ(val("&hff zz"), 255);
  EXPECT_EQ(val("&O17"), 15);
  EXPECT_EQ(val("&O19"), 1);      // 9 is no octal digit
  EXPECT_EQ(val("&X12"), 0);
  EXPECT_EQ(val(""), 0);
  EXPECT_EQ(val("abc"), 0);
  EXPECT_EQ(val("-"), 0);
  EXPECT_EQ(val("--5"), 0);
  EXPECT_EQ(val("0.1"), 0.1);     // correctly rounded, not accumulated digit by digit
  EXPECT_TRUE(std::isinf(val("1e999")));
  EXPECT_EQ(val("1e-999"), 0);
}

TEST(Rounding, HalvesGoToEvenAndWidthsAreChecked) {
  EXPECT_EQ(kv::roundLong(2.5), 2);
  EXPECT_EQ(kv::roundLong(3.5), 4);
  EXPECT_EQ(kv::roundLong(-2.5), -2);
  EXPECT_EQ(kv::roundLong(-0.5), 0);
  EXPECT_EQ(kv::roundInteger(32767.4), 32767);
  EXPECT_THROW(kv::roundInteger(32767.5), kv::RangeError);  // rounds to 32768
  EXPECT_EQ(kv::roundInteger(-32768.5), -32768);             // rounds to even, still in range
  EXPECT_FALSE(kv::toIntegerChecked(40000).has_value());
  EXPECT_FALSE(kv::toLongChecked(3e9).has_value());
  EXPECT_FALSE(kv::toLongChecked(std::nan("")).has_value());
  EXPECT_EQ(kv::formatNumber(0.1 * 3), "0.3");
  EXPECT_EQ(kv::formatNumber(51.2), "51.2");
  EXPECT_EQ(kv::formatNumber(-0.0), "0");
}

TEST(CodePage, NamesAreWindows1252) {
  using kv::fromCodePage;
  using kv::toCodePage;
  // Accented letters are one byte each; the bytes 0x80 to 0x9F hold the
  // code page's own characters; what it lacks, and broken UTF-8, become "?".
  EXPECT_EQ(toCodePage("Caf\u00e9 \u00e0 l'\u00e9tage"), "Caf\xe9 \xe0 l'\xe9tage");
  EXPECT_EQ(toCodePage("\u20ac \u2122 \u0152 \u0178"), "\x80 \x99 \x8c \x9f");
  EXPECT_EQ(toCodePage("\u03a9\u4e2d\U0001F600"), "???");
  EXPECT_EQ(toCodePage("a\xff\xc3"), "a??");
  EXPECT_EQ(toCodePage("\xc0\x80\xed\xa0\x80"), "?????");  // overlong and surrogate
  EXPECT_EQ(fromCodePage("Caf\xe9\x80\x9f"), "Caf\u00e9\u20ac\u0178");
  // Every byte string survives the way to UTF-8 and back.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(toCodePage(fromCodePage(all)), all);
  EXPECT_EQ(fromCodePage("\x81"), "\u0081");
}
