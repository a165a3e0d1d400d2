// Any bytes given as a map file or map binary: parse, load into a document,
// write it back, and read that again to the same document. The tree
// validator answers for it too.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bsp/validate.h"
#include "io/mapfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static auto map = std::make_unique<kv::clsMap>();
  std::vector<unsigned char> bytes(data, data + size);
  std::string problem;
  auto contents = kv::parseMap(bytes, problem);
  if (!contents) return 0;
  (void)kv::validateMapBinary(*contents);  // any tree, however broken, gets an answer
  kv::applyMap(*map, *contents);
  map->polishNextSeg();
  map->checkAreaLists();
  for (kv::Long a = 0; a < map->areaCount; ++a) map->adjustAreaBB(a);
  auto written = kv::encodeMap(*map, false);
  auto again = kv::parseMap(written, problem);
  if (!again) std::abort();  // what we write we must read
  auto copy = std::make_unique<kv::clsMap>(*map);
  kv::applyMap(*copy, *again);
  if (kv::encodeMap(*copy, false) != written) std::abort();
  return 0;
}
