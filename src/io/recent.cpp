#include "io/recent.h"

#include <filesystem>
#include <system_error>

#include "io/ini.h"

namespace kv {

std::string iniPath() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::current_path(ec);
  if (ec) return kIniFileName;
  return (dir / kIniFileName).string();
}

namespace {
std::string keyOf(int k) { return std::string("file").append(std::to_string(k)); }
}  // namespace

void RecentFiles::loadRecentFiles(const std::string& iniFile) {
  for (int k = 1; k <= 4; ++k) entries[k - 1] = readIniValue(kIniSection, keyOf(k), iniFile);
}

void RecentFiles::updateRecentFiles(const std::string& currentMapFile, const std::string& iniFile) {
  for (int k = 3; k >= 1; --k) entries[k] = entries[k - 1];
  entries[0] = currentMapFile;
  for (int k = 1; k <= 4; ++k) writeIniValue(kIniSection, keyOf(k), iniFile, entries[k - 1]);
}

std::string RecentFiles::caption(int k) const {
  if (k < 1 || k > 4) return {};
  return std::string("&").append(std::to_string(k)).append(" ").append(entries[k - 1]);
}

bool RecentFiles::openRecentFile(int k, MapDocument& doc) const {
  if (k < 1 || k > 4 || entries[k - 1].size() <= 2) return false;
  return doc.openMapFile(entries[k - 1]);
}

}  // namespace kv
