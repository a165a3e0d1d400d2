// Any bytes as the settings file: read the recent-file keys, store one, and
// check that the value reads back and that every other line is kept.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "io/ini.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = "/tmp/kvfuzz-" + std::to_string(getpid()) + ".ini";
  std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  for (const char* key : {"file1", "file2", "file3", "file4"}) {
    if (kv::readIniValue("init", key, path).size() > kv::kIniValueLimit) std::abort();
  }
  // A value the reader gives back as it was written: no blanks around it, no
  // quotes, no line break.
  const std::string value = "maps/room " + std::to_string(size) + ".map";
  if (!kv::writeIniValue("Init", "FILE2", path, value)) return 0;
  if (kv::readIniValue("init", "file2", path) != value) std::abort();
  // Writing the same value again changes nothing.
  std::string once = slurp(path);
  if (!kv::writeIniValue("init", "file2", path, value) || slurp(path) != once) std::abort();
  unlink(path.c_str());
  return 0;
}
