// The editor's pseudo-random generator: a fixed sequence until it is seeded,
// so the plan-view colours drawn before seeding are the same on every start.
#pragma once
#include <cstdint>

namespace kv {

class Random {
 public:
  // Uniform in [0, 1).
  double next() {
    // 64-bit linear congruential step; the top 53 bits make the fraction.
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
  }
  void seed(std::uint64_t s) { state_ = s ^ 0x9E3779B97F4A7C15ULL; }
  // Seeds from the time of day, as the editor does when it builds the globals.
  void seedFromClock();
  // Tests fix every later clock seeding to this value (0 restores the clock).
  static void setClockOverride(std::uint64_t s);

 private:
  std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

}  // namespace kv
