// The start-up log: one line per step of the start, each ended by CR LF,
// written through at once so that the file shows how far a start got.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace kv {

inline constexpr const char* kLogFileName = "ZidOruv.log";

class StartupLog {
 public:
  StartupLog() = default;
  StartupLog(const StartupLog&) = delete;
  StartupLog& operator=(const StartupLog&) = delete;
  ~StartupLog() { close(); }

  // Creates the file anew, replacing what had its name (a link there is
  // removed, not followed). False, with the system's error text in error(),
  // when it cannot be created; the log then writes nothing.
  bool open(const std::string& fileName);
  bool isOpen() const { return file_ != nullptr; }
  const std::string& error() const { return error_; }

  // Appends one line; does nothing when the log is not open.
  void logLine(std::string_view text);
  void close();

 private:
  std::FILE* file_ = nullptr;
  std::string error_;
};

}  // namespace kv
