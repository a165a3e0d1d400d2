// Number conversions shared by the whole editor: the lenient reading of typed
// and shape-file numbers, and rounding of real values to whole map units.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

using Long = std::int32_t;     // coordinates, heights, indexes
using Integer = std::int16_t;  // dialog values, viewer direction

// A value that does not fit the integer width it is converted to.
class RangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a number the forgiving way users type it: blanks, tabs and line feeds
// are skipped wherever they occur, then an optional sign, digits, one decimal
// point and an optional exponent (E or D), or &H / &O for hexadecimal and
// octal. Reading stops at the first character that cannot continue the
// number; text without a number gives 0.
double val(std::string_view text);

// Nearest integer, halves to even, under the default rounding mode.
double roundHalfEven(double v);

// Half-to-even conversions that refuse values outside the target width.
std::optional<Long> toLongChecked(double v);
std::optional<Integer> toIntegerChecked(double v);

// As above, but throw RangeError naming the value.
Long roundLong(double v);
Integer roundInteger(double v);

// Decimal text of a double the way the editor shows field values: up to 15
// significant digits, no trailing zeros, no exponent for ordinary magnitudes.
std::string formatNumber(double v);

}  // namespace kv
