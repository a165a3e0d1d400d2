// Saves that fail half-way must leave the previous map file as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "io/mapfile.h"
#include "testutil.h"

using namespace kv;
using kvtest::TempDir;

namespace {

std::vector<unsigned char> slurp(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::unique_ptr<clsMap> bigMap() {
  auto m = kvtest::newMap();
  for (int i = 0; i < 200; ++i) kvtest::addSquare(*m, i * 10, 0, 8);  // 800 walls, 118 KB
  return m;
}

// Runs `f` in a child process and returns its exit status (or 128 + signal).
template <class F>
int inChild(F f) {
  pid_t pid = fork();
  if (pid == 0) _exit(f());
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

}  // namespace

TEST(SaveFaults, FullDiskUnwritableFolderAndKilledWriterKeepTheOldFile) {
  TempDir dir;
  const std::string file = dir.file("work.map");
  auto small = kvtest::newMap();
  kvtest::addSquare(*small, 0, 0, 10);
  ScriptedDialogs ui;
  bool ok = false;
  WriteNewMPB(*small, ui, file, false, ok);
  ASSERT_TRUE(ok);
  const auto old = slurp(file);
  auto big = bigMap();
  const auto bigBytes = encodeMap(*big, false);

  // A disk that fills up: the file size limit stops the write with the system's error.
  int rc = inChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit lim{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &lim);
    ScriptedDialogs childUi;
    bool childOk = true;
    WriteNewMPB(*big, childUi, file, false, childOk);
    if (childOk || childUi.messages.size() != 1) return 2;
    if (childUi.messages[0].title != "Write Error") return 3;
    return childUi.messages[0].text == std::strerror(EFBIG) ? 0 : 4;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(slurp(file), old);

  // A folder the user may not write to (as an unprivileged user, also when run as root).
  chmod(dir.path.c_str(), 0755);
  rc = inChild([&] {
    if (geteuid() == 0 && setuid(65534) != 0) return 5;
    ScriptedDialogs childUi;
    bool childOk = true;
    WriteNewMPB(*big, childUi, file, false, childOk);
    if (childOk) return 2;
    return childUi.messages.at(0).text == std::strerror(EACCES) ? 0 : 3;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(slurp(file), old);

  // The writer killed in the middle of the save.
  rc = inChild([&] {
    signal(SIGXFSZ, SIG_DFL);  // the size limit kills the process mid-write
    rlimit lim{65536, 65536};
    setrlimit(RLIMIT_FSIZE, &lim);
    writeFileAtomically(file, bigBytes);
    return 0;
  });
  EXPECT_EQ(rc, 128 + SIGXFSZ);
  EXPECT_EQ(slurp(file), old);

  // The document in memory is untouched by all of it, and a normal save still works.
  WriteNewMPB(*big, ui, file, false, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(slurp(file), bigBytes);
}

TEST(SaveFaults, FileThatVanishesOrShrinksBeforeTheRead) {
  TempDir dir;
  auto m = bigMap();
  ScriptedDialogs ui;
  bool ok = false;
  const std::string file = dir.file("gone.map");
  WriteNewMPB(*m, ui, file, false, ok);
  auto doc = kvtest::newMap();
  kvtest::addSquare(*doc, 5, 5, 5);
  const auto before = encodeMap(*doc, false);

  std::filesystem::resize_file(file, 5000);
  ReadNewMPB(*doc, ui, file, ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(ui.messages.back().title, "Open Map");
  std::filesystem::remove(file);
  ReadNewMPB(*doc, ui, file, ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(ui.messages.back().text, "No map");
  EXPECT_EQ(encodeMap(*doc, false), before);
}
