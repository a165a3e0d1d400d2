// kv3dmap render: one frame of the preview engine, written as a PNG picture.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli.h"
#include "engine/kv3d15.h"
#include "engine/png.h"
#include "io/mapfile.h"
#include "model/codepage.h"

namespace kv::cli {
namespace {

double number(const std::string& text, const std::string& what) {
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v))
    throw UsageError(what + " must be numbers, not \"" + text + "\"");
  return v;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

Long whole(double v, const std::string& what) {
  auto l = toLongChecked(v);
  if (!l) throw UsageError(what + " is out of range");
  return *l;
}

// Loads what the engine can show from FILE: a map binary or a header as the
// preview does, or a map file, which is compiled in memory first.
void loadInto(engine::Engine& e, const std::string& file, Long w, Long h) {
  std::string problem;
  auto bytes = readFileBytes(file, problem);
  if (!bytes) throw Failure(file + ": " + problem);
  auto c = parseMap(*bytes, problem);
  if (c && !c->wallSections.empty() && c->wallSections.back().type == kSectionWalls) {
    auto map = std::make_unique<clsMap>();
    loadOrFail(*map, file);
    try {
      map->createBSP();
    } catch (const MapError& err) {
      throw Failure(file + ": " + err.what());
    }
    if (!e.load(*map, w, h)) throw Failure(file + ": " + e.lastError());
    return;
  }
  e.init(file, w, h);
  if (!e.loaded()) throw Failure("Cannot render " + e.lastError());
}

int runRender(std::vector<std::string>& args) {
  std::string at, size = "320x200";
  bool hasAt = takeOption(args, "--at", at);
  takeOption(args, "--size", size);
  rejectUnknownOptions(args);
  if (args.size() != 2) throw UsageError("expected a map binary and a picture file");

  auto wh = split(size, 'x');
  if (wh.size() != 2) throw UsageError("--size must be WIDTHxHEIGHT, as in 640x400");
  Long w = whole(number(wh[0], "--size"), "--size"), h = whole(number(wh[1], "--size"), "--size");
  if (w < 1 || h < 1 || w > 4096 || h > 4096) throw UsageError("--size must be from 1x1 to 4096x4096");

  auto e = std::make_unique<engine::Engine>();
  loadInto(*e, args[0], w, h);
  if (hasAt) {
    auto v = split(at, ',');
    if (v.size() != 4) throw UsageError("--at must be X,Y,Z,DIR");
    e->jump(whole(roundHalfEven(number(v[0], "--at")), "--at"), whole(roundHalfEven(number(v[1], "--at")), "--at"),
            whole(roundHalfEven(number(v[2], "--at")), "--at"), whole(roundHalfEven(number(v[3], "--at")), "--at"));
  }
  e->draw();
  std::string err = png::write(e->frame(), args[1]);
  if (!err.empty()) throw Failure("Write Error: " + args[1] + ": " + err);
  const auto& vw = e->viewer();
  std::string name = plainText(fromCodePage(e->areaName(vw.area)));
  std::printf("%s: %dx%d from x %s, y %s, eye %s, direction %s, area %d%s%s\n", plainText(args[1]).c_str(), w, h,
              formatNumber(vw.x).c_str(), formatNumber(vw.y).c_str(), formatNumber(vw.eyeHeight).c_str(),
              formatNumber(vw.dir).c_str(), vw.area, name.empty() ? "" : " ", name.c_str());
  return 0;
}

Register reg({"render", "render FILE.mpb OUT.png [--at X,Y,Z,DIR] [--size WxH]",
              "Render one frame of the 3D preview of a map binary (or header, or map file) to a PNG picture.",
              "      --at X,Y,Z,DIR   viewer position, eye height above the floor and direction in degrees\n"
              "                       (0 looks along +x, 90 along +y); default: the map's viewer start\n"
              "      --size WxH       picture size, default 320x200\n",
              runRender});

}  // namespace
}  // namespace kv::cli
