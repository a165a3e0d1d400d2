// Reading levels out of a WAD file (the classic level format): the lump
// directory and a level's vertexes, linedefs, sidedefs, sectors and things,
// each checked before anything uses it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct WadLump {
  std::string name;  // up to 8 characters, upper case, without the zero padding
  std::size_t pos = 0, size = 0;
};

struct WadDirectory {
  std::string kind;  // "IWAD" or "PWAD"
  std::vector<WadLump> lumps;
};

// The header and the lump directory, every lump inside the file. Nothing and
// `problem` set when the bytes are not a WAD file or its directory is damaged.
std::optional<WadDirectory> readWadDirectory(const std::vector<unsigned char>& bytes, std::string& problem);

// The names of the levels in the directory, in directory order: every lump
// followed by a THINGS lump (classic levels) or a TEXTMAP lump (text levels).
std::vector<std::string> wadLevelNames(const WadDirectory& dir);

struct WadVertex {
  int x = 0, y = 0;
};
struct WadLine {
  int v1 = 0, v2 = 0;
  int flags = 0, special = 0, tag = 0;
  int right = -1, left = -1;  // sidedef numbers, -1 for none
};
struct WadSide {
  int xOffset = 0, yOffset = 0;
  std::string upper, lower, middle;  // texture names, "-" for none
  int sector = 0;
};
struct WadSector {
  int floor = 0, ceil = 0;
  std::string floorFlat, ceilFlat;
  int light = 0, special = 0, tag = 0;
};
struct WadThing {
  int x = 0, y = 0, angle = 0, type = 0, flags = 0;
};

struct WadLevel {
  std::string name;
  std::vector<WadVertex> vertexes;
  std::vector<WadLine> lines;
  std::vector<WadSide> sides;
  std::vector<WadSector> sectors;
  std::vector<WadThing> things;
};

// Reads the level named `level` (any case; the last one of that name when a
// file holds several). Refused with `problem` set: a level that is missing or
// not in the classic format, a missing or truncated lump, a linedef naming a
// vertex or sidedef that does not exist or lacking its front sidedef, a
// sidedef naming a sector that does not exist, a line of zero length.
std::optional<WadLevel> readWadLevel(const std::vector<unsigned char>& bytes, const WadDirectory& dir,
                                     std::string_view level, std::string& problem);

// A lump or texture name as stored: up to 8 bytes, ending at the first zero
// byte, letters in upper case.
std::string wadName(const unsigned char* p);

}  // namespace kv
