// The map container: a 64-byte header, the walls, viewpoints, areas and
// globals sections, and a directory of 64-byte entries. The same container
// carries the compiled map binary (walls section of type 8).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "io/dialogs.h"
#include "io/files.h"
#include "model/clsMap.h"

namespace kv {

enum SectionType : Long {
  kSectionWalls = 1,
  kSectionViewpoints = 2,
  kSectionAreas = 3,
  kSectionGlobals = 4,
  kSectionCompiledWalls = 8,
};

// The name of a section type as messages and listings give it ("walls",
// "compiled walls", ...), "unknown" for another type.
const char* sectionName(Long type);

constexpr Long kMapVersion = 146;
constexpr size_t kHeaderSize = 64, kEntrySize = 64;
constexpr size_t kWallRecordSize = 148, kAreaRecordSize = 90, kViewpointRecordSize = 64, kGlobalRecordSize = 64;
constexpr size_t kWallsHeadSize = 26;
// Far larger than any container the editor can write (under 400 KiB); a
// longer file is refused without being read.
constexpr size_t kMapFileLimit = size_t{64} << 20;

// The whole document as the container stores it.
std::vector<unsigned char> encodeMap(const clsMap& map, bool compiled);

// A container taken apart and checked, before anything reaches the document.
struct MapFileContents {
  std::string magic;  // the first four bytes, not checked
  Long version = 0, entryCount = 0, directoryPosition = 0;
  struct Section {
    Long type = 0, position = 0;
  };
  std::vector<Section> sections;  // directory entries in file order

  struct WallsSection {
    Long type = kSectionWalls;
    double viewerX = 0, viewerY = 0;
    Long viewerZ = 0;
    Integer viewerDir = 0;
    std::vector<Wall> walls;
  };
  std::vector<WallsSection> wallSections;
  std::vector<std::vector<Area>> areaSections;
  std::vector<std::vector<MapGlobal>> globalSections;
  // Read for inspection only; loading never changes the viewpoint list.
  std::optional<std::vector<Viewpoint>> viewpoints;
  bool viewpointsDamaged = false;  // a viewpoints section is listed but cannot be read

  // Sections to apply to a document, in directory order: (type, index into
  // the matching vector above).
  std::vector<std::pair<Long, size_t>> order;
};

// Parses bytes; on a damaged or foreign container (one without a walls
// section) returns nothing and sets `problem` to a sentence saying what is
// wrong.
std::optional<MapFileContents> parseMap(const std::vector<unsigned char>& bytes, std::string& problem);

// Applies parsed sections to the document as reading a file does: counts and
// records from each section in order, records above a new count untouched,
// nothing else reset.
void applyMap(clsMap& map, const MapFileContents& contents);

// Reads a whole regular file of at most kMapFileLimit bytes. Empty optional
// and `error` set when it cannot be read.
std::optional<std::vector<unsigned char>> readFileBytes(const std::string& path, std::string& error);

// Result of reading a map file.
enum class ReadStatus { Ok, Missing, Damaged };
struct ReadOutcome {
  ReadStatus status = ReadStatus::Ok;
  std::string message;  // for Missing and Damaged: what the user is told
};
// Reads and checks a map file without touching any document; a name that
// is not a regular file (a folder, a pipe) is Damaged, not Missing.
std::optional<MapFileContents> readMapFile(const std::string& fileName, ReadOutcome& outcome);
// Reads `fileName` into `map` all or nothing.
ReadOutcome loadMapFile(clsMap& map, const std::string& fileName);

// The editor's file operations, with their messages shown through `ui`.
void WriteNewMPB(clsMap& map, Dialogs& ui, const std::string& fileName, bool compiled, bool& ok);
void ReadNewMPB(clsMap& map, Dialogs& ui, const std::string& fileName, bool& ok, ReadStatus* status = nullptr);

}  // namespace kv
