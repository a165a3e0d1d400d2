// kv3dmap import-wad: a level of a WAD file (the classic format) as a map file.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli.h"
#include "io/mapfile.h"
#include "io/wadimport.h"

namespace kv::cli {
namespace {

int cmdImportWad(std::vector<std::string>& args) {
  WadImportOptions options;
  std::string scale;
  if (takeOption(args, "--scale", scale)) {
    auto r = std::from_chars(scale.data(), scale.data() + scale.size(), options.scale);
    if (r.ec != std::errc() || r.ptr != scale.data() + scale.size() || !std::isfinite(options.scale) ||
        options.scale <= 0)
      throw UsageError("--scale must be a number greater than 0, not \"" + scale + "\"");
  }
  rejectUnknownOptions(args);
  if (args.size() != 3) throw UsageError("expected a WAD file, a level name and a map file");
  const std::string &in = args[0], &level = args[1], &out = args[2];

  std::string problem;
  auto bytes = readFileBytes(in, problem);
  if (!bytes) throw Failure(in + ": " + problem);
  auto map = std::make_unique<clsMap>();
  auto sum = importWad(*bytes, level, options, *map, problem);
  if (!sum) throw Failure(in + ": " + problem + "; nothing was written.");
  saveOrFail(*map, out);

  std::printf("%s: %d lines and %d sectors became %d walls and %d areas\n", out.c_str(), sum->lines, sum->sectors,
              sum->walls, sum->areas);
  if (sum->playerStart)
    std::printf("Viewer at x %s, y %s, direction %d, eye %d\n", formatNumber(map->viewerX).c_str(),
                formatNumber(map->viewerY).c_str(), map->viewerDir, map->viewerZ);
  else
    std::printf("The level has no player start; the viewer stays at x %s, y %s\n", formatNumber(map->viewerX).c_str(),
                formatNumber(map->viewerY).c_str());
  if (sum->sectorsWithoutWalls) std::printf("Left out: %d sectors without walls\n", sum->sectorsWithoutWalls);
  if (sum->thingsDropped) std::printf("Left out: %d things other than the player start\n", sum->thingsDropped);
  return 0;
}

Register reg({"import-wad", "import-wad IN.wad LEVEL OUT.map [--scale S]",
              "Import a level of a WAD file (classic format, e.g. E1M1 or MAP01) as a map file; docs/import.md "
              "says what becomes what.",
              "      --scale S   map units per level unit (default 1); coordinates and heights are rounded,\n"
              "                  halves to even\n",
              cmdImportWad});

}  // namespace
}  // namespace kv::cli
