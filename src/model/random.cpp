#include "model/random.h"

#include <chrono>

namespace kv {

namespace {
std::uint64_t g_override = 0;
}

void Random::setClockOverride(std::uint64_t s) { g_override = s; }

void Random::seedFromClock() {
  if (g_override) {
    seed(g_override);
    return;
  }
  auto now = std::chrono::system_clock::now().time_since_epoch();
  seed(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

}  // namespace kv
