// kv3dmap new and info.
#include <cstdio>
#include <memory>

#include "cli.h"
#include "io/mapfile.h"
#include "model/codepage.h"

namespace kv::cli {
namespace {

int runNew(std::vector<std::string>& args) {
  rejectUnknownOptions(args);
  if (args.size() != 1) throw UsageError("expected one file name");
  auto map = std::make_unique<clsMap>();
  map->clearMap();
  saveOrFail(*map, args[0]);
  return 0;
}

// Pads to 16 characters (not bytes), so columns stay aligned with accents.
std::string padded(std::string utf8) {
  size_t chars = 0;
  for (unsigned char b : utf8) chars += (b & 0xC0) != 0x80;
  if (chars < 16) utf8.append(16 - chars, ' ');
  return utf8;
}

int runInfo(std::vector<std::string>& args) {
  bool json = takeFlag(args, "--json");
  rejectUnknownOptions(args);
  if (args.size() != 1) throw UsageError("expected one file name");
  const std::string& file = args[0];
  std::string problem;
  auto bytes = readFileBytes(file, problem);
  if (!bytes) throw Failure(file + ": " + problem);
  auto c = parseMap(*bytes, problem);
  if (!c) throw Failure(file + " cannot be read as a map: " + problem + ".");
  // Names are code page text; paths are the file system's bytes, shown as UTF-8.
  auto name = [](const Name16& n) { return fromCodePage(n.trimmed()); };

  // The counts as the file stores them: the last section of each kind wins,
  // as it does when the file is loaded.
  const MapFileContents::WallsSection* w = c->wallSections.empty() ? nullptr : &c->wallSections.back();
  const std::vector<Area>* a = c->areaSections.empty() ? nullptr : &c->areaSections.back();
  const std::vector<MapGlobal>* g = c->globalSections.empty() ? nullptr : &c->globalSections.back();
  const std::vector<Viewpoint>* v = c->viewpoints ? &*c->viewpoints : nullptr;
  auto count = [](auto* p) { return p ? std::to_string(p->size()) : std::string("null"); };

  if (json) {
    std::string o = "{";
    o += "\"file\":" + jsonString(file);
    o += ",\"magic\":" + jsonString(fromCodePage(c->magic)) + ",\"version\":" + std::to_string(c->version);
    o += ",\"compiled\":" + std::string(w && w->type == kSectionCompiledWalls ? "true" : "false");
    o += ",\"walls\":" + (w ? std::to_string(w->walls.size()) : "null");
    o += ",\"areas\":" + count(a) + ",\"viewpoints\":" + count(v) + ",\"globals\":" + count(g);
    if (w)
      o += ",\"viewer\":{\"x\":" + jsonNumber(w->viewerX) + ",\"y\":" + jsonNumber(w->viewerY) +
           ",\"z\":" + std::to_string(w->viewerZ) + ",\"dir\":" + std::to_string(w->viewerDir) + "}";
    else
      o += ",\"viewer\":null";
    o += ",\"sections\":[";
    for (size_t i = 0; i < c->sections.size(); ++i)
      o += std::string(i ? "," : "") + "{\"type\":" + std::to_string(c->sections[i].type) +
           ",\"position\":" + std::to_string(c->sections[i].position) + "}";
    o += "],\"globalList\":[";
    if (g)
      for (size_t i = 0; i < g->size(); ++i)
        o += std::string(i ? "," : "") + "{\"id\":" + jsonNumber((*g)[i].id) +
             ",\"name\":" + jsonString(name((*g)[i].name)) + ",\"value\":" + jsonNumber((*g)[i].value) + "}";
    o += "]}\n";
    std::fputs(o.c_str(), stdout);
    return 0;
  }

  std::printf("File:       %s\n", plainText(file).c_str());
  std::printf("Format:     \"%s\" version %d, %d directory entries at position %d\n",
              plainText(fromCodePage(c->magic)).c_str(), c->version, c->entryCount, c->directoryPosition);
  std::printf("Walls:      %s%s\n", w ? std::to_string(w->walls.size()).c_str() : "none",
              w && w->type == kSectionCompiledWalls ? " (compiled tree)" : "");
  std::printf("Areas:      %s\n", a ? std::to_string(a->size()).c_str() : "none");
  std::printf("Viewpoints: %s\n", v ? std::to_string(v->size()).c_str() : "none");
  std::printf("Globals:    %s\n", g ? std::to_string(g->size()).c_str() : "none");
  if (w)
    std::printf("Viewer:     x %s, y %s, z %d, direction %d\n", formatNumber(w->viewerX).c_str(),
                formatNumber(w->viewerY).c_str(), w->viewerZ, w->viewerDir);
  std::printf("Sections:\n");
  for (const auto& s : c->sections)
    std::printf("  type %d (%s) at position %d\n", s.type, sectionName(s.type), s.position);
  if (g) {
    std::printf("Global list:\n");
    for (const auto& x : *g)
      std::printf("  %s  %s = %s\n", formatNumber(x.id).c_str(), padded(plainText(name(x.name))).c_str(),
                  formatNumber(x.value).c_str());
  }
  return 0;
}

Register regNew({"new", "new FILE.map", "Write the empty map of a fresh New to FILE.map.", "", runNew});
Register regInfo({"info", "info [--json] FILE",
                  "Print the counts, viewer start, section directory and globals of a map file or map binary.",
                  "      --json   one JSON object: walls, areas, viewpoints, globals, viewer, sections, globalList\n",
                  runInfo});

}  // namespace
}  // namespace kv::cli
