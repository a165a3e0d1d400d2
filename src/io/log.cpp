#include "io/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv {

bool StartupLog::open(const std::string& fileName) {
  close();
  // Created anew: whatever has the name is removed and a new file made that
  // must not exist yet, so a link planted in the log's place is never
  // followed.
  ::unlink(fileName.c_str());
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd >= 0) file_ = ::fdopen(fd, "wb");
  if (!file_) {
    error_ = std::strerror(errno);
    if (fd >= 0) ::close(fd);
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
