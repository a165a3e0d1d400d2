#include "engine/scratch.h"

#include <filesystem>

#include "model/clsMap.h"

namespace kv::engine {

std::string compileScratch(clsMap& map, const std::string& folder) {
  try {
    map.createBSP();
  } catch (const MapError& e) {
    return e.what();
  }
  std::string error;
  std::string path = (std::filesystem::path(folder) / kScratchBinary).string();
  if (!map.WriteNewMPB(path, true, &error)) return path + ": " + error;
  return {};
}

}  // namespace kv::engine
