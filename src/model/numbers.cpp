#include "model/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kv {

namespace {

// A carriage return is not skipped: a number that follows one reads as 0.
bool isSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads digits of the given radix after an &H or &O prefix.
double readRadix(std::string_view s, size_t i, int radix) {
  double v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (isSkipped(c)) continue;
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    if (d >= radix) break;
    v = v * radix + d;
  }
  return v;
}

// Appends the digits and the one decimal point from s[i] on to `clean`,
// leaving out skipped characters; i stops at the first character that cannot
// continue them. True when there was a digit.
bool readMantissa(std::string_view s, size_t& i, std::string& clean) {
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (isSkipped(c)) continue;
    if (c >= '0' && c <= '9') {
      clean += c;
      digits = true;
    } else if (c == '.' && !point) {
      clean += c;
      point = true;
    } else {
      break;
    }
  }
  return digits;
}

// An exponent (E or D, an optional sign, digits) at s[i]; it counts, and is
// appended to `clean`, only when at least one digit follows the letter.
void readExponent(std::string_view s, size_t i, std::string& clean) {
  if (i >= s.size() || (s[i] != 'e' && s[i] != 'E' && s[i] != 'd' && s[i] != 'D')) return;
  size_t j = i + 1;
  std::string exp = "e";
  while (j < s.size() && isSkipped(s[j])) ++j;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
    if (s[j] == '-') exp += '-';
    ++j;
  }
  bool expDigits = false;
  for (; j < s.size(); ++j) {
    char c = s[j];
    if (isSkipped(c)) continue;
    if (c < '0' || c > '9') break;
    exp += c;
    expDigits = true;
  }
  if (expDigits) clean += exp;
}

// The collected text, correctly rounded by the standard library; too many
// digits or too large an exponent overflow to infinity, tiny values give 0.
double convert(const std::string& clean) {
  double v = 0;
  const char* b = clean.data();
  const char* e = b + clean.size();
  if (*b == '-') ++b;  // from_chars reads the magnitude; the sign is ours
  auto r = std::from_chars(b, e, v);
  if (r.ec == std::errc::result_out_of_range) v = clean.find("e-") != std::string::npos ? 0.0 : HUGE_VAL;
  return clean[0] == '-' ? -v : v;
}

}  // namespace

double val(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && isSkipped(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == '&') {
    char p = s[i + 1];
    if (p == 'h' || p == 'H') return readRadix(s, i + 2, 16);
    if (p == 'o' || p == 'O') return readRadix(s, i + 2, 8);
    return 0;
  }
  // The number's characters without the skipped blanks.
  std::string clean;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') clean += '-';
    ++i;
  }
  if (!readMantissa(s, i, clean)) return 0;
  readExponent(s, i, clean);
  return convert(clean);
}

double roundHalfEven(double v) { return std::nearbyint(v); }

std::optional<Long> toLongChecked(double v) {
  double r = std::nearbyint(v);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
  return static_cast<Long>(r);
}

std::optional<Integer> toIntegerChecked(double v) {
  double r = std::nearbyint(v);
  if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
  return static_cast<Integer>(r);
}

Long roundLong(double v) {
  auto r = toLongChecked(v);
  if (!r) throw RangeError("The value " + formatNumber(v) + " is outside the range of a map coordinate.");
  return *r;
}

Integer roundInteger(double v) {
  auto r = toIntegerChecked(v);
  if (!r) throw RangeError("The value " + formatNumber(v) + " is outside the range -32768 to 32767.");
  return *r;
}

std::string formatNumber(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s = buf;
  if (s == "-0") s = "0";
  return s;
}

}  // namespace kv
