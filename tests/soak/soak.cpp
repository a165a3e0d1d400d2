// Drives one document through many random editing, save and load steps,
// checking the document's invariants after every step.
//   kvsoak [STEPS] [SEED]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include <unistd.h>
#include <string>

#include "io/dialogs.h"
#include "io/mapfile.h"
#include "soak_steps.h"

namespace {

[[noreturn]] void die(long step, const std::string& what) {
  std::fprintf(stderr, "soak: step %ld: %s\n", step, what.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  long steps = argc > 1 ? std::atol(argv[1]) : 10000;
  unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 20261206u;
  std::mt19937 rnd(seed);
  auto map = std::make_unique<kv::clsMap>();
  map->clearMap();
  kv::ScriptedDialogs ui;
  // The process id keeps two runs at once (two builds testing side by side) off each other's file.
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("kvsoak-" + std::to_string(seed) + "-" + std::to_string(getpid()) + ".map"))
                               .string();
  kvsoak::Counts counts;

  for (long s = 0; s < steps; ++s) {
    std::string problem = kvsoak::randomStep(*map, rnd, counts);
    if (!problem.empty()) die(s, problem);
    if (map->wallCount < 0 || map->wallCount > kv::kWallSlots) die(s, "wall count out of range");
    if (map->areaCount < 0 || map->areaCount > kv::kAreaSlots) die(s, "area count out of range");
    if (map->globalCount < 0 || map->globalCount > kv::kAreaSlots) die(s, "global count out of range");
    std::string lists = map->checkAreaLists();
    if (!lists.empty()) die(s, "area lists: " + lists);
    // Every so often, a saved file must read back to the same document.
    if (s % 50 == 0) {
      bool ok = false;
      kv::WriteNewMPB(*map, ui, file, false, ok);
      if (!ok) die(s, "save failed");
      auto copy = std::make_unique<kv::clsMap>(*map);
      copy->clearMap();
      kv::ReadNewMPB(*copy, ui, file, ok);
      if (!ok) die(s, "load failed");
      copy->viewpointCount = map->viewpointCount;  // loading keeps the list in memory
      copy->viewpoints = map->viewpoints;
      if (kv::encodeMap(*copy, false) != kv::encodeMap(*map, false)) die(s, "saved file reads back different");
      ++counts.roundTrips;
    }
  }
  std::filesystem::remove(file);
  std::printf("soak: %ld steps, seed %u: %s\n", steps, seed, counts.summary().c_str());
  std::printf("soak: %ld passed, 0 failed\n", steps);
  return 0;
}
