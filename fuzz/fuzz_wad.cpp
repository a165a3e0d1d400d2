// Any bytes given as a WAD file: every level in it (the first few) and one
// that is not there are imported at two scales. A level taken must give
// closed area lists, coordinates the map can hold, and a map file that
// reads back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "io/mapfile.h"
#include "io/wadimport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static auto map = std::make_unique<kv::clsMap>();
  std::vector<unsigned char> bytes(data, data + size);
  std::string problem;
  auto dir = kv::readWadDirectory(bytes, problem);
  if (!dir) return 0;
  auto names = kv::wadLevelNames(*dir);
  names.resize(std::min<size_t>(names.size(), 3));
  names.push_back("MAP01");
  for (const auto& name : names)
    for (double scale : {1.0, 0.375}) {
      auto sum = kv::importWad(bytes, name, {scale}, *map, problem);
      if (!sum) continue;
      if (sum->walls != map->wallCount || sum->areas != map->areaCount || !map->checkAreaLists().empty()) std::abort();
      for (kv::Long i = 0; i < map->wallCount; ++i) {
        const kv::Wall& w = map->walls[i];
        for (kv::Long c : {w.x1, w.y1, w.x2, w.y2})
          if (c < 0 || c > kv::kImportMaxCoordinate) std::abort();
        if (w.x1 == w.x2 && w.y1 == w.y2) std::abort();
      }
      auto written = kv::encodeMap(*map, false);
      auto again = kv::parseMap(written, problem);
      if (!again) std::abort();
      auto copy = std::make_unique<kv::clsMap>();
      kv::applyMap(*copy, *again);
      if (kv::encodeMap(*copy, false) != written) std::abort();
    }
  return 0;
}
