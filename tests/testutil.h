#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/clsMap.h"

namespace kvtest {

// A fresh directory under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

// A whole file's bytes (none when it cannot be read), and a file made of bytes.
std::vector<unsigned char> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// A map object on the heap (the tables are large) with a fixed random seed.
std::unique_ptr<kv::clsMap> newMap();

// Adds a closed square area of side `s` at (x, y) the way the generators do.
kv::Long addSquare(kv::clsMap& m, kv::Long x, kv::Long y, kv::Long s);

}  // namespace kvtest
