// A WAD level turned into a map document: one area per sector that has walls,
// one wall per side of each line, the viewer at the first player start.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/wad.h"
#include "model/clsMap.h"

namespace kv {

struct WadImportOptions {
  double scale = 1.0;  // map units per level unit
};

// Map units left free between the level and the map origin on the left and
// at the top, where the plan view starts.
constexpr Long kImportMargin = 200;
// The largest coordinate an imported map may use: area bounding boxes are
// worked out within +-32000.
constexpr Long kImportMaxCoordinate = 32000;
// The eye height of the level format's player, in level units.
constexpr double kImportEyeHeight = 41;
// The thing type of the first player's start.
constexpr int kPlayerOneStart = 1;

struct WadImportSummary {
  Long lines = 0, sectors = 0;  // of the level
  Long walls = 0, areas = 0;    // of the map
  Long sectorsWithoutWalls = 0;
  Long thingsDropped = 0;    // things other than the player start used
  bool playerStart = false;  // false: the viewer stays where a fresh document has it
};

// Texture numbers from texture and flat names: the same name always gives
// the same number. Walls take 0 to 10 (the plan view's colours), floors and
// ceilings 0 to 15 (the engine's palettes).
std::uint32_t wadNameHash(std::string_view name);
Long wadWallTexture(std::string_view name);
Long wadFlatTexture(std::string_view name);

// Converts `level` (as readWadLevel gives it, its indexes checked) into
// `map`, which should be a fresh document: its walls, areas and viewer start
// are replaced; its globals, viewpoints, paste template and buffers kept. On
// refusal `problem` says why and the map is unchanged.
std::optional<WadImportSummary> importWadLevel(const WadLevel& level, const WadImportOptions& options, clsMap& map,
                                               std::string& problem);

// Reads the file's directory and the level, then converts it as above.
std::optional<WadImportSummary> importWad(const std::vector<unsigned char>& bytes, std::string_view level,
                                          const WadImportOptions& options, clsMap& map, std::string& problem);

}  // namespace kv
