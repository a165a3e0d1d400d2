// Any text as a shape file: read it, draw the preview, and create it at the
// insertion point of a fresh map. A refused creation must leave the map as it
// was; an accepted one must add exactly the shape's walls.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "io/mapfile.h"
#include "wizards/shape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const auto blank = [] {
    auto m = std::make_unique<kv::clsMap>();
    m->insertX = 1000;
    m->insertY = 1000;
    return m;
  }();
  static const auto blankBytes = kv::encodeMap(*blank, false);
  static auto map = std::make_unique<kv::clsMap>();
  static kv::RasterSurface preview(96, 72);

  kv::ShapeRun run = kv::readShape(std::string_view(reinterpret_cast<const char*>(data), size));
  kv::drawShapePreview(preview, run.error.empty() ? &run : nullptr);
  if (!run.error.empty()) return 0;

  *map = *blank;
  try {
    kv::createShape(*map, run);
  } catch (const std::exception&) {
    if (kv::encodeMap(*map, false) != blankBytes) std::abort();  // half-built shape
    return 0;
  }
  if (map->wallCount != blank->wallCount + static_cast<kv::Long>(run.walls.size())) std::abort();
  map->checkAreaLists();
  return 0;
}
