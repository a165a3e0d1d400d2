// The preview's scratch files: the map compiled into "scratch.mpb" in a
// folder, and the header name the engine is started on there.
#pragma once
#include <string>

namespace kv {
class clsMap;
}

namespace kv::engine {

inline constexpr const char* kScratchBinary = "scratch.mpb";
inline constexpr const char* kScratchHeader = "scratch.hdr";

// Compiles the map in place (createBSP) and writes it as the map binary
// "scratch.mpb" in `folder`. Empty text when done, else the reason: a map the
// compile refuses is left as it was and nothing is written.
std::string compileScratch(clsMap& map, const std::string& folder);

}  // namespace kv::engine
