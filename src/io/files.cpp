#include "io/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kv {

namespace {

std::string errorText(int err) { return std::strerror(err); }

std::string sizeText(std::size_t n) {
  constexpr std::size_t MiB = std::size_t{1} << 20;
  return n >= MiB && n % MiB == 0 ? std::to_string(n / MiB) + " MiB" : std::to_string(n) + " bytes";
}

std::string notRegular(mode_t mode) {
  return S_ISDIR(mode) ? "it is a folder, not a file" : "it is not a regular file (a pipe, a device or a socket)";
}

}  // namespace

std::optional<std::vector<unsigned char>> readRegularFile(const std::string& path, std::size_t limit,
                                                          std::string& problem, bool* missing) {
  if (missing) *missing = false;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (missing) *missing = errno == ENOENT || errno == ENOTDIR;
    problem = errorText(errno);
    return std::nullopt;
  }
  // Checked before opening: opening a pipe would wait for a writer, and
  // opening some devices has effects of its own.
  if (!S_ISREG(st.st_mode)) {
    problem = notRegular(st.st_mode);
    return std::nullopt;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    problem = errorText(errno);
    return std::nullopt;
  }
  // The name may have been given to something else in between.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    problem = notRegular(st.st_mode);
    ::close(fd);
    return std::nullopt;
  }
  auto tooLarge = [&] {
    problem = "the file is larger than " + sizeText(limit);
    ::close(fd);
    return std::nullopt;
  };
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit) return tooLarge();
  // The stated size is only a hint: the file may grow while it is read.
  std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (have > limit) return tooLarge();
      bytes.resize(std::min(limit + 1, have * 2 + 4096));
    }
    ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem = errorText(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (have > limit) {
    problem = "the file is larger than " + sizeText(limit);
    return std::nullopt;
  }
  bytes.resize(have);
  return bytes;
}

// --- writing ---------------------------------------------------------------------

namespace {

constexpr const char* kTempMark = ".saving-";

// The file a path finally names once its symbolic links are followed; it need
// not exist. Empty text on success, otherwise the system's error text.
std::string followLinks(std::string path, std::string& target) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = path;
      return {};
    }
    std::string link(256, '\0');
    for (;;) {
      ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
      if (n < 0) return errorText(errno);
      if (static_cast<std::size_t>(n) < link.size()) {
        link.resize(static_cast<std::size_t>(n));
        break;
      }
      link.resize(link.size() * 2);
    }
    if (link.empty()) return errorText(ENOENT);
    if (link[0] != '/') {
      const std::size_t slash = path.rfind('/');
      link.insert(0, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    }
    path = link;
  }
  return errorText(ELOOP);
}

void splitPath(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporary files are named "<file>.saving-<process id>-XXXXXX". One whose
// process has ended is what a killed save left behind; one of a running
// process belongs to a save still in progress and is left alone.
void removeLeftovers(const std::string& target) {
  std::string folder, name;
  splitPath(target, folder, name);
  const std::string prefix = name + kTempMark;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string entry = e->d_name;
    if (entry.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = entry.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6 ||
        rest.find_first_not_of("0123456789") != dash)
      continue;
    const long pid = std::strtol(rest.c_str(), nullptr, 10);
    const bool ended = pid == ::getpid() || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    if (!ended) continue;
    std::string path = folder;
    path.append("/").append(entry);
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(d);
}

std::string writeAll(int fd, const std::vector<unsigned char>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errorText(errno);
    done += static_cast<std::size_t>(n);
  }
  return {};
}

void syncFolder(const std::string& target) {
  std::string folder, name;
  splitPath(target, folder, name);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes beside the target and renames over it. `old` is the target's state
// when it exists. Sets `inPlace` when the file must be written in place
// instead (no temporary file can be made, or the old owner cannot be kept).
std::string writeBeside(const std::string& target, const struct stat* old, const std::vector<unsigned char>& bytes,
                        bool& inPlace) {
  std::string tmpl = target + kTempMark + std::to_string(::getpid()) + "-XXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    inPlace = old && (err == EACCES || err == EPERM || err == EROFS || err == ENAMETOOLONG);
    return errorText(err);
  }
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return errorText(err);
  };
  mode_t mode;
  if (old) {
    mode = old->st_mode & 07777;
    struct stat mine;
    if (::fstat(fd, &mine) != 0) return fail(errno);
    if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
      const int err = errno;
      inPlace = err == EPERM;
      return fail(err);
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return fail(errno);
  std::string err = writeAll(fd, bytes);
  if (!err.empty()) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return err;
  }
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int e = errno;
    ::unlink(tmpl.c_str());
    return errorText(e);
  }
  if (::rename(tmpl.c_str(), target.c_str()) != 0) {
    const int e = errno;
    ::unlink(tmpl.c_str());
    return errorText(e);
  }
  syncFolder(target);
  return {};
}

// Overwrites the open file from its start once the whole new size is
// reserved; a failed reservation gives the file back its old size.
std::string writeInPlace(int fd, const std::vector<unsigned char>& bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return errorText(errno);
  if (!bytes.empty()) {
    const int err = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
    if (err != 0) {
      if (::ftruncate(fd, st.st_size) != 0) {
        // Only reserved space beyond the old end can be left; the old bytes are intact.
      }
      return errorText(err);
    }
  }
  std::string err = writeAll(fd, bytes);
  if (!err.empty()) return err;
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) return errorText(errno);
  return {};
}

}  // namespace

std::string writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::string target;
  std::string err = followLinks(path, target);
  if (!err.empty()) return err;
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) return errorText(errno);
    removeLeftovers(target);
    bool inPlace = false;
    return writeBeside(target, nullptr, bytes, inPlace);
  }
  if (S_ISDIR(st.st_mode)) return errorText(EISDIR);
  if (!S_ISREG(st.st_mode)) return "The file is not a regular file (a pipe, a device or a socket).";
  // Opening for writing is the permission check: a file the user may not
  // write is refused here, before anything is made or changed.
  int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errorText(errno);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return "The file is not a regular file (a pipe, a device or a socket).";
  }
  removeLeftovers(target);
  bool inPlace = st.st_nlink > 1;  // every hard link must see the new contents
  if (!inPlace) err = writeBeside(target, &st, bytes, inPlace);
  if (inPlace) err = writeInPlace(fd, bytes);
  if (::close(fd) != 0 && err.empty()) err = errorText(errno);
  return err;
}

}  // namespace kv
