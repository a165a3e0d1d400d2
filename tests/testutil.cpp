#include "testutil.h"

#include <fstream>
#include <random>

namespace kvtest {

TempDir::TempDir() {
  static std::mt19937_64 gen(std::random_device{}());
  path = std::filesystem::temp_directory_path() / ("kvtest-" + std::to_string(gen()));
  std::filesystem::create_directories(path);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

std::unique_ptr<kv::clsMap> newMap() {
  kv::Random::setClockOverride(12345);
  auto m = std::make_unique<kv::clsMap>();
  kv::Random::setClockOverride(0);
  return m;
}

kv::Long addSquare(kv::clsMap& m, kv::Long x, kv::Long y, kv::Long s) {
  kv::Long f = m.wallCount;
  m.startArea(f, 0);
  m.addWall(x, y, x + s, y, f, f + 1);
  m.addWall(x + s, y, x + s, y + s, f, f + 2);
  m.addWall(x + s, y + s, x, y + s, f, f + 3);
  m.addWall(x, y + s, x, y, f, -1);
  m.endArea();
  return m.curArea;
}

}  // namespace kvtest
