#include "io/wad.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kv {
namespace {

std::uint32_t u32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
int s32(const unsigned char* p) { return static_cast<std::int32_t>(u32(p)); }
int u16(const unsigned char* p) { return p[0] | p[1] << 8; }
int s16(const unsigned char* p) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(u16(p))); }

std::string upper(std::string_view s) {
  std::string o(s);
  for (char& c : o) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return o;
}

// The lumps that may follow a level's marker.
constexpr std::array<std::string_view, 12> kLevelLumps = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES",
                                                          "SEGS",   "SSECTORS", "NODES",    "SECTORS",
                                                          "REJECT", "BLOCKMAP", "BEHAVIOR", "SCRIPTS"};

bool isLevelLump(const std::string& n) {
  return std::find(kLevelLumps.begin(), kLevelLumps.end(), n) != kLevelLumps.end();
}

bool startsLevel(const WadDirectory& dir, size_t i) {
  return i + 1 < dir.lumps.size() && (dir.lumps[i + 1].name == "THINGS" || dir.lumps[i + 1].name == "TEXTMAP");
}

// A lump of the level seen as whole records of one size.
struct Records {
  const unsigned char* p = nullptr;
  size_t count = 0;
};

}  // namespace

std::string wadName(const unsigned char* p) {
  std::string n;
  for (int i = 0; i < 8 && p[i]; ++i) n += static_cast<char>(std::toupper(p[i]));
  return n;
}

std::optional<WadDirectory> readWadDirectory(const std::vector<unsigned char>& bytes, std::string& problem) {
  if (bytes.size() < 12) {
    problem = "the file is " + std::to_string(bytes.size()) + " bytes long, too short for a WAD header";
    return std::nullopt;
  }
  WadDirectory dir;
  dir.kind.assign(bytes.begin(), bytes.begin() + 4);
  if (dir.kind != "IWAD" && dir.kind != "PWAD") {
    problem = "it is not a WAD file (it does not start with IWAD or PWAD)";
    return std::nullopt;
  }
  const std::int64_t count = s32(&bytes[4]), at = s32(&bytes[8]);
  const auto size = static_cast<std::int64_t>(bytes.size());
  if (count < 0 || at < 0) {
    problem = "its header gives a negative lump count or directory position";
    return std::nullopt;
  }
  if (at > size || count * 16 > size - at) {
    problem = "its directory of " + std::to_string(count) + " lumps at byte " + std::to_string(at) +
              " reaches beyond the end of the file (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  dir.lumps.reserve(static_cast<size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const unsigned char* e = &bytes[static_cast<size_t>(at + 16 * i)];
    const std::int64_t pos = s32(e), len = s32(e + 4);
    WadLump l;
    l.name = wadName(e + 8);
    if (pos < 0 || len < 0 || pos > size || len > size - pos) {
      problem = "lump " + std::to_string(i) + " (" + l.name + ") of " + std::to_string(len) + " bytes at byte " +
                std::to_string(pos) + " lies outside the file";
      return std::nullopt;
    }
    l.pos = static_cast<size_t>(pos);
    l.size = static_cast<size_t>(len);
    dir.lumps.push_back(std::move(l));
  }
  return dir;
}

std::vector<std::string> wadLevelNames(const WadDirectory& dir) {
  std::vector<std::string> names;
  for (size_t i = 0; i < dir.lumps.size(); ++i)
    if (startsLevel(dir, i) && std::find(names.begin(), names.end(), dir.lumps[i].name) == names.end())
      names.push_back(dir.lumps[i].name);
  return names;
}

namespace {

// The marker lump of level `want`: the last lump of that name that a
// level's lumps follow. Empty, with the reason, when there is none or the
// level is in the text format.
std::optional<size_t> levelMarker(const WadDirectory& dir, const std::string& want, std::string& problem) {
  std::optional<size_t> marker;
  bool named = false;
  for (size_t i = 0; i < dir.lumps.size(); ++i) {
    if (dir.lumps[i].name != want) continue;
    named = true;
    if (startsLevel(dir, i)) marker = i;
  }
  if (!marker) {
    if (named) {
      problem = "the lump " + want + " is not followed by a level's lumps";
      return std::nullopt;
    }
    auto names = wadLevelNames(dir);
    problem = "the file has no level named " + want;
    if (names.empty()) {
      problem += "; it holds no levels";
    } else {
      problem += "; its levels are";
      for (size_t k = 0; k < names.size() && k < 40; ++k) problem += (k ? ", " : " ") + names[k];
      if (names.size() > 40) problem += ", ...";
    }
    return std::nullopt;
  }
  if (dir.lumps[*marker + 1].name == "TEXTMAP") {
    problem = "level " + want + " is in the text level format (a TEXTMAP lump); only the classic format is read";
    return std::nullopt;
  }
  return marker;
}

// The LINEDEFS records into lv.lines, each checked against the vertexes and
// sidedefs it names; false with the reason at the first bad line.
bool readLines(const Records& ld, size_t sideCount, const std::string& want, WadLevel& lv, std::string& problem) {
  const size_t vertexCount = lv.vertexes.size();
  lv.lines.resize(ld.count);
  for (size_t i = 0; i < ld.count; ++i) {
    const unsigned char* r = ld.p + 14 * i;
    WadLine& l = lv.lines[i];
    l.v1 = u16(r);
    l.v2 = u16(r + 2);
    l.flags = u16(r + 4);
    l.special = u16(r + 6);
    l.tag = u16(r + 8);
    const int right = u16(r + 10), left = u16(r + 12);
    l.right = right == 0xFFFF ? -1 : right;
    l.left = left == 0xFFFF ? -1 : left;
    const std::string what = "linedef " + std::to_string(i);
    for (int v : {l.v1, l.v2})
      if (static_cast<size_t>(v) >= vertexCount) {
        problem = what;
        problem.append(" names vertex ").append(std::to_string(v)).append(", but level ").append(want);
        problem.append(" has ").append(std::to_string(vertexCount)).append(" vertexes");
        return false;
      }
    if (l.right < 0) {
      problem = what + " has no front sidedef";
      return false;
    }
    for (int s : {l.right, l.left})
      if (s >= 0 && static_cast<size_t>(s) >= sideCount) {
        problem = what;
        problem.append(" names sidedef ").append(std::to_string(s)).append(", but level ").append(want);
        problem.append(" has ").append(std::to_string(sideCount)).append(" sidedefs");
        return false;
      }
    const WadVertex &a = lv.vertexes[l.v1], &b = lv.vertexes[l.v2];
    if (a.x == b.x && a.y == b.y) {
      problem = what + " has zero length (both ends at " + std::to_string(a.x) + ", " + std::to_string(a.y) + ")";
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<WadLevel> readWadLevel(const std::vector<unsigned char>& bytes, const WadDirectory& dir,
                                     std::string_view level, std::string& problem) {
  const std::string want = upper(level);
  const std::optional<size_t> marker = levelMarker(dir, want, problem);
  if (!marker) return std::nullopt;

  // The level's lumps: those of the known names that follow the marker.
  std::vector<const WadLump*> found;
  auto find = [&](std::string_view n) -> const WadLump* {
    for (const WadLump* l : found)
      if (l->name == n) return l;
    return nullptr;
  };
  for (size_t i = *marker + 1; i < dir.lumps.size(); ++i) {
    const WadLump& l = dir.lumps[i];
    if (!isLevelLump(l.name) || find(l.name)) break;
    found.push_back(&l);
  }
  if (find("BEHAVIOR")) {
    problem =
        "level " + want + " is in the extended level format (it has a BEHAVIOR lump); only the classic format is read";
    return std::nullopt;
  }

  auto records = [&](std::string_view n, size_t recordSize) -> std::optional<Records> {
    const WadLump* l = find(n);
    if (!l) {
      problem = "level " + want + " has no " + std::string(n) + " lump";
      return std::nullopt;
    }
    if (l->size % recordSize != 0) {
      problem = "the " + std::string(n) + " lump of level " + want + " is " + std::to_string(l->size) +
                " bytes long, not a whole number of " + std::to_string(recordSize) + "-byte records";
      return std::nullopt;
    }
    return Records{bytes.data() + l->pos, l->size / recordSize};
  };
  auto vx = records("VERTEXES", 4);
  if (!vx) return std::nullopt;
  auto ld = records("LINEDEFS", 14);
  if (!ld) return std::nullopt;
  auto sd = records("SIDEDEFS", 30);
  if (!sd) return std::nullopt;
  auto se = records("SECTORS", 26);
  if (!se) return std::nullopt;
  auto th = records("THINGS", 10);
  if (!th) return std::nullopt;

  WadLevel lv;
  lv.name = want;
  lv.vertexes.resize(vx->count);
  for (size_t i = 0; i < vx->count; ++i) lv.vertexes[i] = {s16(vx->p + 4 * i), s16(vx->p + 4 * i + 2)};
  lv.sectors.resize(se->count);
  for (size_t i = 0; i < se->count; ++i) {
    const unsigned char* r = se->p + 26 * i;
    lv.sectors[i] = {s16(r), s16(r + 2), wadName(r + 4), wadName(r + 12), s16(r + 20), s16(r + 22), s16(r + 24)};
  }
  lv.sides.resize(sd->count);
  for (size_t i = 0; i < sd->count; ++i) {
    const unsigned char* r = sd->p + 30 * i;
    WadSide& s = lv.sides[i];
    s = {s16(r), s16(r + 2), wadName(r + 4), wadName(r + 12), wadName(r + 20), u16(r + 28)};
    if (static_cast<size_t>(s.sector) >= se->count) {
      problem = "sidedef " + std::to_string(i) + " names sector " + std::to_string(s.sector) + ", but level " + want +
                " has " + std::to_string(se->count) + " sectors";
      return std::nullopt;
    }
  }
  if (!readLines(*ld, sd->count, want, lv, problem)) return std::nullopt;
  lv.things.resize(th->count);
  for (size_t i = 0; i < th->count; ++i) {
    const unsigned char* r = th->p + 10 * i;
    lv.things[i] = {s16(r), s16(r + 2), s16(r + 4), u16(r + 6), u16(r + 8)};
  }
  return lv;
}

}  // namespace kv
