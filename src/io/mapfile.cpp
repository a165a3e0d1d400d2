#include "io/mapfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "io/bytes.h"

namespace kv {

// --- writing ---------------------------------------------------------------------

namespace {

void putWall(ByteWriter& o, const Wall& w) {
  for (Long v : {w.x1, w.y1, w.x2, w.y2, w.h1, w.h2, w.h3, w.h4, w.wallParamA, w.wallParamB, w.wallTx,
                 w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx, w.posChild, w.negChild})
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

std::string writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::string tmpl = path + ".saving-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return std::strerror(errno);
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(name.data());
    return std::string(std::strerror(err));
  };
  // The new file gets the old file's permissions, or the usual ones for a new file.
  struct stat st;
  mode_t mode;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return fail(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(name.data());
    return std::strerror(err);
  }
  if (::rename(name.data(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(name.data());
    return std::strerror(err);
  }
  return {};
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

const char* sectionName(Long type) {
  switch (type) {
    case kSectionWalls: return "walls";
    case kSectionCompiledWalls: return "compiled walls";
    case kSectionViewpoints: return "viewpoints";
    case kSectionAreas: return "areas";
    case kSectionGlobals: return "globals";
  }
  return "unknown";
}

// Checks a section's count against its capacity and the file's length.
bool countFits(ByteReader& r, Long count, Long capacity, size_t recordSize, Long type, std::string& problem) {
  std::string what = std::string("the ") + sectionName(type) + " section";
  if (count < 0 || count > capacity) {
    problem = what + " holds " + std::to_string(count) + " records, but the map has room for " +
              std::to_string(capacity);
    return false;
  }
  if (!r.fits(static_cast<size_t>(count) * recordSize)) {
    problem = what + " is cut short: " + std::to_string(count) + " records do not fit in the file";
    return false;
  }
  return true;
}

}  // namespace

std::optional<MapFileContents> parseMap(const std::vector<unsigned char>& bytes, std::string& problem) {
  MapFileContents c;
  ByteReader r(bytes.data(), bytes.size());
  if (bytes.size() < kHeaderSize) {
    problem = "the file is " + std::to_string(bytes.size()) + " bytes long, shorter than a map file's header";
    return std::nullopt;
  }
  c.magic.assign(reinterpret_cast<const char*>(bytes.data()), 4);
  r.seek(4);
  c.version = r.getLong();
  c.entryCount = r.getLong();
  c.directoryPosition = r.getLong();
  if (c.entryCount < 0) {
    problem = "the header gives a negative number of sections (" + std::to_string(c.entryCount) + ")";
    return std::nullopt;
  }
  size_t dirOffset = static_cast<size_t>(c.directoryPosition) - 1;
  if (c.directoryPosition < 1 || dirOffset > bytes.size() ||
      static_cast<size_t>(c.entryCount) > (bytes.size() - dirOffset) / kEntrySize) {
    problem = "its section directory (position " + std::to_string(c.directoryPosition) + ", " +
              std::to_string(c.entryCount) + " entries) lies beyond the end of the file";
    return std::nullopt;
  }
  try {
    for (Long k = 0; k < c.entryCount; ++k) {
      r.seek(dirOffset + static_cast<size_t>(k) * kEntrySize);
      MapFileContents::Section s;
      s.type = r.getLong();
      s.position = r.getLong();
      c.sections.push_back(s);
      bool known = s.type == kSectionWalls || s.type == kSectionCompiledWalls || s.type == kSectionAreas ||
                   s.type == kSectionGlobals || s.type == kSectionViewpoints;
      if (!known) continue;  // sections of other kinds are skipped
      size_t off = static_cast<size_t>(s.position) - 1;
      size_t head = s.type == kSectionWalls || s.type == kSectionCompiledWalls ? kWallsHeadSize : 4;
      if (s.position < 1 || off > bytes.size() || bytes.size() - off < head) {
        if (s.type == kSectionViewpoints) continue;  // never read into the document
        problem = std::string("its ") + sectionName(s.type) + " section (position " + std::to_string(s.position) +
                  ") lies beyond the end of the file";
        return std::nullopt;
      }
      r.seek(off);
      Long count = r.getLong();
      if (s.type == kSectionWalls || s.type == kSectionCompiledWalls) {
        MapFileContents::WallsSection w;
        w.type = s.type;
        w.viewerX = r.getDouble();
        w.viewerY = r.getDouble();
        w.viewerZ = r.getLong();
        w.viewerDir = r.getInteger();
        if (!countFits(r, count, kWallSlots, kWallRecordSize, s.type, problem)) return std::nullopt;
        w.walls.reserve(count);
        for (Long i = 0; i < count; ++i) w.walls.push_back(getWall(r));
        c.order.push_back({s.type, c.wallSections.size()});
        c.wallSections.push_back(std::move(w));
      } else if (s.type == kSectionAreas) {
        if (!countFits(r, count, kAreaSlots, kAreaRecordSize, s.type, problem)) return std::nullopt;
        std::vector<Area> v;
        for (Long i = 0; i < count; ++i) v.push_back(getArea(r));
        c.order.push_back({s.type, c.areaSections.size()});
        c.areaSections.push_back(std::move(v));
      } else if (s.type == kSectionGlobals) {
        if (!countFits(r, count, kAreaSlots, kGlobalRecordSize, s.type, problem)) return std::nullopt;
        std::vector<MapGlobal> v;
        for (Long i = 0; i < count; ++i) v.push_back(getGlobal(r));
        c.order.push_back({s.type, c.globalSections.size()});
        c.globalSections.push_back(std::move(v));
      } else {
        std::string ignored;
        if (countFits(r, count, kAreaSlots, kViewpointRecordSize, s.type, ignored)) {
          std::vector<Viewpoint> v;
          for (Long i = 0; i < count; ++i) v.push_back(getViewpoint(r));
          c.viewpoints = std::move(v);
        }
      }
    }
  } catch (const ByteReader::Overrun&) {
    problem = "the file ends in the middle of a section";
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
  // Larger than any container the editor can write by far; refuse before reading.
  constexpr std::streamoff kLimit = 64 << 20;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  std::streamoff n = in.tellg();
  if (n < 0) {
    error = "the file cannot be read";
    return std::nullopt;
  }
  if (n > kLimit) {
    error = "the file is " + std::to_string(n) + " bytes long, far larger than any map file";
    return std::nullopt;
  }
  in.seekg(0);
  std::vector<unsigned char> bytes(static_cast<size_t>(n));
  in.read(reinterpret_cast<char*>(bytes.data()), n);
  if (in.gcount() != n) {
    error = "the file changed while it was read";
    return std::nullopt;
  }
  return bytes;
}

ReadOutcome loadMapFile(clsMap& map, const std::string& fileName) {
  struct stat st;
  if (::stat(fileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {ReadStatus::Missing, "No map"};
  std::string problem;
  auto bytes = readFileBytes(fileName, problem);
  std::optional<MapFileContents> c;
  if (bytes) c = parseMap(*bytes, problem);
  if (!c) return {ReadStatus::Damaged, "The file \"" + fileName + "\" cannot be read as a map: " + problem + "."};
  applyMap(map, *c);
  return {};
}

void ReadNewMPB(clsMap& map, Dialogs& ui, const std::string& fileName, bool& ok, ReadStatus* status) {
  ReadOutcome r = loadMapFile(map, fileName);
  ok = r.status == ReadStatus::Ok;
  if (status) *status = r.status;
  if (r.status == ReadStatus::Missing) ui.msgBox("No map", kAppTitle, MsgIcon::None);
  if (r.status == ReadStatus::Damaged) ui.msgBox(r.message, "Open Map", MsgIcon::Critical);
}

}  // namespace kv
