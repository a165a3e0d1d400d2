// Checks that a wall table holds a compiled tree the engine can load.
#pragma once
#include <span>
#include <string>

#include "io/mapfile.h"
#include "model/records.h"

namespace kv {

struct TreeCheck {
  bool ok = false;
  Long pieces = 0;
  std::string problem;  // the first violation found, empty when ok
};

// The records of a compiled tree, in order:
// - there is at least one record, and record 0 is the root;
// - every child link is 0 (none) or the index of another record;
// - every record but the root is the child of exactly one record, and every
//   record can be reached from the root (so there are no cycles);
// - records with the same wallID (the pieces of one source wall) share its
//   heights, parameters, textures, texture type, area and reserved fields;
// - every record of a node's negative subtree lies on the negative side of
//   the node's line, and every record of its non-negative subtree on the
//   non-negative side, up to the rounding of end points to whole map units.
//   A piece that the node's line does not cut is sorted by its source wall's
//   first end point, so a piece whose source wall starts on the node's side
//   passes too (its source wall is found from its end points and range).
TreeCheck validateTree(std::span<const Wall> walls);

// The same for a map binary read from a file: the last walls section, which
// must be of type 8.
TreeCheck validateMapBinary(const MapFileContents& contents);

}  // namespace kv
