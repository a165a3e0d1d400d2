// The four map files used last: kept by the main window, shown as entries of
// the File menu and stored in the settings file.
#pragma once
#include <array>
#include <string>

#include "io/document.h"

namespace kv {

inline constexpr const char* kIniFileName = "zidoruv.ini";
inline constexpr const char* kIniSection = "init";

// The settings file in the current directory, built anew at every access so
// that a change of directory (a file dialog may make one) is followed.
std::string iniPath();

class RecentFiles {
 public:
  // entries[0] is entry 1, the most recent.
  std::array<std::string, 4> entries;

  // Entries 1 to 4 from keys "file1" to "file4" of section "init".
  void loadRecentFiles(const std::string& iniFile);
  // Moves the list down by one, puts `currentMapFile` on top (no check for
  // duplicates) and writes all four keys.
  void updateRecentFiles(const std::string& currentMapFile, const std::string& iniFile);
  // The File menu caption of entry k (1 to 4): "&k " and the entry.
  std::string caption(int k) const;
  // Opens entry k when it is longer than 2 characters; the list keeps its
  // order and the settings file is not written. True when a file was read.
  bool openRecentFile(int k, MapDocument& doc) const;
};

}  // namespace kv
