#include "engine/kvbasic.h"

namespace kv {

std::string BASICEXECUTE(Long code, const std::string& text) { return code == 1 ? text : std::string(); }

}  // namespace kv
