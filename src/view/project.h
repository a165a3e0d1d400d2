// The project tree's contents without a window: the nodes listLines builds
// from the map and the decoding of a clicked node's key.
#pragma once
#include <string>
#include <vector>

#include "model/clsMap.h"

namespace kv {

struct TreeNode {
  std::string parentKey;  // empty for a root
  std::string key, text;
  int image = 0;  // index in the tree's image list
};

// The four roots: "Walls", "Areas", "Viewpoints", "Global".
std::vector<TreeNode> projectRoots();
// Every child node of the map, in the order listLines adds them.
std::vector<TreeNode> projectChildren(const clsMap& map);
// The "Walls" children of the side-def table's count (the developer tools'
// listing).
std::vector<TreeNode> sideDefWallNodes(Integer count);

// What a node's key names: kind 'w', 'a', 'v' or 'g' and an index; kind 0
// for a root or an unknown key.
struct NodeTarget {
  char kind = 0;
  Long index = 0;
};
NodeTarget decodeNodeKey(const std::string& key);

}  // namespace kv
