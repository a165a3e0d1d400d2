#include "engine/scratch.h"

#include <filesystem>

#include "io/mapfile.h"

namespace kv::engine {

std::string compileScratch(clsMap& map, const std::string& folder) {
  try {
    map.createBSP();
  } catch (const MapError& e) {
    return e.what();
  }
  std::string path = (std::filesystem::path(folder) / kScratchBinary).string();
  std::string error = writeFileAtomically(path, encodeMap(map, true));
  return error.empty() ? error : path + ": " + error;
}

}  // namespace kv::engine
