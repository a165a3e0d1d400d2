#include "io/log.h"

#include <cerrno>
#include <cstring>

namespace kv {

bool StartupLog::open(const std::string& fileName) {
  close();
  file_ = std::fopen(fileName.c_str(), "wb");
  if (!file_) {
    error_ = std::strerror(errno);
    return false;
  }
  error_.clear();
  return true;
}

void StartupLog::logLine(std::string_view text) {
  if (!file_) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fwrite("\r\n", 1, 2, file_);
  std::fflush(file_);
}

void StartupLog::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace kv
