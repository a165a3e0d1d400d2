#include "view/project.h"

#include "model/codepage.h"
#include "view/mapview.h"

namespace kv {

namespace {
// A name without its leading and trailing blanks (and the zero bytes of a
// slot never written), as UTF-8 text for the tree.
std::string trimmedName(const Name16& n) {
  std::string t = n.text();
  size_t b = t.find_first_not_of(std::string(" \0", 2));
  if (b == std::string::npos) return {};
  size_t e = t.find_last_not_of(std::string(" \0", 2));
  return fromCodePage(t.substr(b, e - b + 1));
}
}  // namespace

std::vector<TreeNode> projectRoots() {
  return {{"", "Walls", "Walls", 1},
          {"", "Areas", "Areas", 3},
          {"", "Viewpoints", "Viewpoints", 5},
          {"", "Global", "Global", 7}};
}

std::vector<TreeNode> sideDefWallNodes(Integer count) {
  std::vector<TreeNode> n;
  n.reserve(static_cast<size_t>(std::max<Long>(count, 0)));
  for (Long i = 0; i < count; ++i) n.push_back({"Walls", withNumber("w", i), withNumber("Wall", i), 2});
  return n;
}

std::vector<TreeNode> projectChildren(const clsMap& map) {
  std::vector<TreeNode> n;
  auto clampCount = [](Long c, Long slots) { return std::min(std::max<Long>(c, 0), slots); };
  const Long nodes = clampCount(map.wallCount, kWallSlots) + clampCount(map.areaCount, kAreaSlots) +
                     clampCount(map.viewpointCount, kAreaSlots) + clampCount(map.globalCount, kAreaSlots);
  n.reserve(static_cast<size_t>(nodes));
  for (Long i = 0; i < clampCount(map.wallCount, kWallSlots); ++i)
    n.push_back({"Walls", withNumber("w", i), withNumber("Wall", i), 2});
  for (Long i = 0; i < clampCount(map.areaCount, kAreaSlots); ++i)
    n.push_back({"Areas", withNumber("a", i), trimmedName(map.areas[i].name), 2});
  for (Long i = 0; i < clampCount(map.viewpointCount, kAreaSlots); ++i)
    n.push_back({"Viewpoints", withNumber("vp", i), trimmedName(map.viewpoints[i].name), 2});
  for (Long i = 0; i < clampCount(map.globalCount, kAreaSlots); ++i)
    n.push_back({"Global", withNumber("g", i), trimmedName(map.globals[i].name), 2});
  return n;
}

NodeTarget decodeNodeKey(const std::string& key) {
  if (key.empty()) return {};
  const char k = key[0];
  if (k != 'w' && k != 'a' && k != 'v' && k != 'g') return {};
  const double v = val(key.substr(k == 'v' ? 2 : 1));
  return {k, nearestLong(v)};
}

}  // namespace kv
