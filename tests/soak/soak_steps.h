#pragma once
#include <random>
#include <string>

#include "model/clsMap.h"

namespace kvsoak {

struct Counts {
  long edits = 0, refusals = 0, wizards = 0, compiles = 0, roundTrips = 0, clears = 0;
  std::string summary() const;
};

// One random step on the document. Returns empty text, or what went wrong.
std::string randomStep(kv::clsMap& map, std::mt19937& rnd, Counts& counts);

}  // namespace kvsoak
