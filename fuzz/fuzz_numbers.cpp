// The lenient number reading on any text, and the checked conversions of its result.
#include <cstdint>
#include <string_view>

#include "model/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  double v = kv::val(text);
  (void)kv::toIntegerChecked(v);
  (void)kv::toLongChecked(v);
  (void)kv::formatNumber(v);
  try {
    (void)kv::roundInteger(v);
  } catch (const kv::RangeError&) {
  }
  return 0;
}
