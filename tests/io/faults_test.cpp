// Saves that fail half-way must leave the previous map file as it was;
// protected files, links and names that are no files lose nothing.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "engine/header.h"
#include "io/document.h"
#include "io/ini.h"
#include "io/mapfile.h"
#include "io/recent.h"
#include "testutil.h"
#include "wizards/shape.h"

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

// Runs `f` in a child process and returns what it reports: empty text when
// every check held, or how the child was ended by a signal. As an ordinary
// user (nobody, 65534, when the tests run as root, since root may write any
// file) it reports "skip" when no ordinary user can be had.
std::string inChild(const std::function<std::string()>& f, bool ordinaryUser = false) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string out = "skip";
    if (!ordinaryUser || geteuid() != 0 ||
        (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0))
      out = f();
    if (write(fds[1], out.data(), out.size()) < 0) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  if (!WIFEXITED(st)) text += "ended by signal " + std::to_string(WTERMSIG(st));
  return text;
}

// A process id that no running process has.
pid_t endedProcess() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

}  // namespace

TEST(SaveFaults, AKilledWriterKeepsTheOldFileAndTheNextSaveClearsUp) {
  TempDir dir;
  const std::string file = dir.file("work.map");
  auto small = kvtest::newMap();
  kvtest::addSquare(*small, 0, 0, 10);
  ASSERT_EQ(writeFileAtomically(file, encodeMap(*small, false)), "");
  const auto old = slurp(file);
  const auto bigBytes = encodeMap(*bigMap(), false);
  // The size limit kills the writer in the middle of the save.
  EXPECT_EQ(inChild([&] {
              signal(SIGXFSZ, SIG_DFL);
              rlimit lim{65536, 65536};
              setrlimit(RLIMIT_FSIZE, &lim);
              return writeFileAtomically(file, bigBytes);
            }),
            "ended by signal " + std::to_string(SIGXFSZ));
  EXPECT_EQ(slurp(file), old);
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);  // the map and the leftover
  ASSERT_EQ(writeFileAtomically(file, bigBytes), "");
  EXPECT_EQ(slurp(file), bigBytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(SaveFaults, ProtectedFilesLinksAndLockedFoldersAsAnOrdinaryUser) {
  TempDir dir;
  chmod(dir.path.c_str(), 0755);
  const std::string u = dir.file("user");
  std::filesystem::create_directory(u);
  chmod(u.c_str(), 0777);
  auto small = kvtest::newMap();
  kvtest::addSquare(*small, 0, 0, 10);
  auto big = bigMap();
  const auto smallBytes = encodeMap(*small, false), bigBytes = encodeMap(*big, false);
  // A file of another owner that the user may write, in the user's folder.
  const std::string others = u + "/others.map";
  ASSERT_EQ(writeFileAtomically(others, smallBytes), "");
  chmod(others.c_str(), 0666);
  const bool root = geteuid() == 0;

  const std::string report = inChild([&]() -> std::string {
    std::string failed;
    auto check = [&](bool c, const char* what) {
      if (!c) failed += std::string(what) + "; ";
    };
    auto save = [&](const clsMap& m, const std::string& f, std::string* text = nullptr) {
      ScriptedDialogs ui;
      bool ok = false;
      WriteNewMPB(const_cast<clsMap&>(m), ui, f, false, ok);
      if (text) *text = ui.messages.empty() ? "" : ui.messages[0].title + ": " + ui.messages[0].text;
      return ok;
    };
    struct stat st;
    // Read-only: refused with the system's text, the old file untouched.
    const std::string ro = u + "/ro.map";
    check(save(*small, ro), "first save");
    chmod(ro.c_str(), 0444);
    std::string text;
    check(!save(*big, ro, &text), "a read-only file was replaced");
    check(text == std::string("Write Error: ") + std::strerror(EACCES), "read-only message");
    check(slurp(ro) == smallBytes, "read-only file changed");
    // Through a link: the target is written with its mode, the link stays.
    const std::string real = u + "/real.map", link = u + "/link.map";
    check(save(*small, real), "save real");
    chmod(real.c_str(), 0640);
    check(symlink("real.map", link.c_str()) == 0, "symlink");
    check(save(*big, link), "save through the link");
    check(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode), "the link is no longer a link");
    check(slurp(real) == bigBytes, "the target was not written");
    check(stat(real.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640, "the target's mode changed");
    // Hard links: written in place, so every name sees the new map.
    const std::string h1 = u + "/h1.map", h2 = u + "/h2.map";
    check(save(*small, h1) && ::link(h1.c_str(), h2.c_str()) == 0, "hard link");
    check(save(*big, h1), "save a hard-linked file");
    check(slurp(h2) == bigBytes && stat(h1.c_str(), &st) == 0 && st.st_nlink == 2, "the other link is stale");
    // A folder where no file can be made: in place, after the whole size is
    // reserved, so a full disk fails before the old bytes change.
    const std::string locked = u + "/locked", in = locked + "/in.map";
    mkdir(locked.c_str(), 0755);
    check(save(*small, in), "save in the folder");
    chmod(locked.c_str(), 0555);
    const std::string open = u + "/open.map";
    check(save(*small, open), "save in the open folder");
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{}, lim{};
    getrlimit(RLIMIT_FSIZE, &old);
    lim = {4096, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &lim);
    check(!save(*big, in, &text), "a full disk in place was not refused");
    check(text == std::string("Write Error: ") + std::strerror(EFBIG), "full disk message");
    check(!save(*big, open) && slurp(open) == smallBytes, "a full disk beside the file");
    setrlimit(RLIMIT_FSIZE, &old);
    check(slurp(in) == smallBytes, "a full disk changed the old bytes");
    check(save(*big, in) && slurp(in) == bigBytes, "no save in a locked folder");
    check(save(*small, in) && slurp(in) == smallBytes, "a shorter map in place keeps an old tail");
    check(std::distance(std::filesystem::directory_iterator(locked), {}) == 1, "files left in the locked folder");
    chmod(locked.c_str(), 0755);
    // The owner cannot be given to a new file: the file is written in place.
    if (root) {
      check(save(*big, others) && slurp(others) == bigBytes, "save another's file");
      check(stat(others.c_str(), &st) == 0 && st.st_uid == 0 && (st.st_mode & 0777) == 0666, "owner lost");
    }
    // Leftovers of killed saves go; the temporary file of a running save stays.
    const std::string x = u + "/x.map";
    const std::string dead = x + ".saving-" + std::to_string(endedProcess()) + "-abcdef";
    const std::string live = x + ".saving-" + std::to_string(getppid()) + "-ghijkl";
    std::ofstream(dead) << "half";
    std::ofstream(live) << "busy";
    check(save(*small, x), "save x");
    check(!std::filesystem::exists(dead) && std::filesystem::exists(live), "leftovers");
    return failed;
  }, true);
  if (report == "skip") GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(report, "");
  // Saved by root over a file of another owner, the owner and group stay.
  if (root) {
    const std::string f = u + "/owned.map";
    ASSERT_EQ(writeFileAtomically(f, smallBytes), "");
    ASSERT_EQ(chown(f.c_str(), 65534, 65534), 0);
    chmod(f.c_str(), 0604);
    ASSERT_EQ(writeFileAtomically(f, bigBytes), "");
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(std::make_tuple(st.st_uid, st.st_gid, st.st_mode & 07777), std::make_tuple(65534u, 65534u, 0604u));
    EXPECT_EQ(slurp(f), bigBytes);
  }
}

TEST(FilesThatAreNoMaps, ForeignFilesPipesAndFoldersAreRefusedWithoutAHang) {
  TempDir dir;
  auto src = kvtest::newMap();
  kvtest::addSquare(*src, 0, 0, 10);
  auto bytes = encodeMap(*src, false);
  // A directory naming no walls section: its walls entry made unknown.
  const size_t entries = static_cast<size_t>(bytes[12] | bytes[13] << 8) - 1;
  bytes[entries] = 99;
  const std::string foreign = dir.file("foreign.map"), good = dir.file("good.map"), fifo = dir.file("pipe.map");
  std::ofstream(foreign, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ASSERT_EQ(writeFileAtomically(good, encodeMap(*src, false)), "");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_directory(dir.file("folder.map"));

  auto m = kvtest::newMap();
  ScriptedDialogs ui;
  MapDocument doc(*m, ui);
  ASSERT_TRUE(doc.openMapFile(good));
  const auto before = encodeMap(*m, false);
  const std::pair<std::string, const char*> cases[] = {
      {foreign, "names no walls section"}, {fifo, "not a regular file"}, {dir.file("folder.map"), "a folder"}};
  for (const auto& [file, why] : cases) {
    ui.messages.clear();
    EXPECT_FALSE(doc.openMapFile(file)) << file;
    ASSERT_EQ(ui.messages.size(), 1u) << file;
    EXPECT_EQ(ui.messages[0].title, "Open Map");
    EXPECT_NE(ui.messages[0].text.find(why), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(doc.currentMapFile, good);
    EXPECT_EQ(encodeMap(*m, false), before);
  }

  // The settings file: unreadable ones give empty entries and are not
  // replaced; a shape file and the engine's header must be regular files too.
  std::string problem, text;
  for (const std::string& ini : {fifo, dir.file("folder.map")}) {
    kv::RecentFiles recent;
    recent.entries[0] = "keep";
    recent.loadRecentFiles(ini);
    EXPECT_EQ(recent.entries, (std::array<std::string, 4>{}));
    EXPECT_FALSE(kv::writeIniValue("init", "file1", ini, "x"));
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_FALSE(kv::readShapeFile(fifo, text, problem));
  EXPECT_FALSE(kv::engine::readHeader("/dev/zero", problem).has_value());
  EXPECT_NE(problem.find("not a regular file"), std::string::npos) << problem;
}
