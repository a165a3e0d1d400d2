#include "io/mapfile.h"

#include "io/bytes.h"

namespace kv {

// --- writing ---------------------------------------------------------------------

namespace {

void putWall(ByteWriter& o, const Wall& w) {
  for (Long v : {w.x1, w.y1, w.x2, w.y2, w.h1, w.h2, w.h3, w.h4, w.wallParamA, w.wallParamB, w.wallTx, w.frontFloorTx,
                 w.frontCeilTx, w.backFloorTx, w.backCeilTx, w.posChild, w.negChild})
    o.putLong(v);
  o.putDouble(w.tStart);
  o.putDouble(w.tEnd);
  for (Long v : {w.txType, w.area, w.firstWallOfArea, w.nextInArea}) o.putLong(v);
  for (Long v : w.reservedL) o.putLong(v);
  o.putDouble(w.wallID);
  for (double v : w.reservedD) o.putDouble(v);
}

void putArea(ByteWriter& o, const Area& a) {
  for (Long v : {a.firstWall, a.size, a.flags, a.minY, a.minX, a.maxY, a.maxX, a.floorBeg, a.floorEnd, a.ceilBeg,
                 a.ceilEnd, a.reservedL[0], a.reservedL[1]})
    o.putLong(v);
  o.putInteger(a.reservedI);
  o.putName(a.name);
  o.putLong(a.reservedL2);
  for (double v : a.reservedD) o.putDouble(v);
}

void putViewpoint(ByteWriter& o, const Viewpoint& v) {
  o.putName(v.name);
  for (Long x : {v.x, v.y, v.z, v.reservedL}) o.putLong(x);
  for (double d : v.reservedD) o.putDouble(d);
}

void putGlobal(ByteWriter& o, const MapGlobal& g) {
  o.putDouble(g.id);
  o.putName(g.name);
  o.putDouble(g.value);
  for (double d : g.reservedD) o.putDouble(d);
}

Long position(const ByteWriter& o) { return static_cast<Long>(o.size() + 1); }

}  // namespace

std::vector<unsigned char> encodeMap(const clsMap& map, bool compiled) {
  ByteWriter o;
  o.buf.reserve(kHeaderSize + kWallsHeadSize + 16 + map.wallCount * kWallRecordSize +
                map.viewpointCount * kViewpointRecordSize + map.areaCount * kAreaRecordSize +
                map.globalCount * kGlobalRecordSize + 4 * kEntrySize);
  o.putZeros(kHeaderSize);
  std::vector<std::pair<Long, Long>> dir;

  dir.push_back({compiled ? kSectionCompiledWalls : kSectionWalls, position(o)});
  o.putLong(map.wallCount);
  o.putDouble(map.viewerX);
  o.putDouble(map.viewerY);
  o.putLong(map.viewerZ);
  o.putInteger(map.viewerDir);
  for (Long i = 0; i < map.wallCount; ++i) putWall(o, map.walls[i]);

  dir.push_back({kSectionViewpoints, position(o)});
  o.putLong(map.viewpointCount);
  for (Long i = 0; i < map.viewpointCount; ++i) putViewpoint(o, map.viewpoints[i]);

  dir.push_back({kSectionAreas, position(o)});
  o.putLong(map.areaCount);
  for (Long i = 0; i < map.areaCount; ++i) putArea(o, map.areas[i]);

  dir.push_back({kSectionGlobals, position(o)});
  o.putLong(map.globalCount);
  for (Long i = 0; i < map.globalCount; ++i) putGlobal(o, map.globals[i]);

  Long dirPos = position(o);
  for (auto [type, pos] : dir) {
    o.putLong(type);
    o.putLong(pos);
    o.putZeros(kEntrySize - 8);
  }

  ByteWriter h;
  h.putText("KV3D", 4);
  h.putLong(kMapVersion);
  h.putLong(static_cast<Long>(dir.size()));
  h.putLong(dirPos);
  std::copy(h.buf.begin(), h.buf.end(), o.buf.begin());  // the reserved Doubles stay 0
  return std::move(o.buf);
}

void WriteNewMPB(clsMap& map, Dialogs& ui, const std::string& fileName, bool compiled, bool& ok) {
  std::string err = writeFileAtomically(fileName, encodeMap(map, compiled));
  ok = err.empty();
  if (!ok) ui.msgBox(err, "Write Error", MsgIcon::Critical);
}

// --- reading ---------------------------------------------------------------------

namespace {

Wall getWall(ByteReader& r) {
  Wall w;
  for (Long* f : {&w.x1, &w.y1, &w.x2, &w.y2, &w.h1, &w.h2, &w.h3, &w.h4, &w.wallParamA, &w.wallParamB, &w.wallTx,
                  &w.frontFloorTx, &w.frontCeilTx, &w.backFloorTx, &w.backCeilTx, &w.posChild, &w.negChild})
    *f = r.getLong();
  w.tStart = r.getDouble();
  w.tEnd = r.getDouble();
  for (Long* f : {&w.txType, &w.area, &w.firstWallOfArea, &w.nextInArea}) *f = r.getLong();
  for (Long& v : w.reservedL) v = r.getLong();
  w.wallID = r.getDouble();
  for (double& v : w.reservedD) v = r.getDouble();
  return w;
}

Area getArea(ByteReader& r) {
  Area a;
  for (Long* f : {&a.firstWall, &a.size, &a.flags, &a.minY, &a.minX, &a.maxY, &a.maxX, &a.floorBeg, &a.floorEnd,
                  &a.ceilBeg, &a.ceilEnd, &a.reservedL[0], &a.reservedL[1]})
    *f = r.getLong();
  a.reservedI = r.getInteger();
  a.name = r.getName();
  a.reservedL2 = r.getLong();
  for (double& v : a.reservedD) v = r.getDouble();
  return a;
}

Viewpoint getViewpoint(ByteReader& r) {
  Viewpoint v;
  v.name = r.getName();
  for (Long* f : {&v.x, &v.y, &v.z, &v.reservedL}) *f = r.getLong();
  for (double& d : v.reservedD) d = r.getDouble();
  return v;
}

MapGlobal getGlobal(ByteReader& r) {
  MapGlobal g;
  g.id = r.getDouble();
  g.name = r.getName();
  g.value = r.getDouble();
  for (double& d : g.reservedD) d = r.getDouble();
  return g;
}

// Checks a section's count against its capacity and the file's length.
bool countFits(ByteReader& r, Long count, Long capacity, size_t recordSize, Long type, std::string& problem) {
  std::string what = std::string("the ") + sectionName(type) + " section";
  if (count < 0 || count > capacity) {
    problem =
        what + " holds " + std::to_string(count) + " records, but the map has room for " + std::to_string(capacity);
    return false;
  }
  if (!r.fits(static_cast<size_t>(count) * recordSize)) {
    problem = what + " is cut short: " + std::to_string(count) + " records do not fit in the file";
    return false;
  }
  return true;
}

bool isWalls(Long type) { return type == kSectionWalls || type == kSectionCompiledWalls; }

// The header's counts and the directory's place, which must lie in the file.
bool parseHeader(ByteReader& r, MapFileContents& c, std::string& problem) {
  if (r.size() < kHeaderSize) {
    problem = "the file is " + std::to_string(r.size()) + " bytes long, shorter than a map file's header";
    return false;
  }
  r.seek(4);
  c.version = r.getLong();
  c.entryCount = r.getLong();
  c.directoryPosition = r.getLong();
  if (c.entryCount < 0) {
    problem = "the header gives a negative number of sections (" + std::to_string(c.entryCount) + ")";
    return false;
  }
  const size_t dirOffset = static_cast<size_t>(c.directoryPosition) - 1;
  if (c.directoryPosition < 1 || dirOffset > r.size() ||
      static_cast<size_t>(c.entryCount) > (r.size() - dirOffset) / kEntrySize) {
    problem = "its section directory (position " + std::to_string(c.directoryPosition) + ", " +
              std::to_string(c.entryCount) + " entries) lies beyond the end of the file";
    return false;
  }
  return true;
}

// A section's count, checked, then that many records.
template <class T>
bool parseRecords(ByteReader& r, Long type, Long capacity, size_t recordSize, T (*get)(ByteReader&),
                  std::vector<T>& out, std::string& problem) {
  const Long count = r.getLong();
  if (!countFits(r, count, capacity, recordSize, type, problem)) return false;
  out.reserve(static_cast<size_t>(count));
  for (Long i = 0; i < count; ++i) out.push_back(get(r));
  return true;
}

bool parseWalls(ByteReader& r, Long type, MapFileContents& c, std::string& problem) {
  MapFileContents::WallsSection w;
  w.type = type;
  const Long count = r.getLong();
  w.viewerX = r.getDouble();
  w.viewerY = r.getDouble();
  w.viewerZ = r.getLong();
  w.viewerDir = r.getInteger();
  if (!countFits(r, count, kWallSlots, kWallRecordSize, type, problem)) return false;
  w.walls.reserve(static_cast<size_t>(count));
  for (Long i = 0; i < count; ++i) w.walls.push_back(getWall(r));
  c.order.push_back({type, c.wallSections.size()});
  c.wallSections.push_back(std::move(w));
  return true;
}

// The section a directory entry names. Sections of unknown types are skipped;
// a damaged viewpoints section is noted but refuses nothing, since loading
// never reads it into the document.
bool parseSection(ByteReader& r, const MapFileContents::Section& s, MapFileContents& c, std::string& problem) {
  const bool known =
      isWalls(s.type) || s.type == kSectionAreas || s.type == kSectionGlobals || s.type == kSectionViewpoints;
  if (!known) return true;
  const size_t off = static_cast<size_t>(s.position) - 1;
  const size_t head = isWalls(s.type) ? kWallsHeadSize : 4;
  if (s.position < 1 || off > r.size() || r.size() - off < head) {
    if (s.type == kSectionViewpoints) {
      c.viewpointsDamaged = true;
      return true;
    }
    problem = std::string("its ") + sectionName(s.type) + " section (position " + std::to_string(s.position) +
              ") lies beyond the end of the file";
    return false;
  }
  r.seek(off);
  if (isWalls(s.type)) return parseWalls(r, s.type, c, problem);
  if (s.type == kSectionAreas) {
    c.order.push_back({s.type, c.areaSections.size()});
    return parseRecords(r, s.type, kAreaSlots, kAreaRecordSize, getArea, c.areaSections.emplace_back(), problem);
  }
  if (s.type == kSectionGlobals) {
    c.order.push_back({s.type, c.globalSections.size()});
    return parseRecords(r, s.type, kAreaSlots, kGlobalRecordSize, getGlobal, c.globalSections.emplace_back(), problem);
  }
  std::vector<Viewpoint> v;
  std::string ignored;
  c.viewpointsDamaged = !parseRecords(r, s.type, kAreaSlots, kViewpointRecordSize, getViewpoint, v, ignored);
  if (c.viewpointsDamaged)
    c.viewpoints.reset();
  else
    c.viewpoints = std::move(v);
  return true;
}

}  // namespace

std::optional<MapFileContents> parseMap(const std::vector<unsigned char>& bytes, std::string& problem) {
  MapFileContents c;
  ByteReader r(bytes.data(), bytes.size());
  if (!parseHeader(r, c, problem)) return std::nullopt;
  c.magic.assign(reinterpret_cast<const char*>(bytes.data()), 4);
  const size_t dirOffset = static_cast<size_t>(c.directoryPosition) - 1;
  try {
    for (Long k = 0; k < c.entryCount; ++k) {
      r.seek(dirOffset + static_cast<size_t>(k) * kEntrySize);
      MapFileContents::Section s;
      s.type = r.getLong();
      s.position = r.getLong();
      c.sections.push_back(s);
      if (!parseSection(r, s, c, problem)) return std::nullopt;
    }
  } catch (const ByteReader::Overrun&) {
    problem = "the file ends in the middle of a section";
    return std::nullopt;
  }
  // Without a walls section the file is no map: reading it would keep the
  // old walls and let the next Save overwrite it with them.
  if (c.wallSections.empty()) {
    problem = "its directory names no walls section (type 1 or 8), so it is not a map file";
    return std::nullopt;
  }
  return c;
}

void applyMap(clsMap& map, const MapFileContents& c) {
  for (auto [type, idx] : c.order) {
    if (type == kSectionWalls || type == kSectionCompiledWalls) {
      const auto& w = c.wallSections[idx];
      map.wallCount = static_cast<Long>(w.walls.size());
      map.viewerX = w.viewerX;
      map.viewerY = w.viewerY;
      map.viewerZ = w.viewerZ;
      map.viewerDir = w.viewerDir;
      for (size_t i = 0; i < w.walls.size(); ++i) {
        Long keep = map.walls[i].nextSeg;  // not stored in the file
        map.walls[i] = w.walls[i];
        map.walls[i].nextSeg = keep;
      }
    } else if (type == kSectionAreas) {
      const auto& v = c.areaSections[idx];
      map.areaCount = static_cast<Long>(v.size());
      std::copy(v.begin(), v.end(), map.areas.begin());
    } else if (type == kSectionGlobals) {
      const auto& v = c.globalSections[idx];
      map.globalCount = static_cast<Long>(v.size());
      std::copy(v.begin(), v.end(), map.globals.begin());
    }
  }
}

std::optional<std::vector<unsigned char>> readFileBytes(const std::string& path, std::string& error) {
  return readRegularFile(path, kMapFileLimit, error);
}

std::optional<MapFileContents> readMapFile(const std::string& fileName, ReadOutcome& outcome) {
  std::string problem;
  bool missing = false;
  auto bytes = readRegularFile(fileName, kMapFileLimit, problem, &missing);
  if (missing) {
    outcome = {ReadStatus::Missing, "No map"};
    return std::nullopt;
  }
  std::optional<MapFileContents> c;
  if (bytes) c = parseMap(*bytes, problem);
  if (!c)
    outcome = {ReadStatus::Damaged, "The file \"" + fileName + "\" cannot be read as a map: " + problem + "."};
  else
    outcome = {};
  return c;
}

ReadOutcome loadMapFile(clsMap& map, const std::string& fileName) {
  ReadOutcome outcome;
  if (auto c = readMapFile(fileName, outcome)) applyMap(map, *c);
  return outcome;
}

void ReadNewMPB(clsMap& map, Dialogs& ui, const std::string& fileName, bool& ok, ReadStatus* status) {
  ReadOutcome r = loadMapFile(map, fileName);
  ok = r.status == ReadStatus::Ok;
  if (status) *status = r.status;
  if (r.status == ReadStatus::Missing) ui.msgBox("No map", kAppTitle, MsgIcon::None);
  if (r.status == ReadStatus::Damaged) ui.msgBox(r.message, "Open Map", MsgIcon::Critical);
}

const char* sectionName(Long type) {
  switch (type) {
    case kSectionWalls:
      return "walls";
    case kSectionCompiledWalls:
      return "compiled walls";
    case kSectionViewpoints:
      return "viewpoints";
    case kSectionAreas:
      return "areas";
    case kSectionGlobals:
      return "globals";
  }
  return "unknown";
}

}  // namespace kv
