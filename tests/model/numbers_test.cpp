#include <gtest/gtest.h>

#include <cmath>

#include "model/codepage.h"
#include "model/numbers.h"

TEST(LenientNumbers, ReadsWhatUsersType) {
  const std::pair<const char*, double> cases[] = {
      {"42", 42},        {"  \t\n-17abc", -17},
      {"+3.25", 3.25},   {".5", 0.5},
      {"5.", 5},         {"1.2.3", 1.2},
      {"1 2 3", 123},    {"\r12", 0},
      {"1\r2", 1},       {"1\n2", 12},
      {"1e3", 1000},     {"2D2", 200},
      {"1.5E-1x", 0.15}, {"7e", 7},
      {"7e+", 7},        {"&H1F", 31},
      {"&hff zz", 255},  {"&O17", 15},
      {"&O19", 1},       {"&X12", 0},
      {"", 0},           {"abc", 0},
      {"-", 0},          {"--5", 0},
      {"0.1", 0.1},      {"1e-999", 0},
      {"1d -2", 0.01},
  };
  // One decimal point only; blanks, tabs and line feeds inside are skipped,
  // a carriage return is not; an exponent without digits is not part of the
  // number; 9 is no octal digit; 0.1 is correctly rounded, not accumulated
  // digit by digit.
  for (auto [text, value] : cases) EXPECT_EQ(kv::val(text), value) << text;
  EXPECT_TRUE(std::isinf(kv::val("1e999")));
}

TEST(Rounding, HalvesGoToEvenAndWidthsAreChecked) {
  const std::pair<double, kv::Long> longs[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-0.5, 0}, {2147483647.4, 2147483647}};
  for (auto [v, r] : longs)
    EXPECT_EQ(std::make_tuple(kv::roundLong(v), kv::roundHalfEven(v)), std::make_tuple(r, 1.0 * r)) << v;
  EXPECT_EQ(std::make_tuple(kv::roundInteger(32767.4), kv::roundInteger(-32768.5)), std::make_tuple(32767, -32768));
  EXPECT_THROW(kv::roundInteger(32767.5), kv::RangeError);  // rounds to 32768
  EXPECT_FALSE(kv::toIntegerChecked(40000) || kv::toLongChecked(2147483647.5) || kv::toLongChecked(std::nan("")));
  EXPECT_EQ(kv::formatNumber(0.1 * 3) + " " + kv::formatNumber(51.2) + " " + kv::formatNumber(-0.0), "0.3 51.2 0");
}

TEST(CodePage, NamesAreWindows1252) {
  using kv::fromCodePage;
  using kv::toCodePage;
  // Accented letters are one byte each; the bytes 0x80 to 0x9F hold the
  // code page's own characters, the last of them Y with diaeresis; what it
  // lacks, and broken UTF-8 (overlong, a surrogate), become "?".
  EXPECT_EQ(toCodePage("Caf\u00e9 \u00e0 l'\u00e9tage"), "Caf\xe9 \xe0 l'\xe9tage");
  EXPECT_EQ(toCodePage("\u20ac \u2122 \u0152 \u0178"), "\x80 \x99 \x8c \x9f");
  EXPECT_EQ(toCodePage("\u03a9\u4e2d\U0001F600a\xff\xc3\xc0\x80\xed\xa0\x80"), "???a???????");
  EXPECT_EQ(fromCodePage("Caf\xe9\x80\x9f\x81"), "Caf\u00e9\u20ac\u0178\u0081");
  // Every byte string survives the way to UTF-8 and back.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(toCodePage(fromCodePage(all)), all);
}
