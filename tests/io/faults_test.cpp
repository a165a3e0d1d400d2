// Saves that fail half-way leave the previous map file as it was;
// protected files, links and locked folders lose nothing.
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
#include <tuple>

#include "io/mapfile.h"
#include "testutil.h"

using namespace kv;
using namespace kvtest;

TEST(SaveFaults, ProtectedFilesLinksLockedFoldersAndFullDisksAsAnOrdinaryUser) {
  TempDir dir;
  chmod(dir.path.c_str(), 0755);
  const std::string u = dir.file("user");
  std::filesystem::create_directory(u);
  chmod(u.c_str(), 0777);
  auto mapOf = [](int squares) {
    auto m = newMap();
    for (int i = 0; i < squares; ++i) addSquare(*m, i * 10, 0, 8);
    return m;
  };
  const auto small = mapOf(1), big = mapOf(200);
  const auto smallBytes = encodeMap(*small, false), bigBytes = encodeMap(*big, false);
  // A file of another owner (root's, when the tests run as root) that the
  // user may write, in the user's folder: its owner cannot be given to a new
  // file, so it is written in place.
  const std::string others = u + "/others.map";
  ASSERT_EQ(writeFileAtomically(others, smallBytes), "");
  chmod(others.c_str(), 0666);

  // The checks run in a child process as an ordinary user (nobody, 65534,
  // when the tests run as root, since root may write any file) and write
  // what failed to a report: empty text when every check held.
  auto checks = [&]() -> std::string {
    const std::string ro = u + "/ro.map", real = u + "/real.map", link = u + "/link.map", h1 = u + "/h1.map",
                      h2 = u + "/h2.map", locked = u + "/locked", in = locked + "/in.map", open = u + "/open.map",
                      x = u + "/x.map";
    mkdir(locked.c_str(), 0755);
    for (const std::string& f : {ro, real, h1, in, open}) writeFileAtomically(f, smallBytes);
    chmod(ro.c_str(), 0444);
    chmod(real.c_str(), 0640);
    chmod(locked.c_str(), 0555);  // no file can be made beside in.map
    if (symlink("real.map", link.c_str()) != 0 || ::link(h1.c_str(), h2.c_str()) != 0) return "no links";
    // Temporary files of a killed save and of a save still running.
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string dead = x + ".saving-" + std::to_string(ended) + "-abcdef";
    const std::string live = x + ".saving-" + std::to_string(getppid()) + "-ghijkl";
    std::ofstream(dead) << "half";
    std::ofstream(live) << "busy";

    struct Case {
      const char* what;
      std::string path;
      const clsMap& map;
      rlim_t sizeLimit;  // a full disk, 0 none
      int error;
      std::string file;  // the file that must hold `bytes` afterwards
      const std::vector<unsigned char>& bytes;
    };
    const Case cases[] = {
        {"read-only file", ro, *big, 0, EACCES, ro, smallBytes},
        {"full disk beside the file", open, *big, 4096, EFBIG, open, smallBytes},
        {"full disk in a locked folder", in, *big, 4096, EFBIG, in, smallBytes},
        {"locked folder", in, *big, 0, 0, in, bigBytes},
        {"shorter map in place", in, *small, 0, 0, in, smallBytes},
        {"through a symbolic link", link, *big, 0, 0, real, bigBytes},
        {"hard link", h1, *big, 0, 0, h2, bigBytes},
        {"another owner's file", others, *big, 0, 0, others, bigBytes},
        {"leftovers of killed saves", x, *small, 0, 0, x, smallBytes},
    };
    std::string failed;
    signal(SIGXFSZ, SIG_IGN);
    for (const Case& c : cases) {
      rlimit old{};
      getrlimit(RLIMIT_FSIZE, &old);
      rlimit lim{c.sizeLimit ? c.sizeLimit : old.rlim_cur, old.rlim_max};
      setrlimit(RLIMIT_FSIZE, &lim);
      ScriptedDialogs ui;
      bool ok = false;
      WriteNewMPB(const_cast<clsMap&>(c.map), ui, c.path, false, ok);
      setrlimit(RLIMIT_FSIZE, &old);
      const std::string said = ui.messages.empty() ? "" : ui.messages[0].title + ": " + ui.messages[0].text;
      if (ok != (c.error == 0) || said != (c.error ? std::string("Write Error: ") + std::strerror(c.error) : ""))
        failed += std::string(c.what) + ": " + said + "; ";
      if (readBytes(c.file) != c.bytes) failed += std::string(c.what) + ": wrong contents; ";
    }
    struct stat st;
    if (lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) failed += "the link is no longer a link; ";
    if (stat(real.c_str(), &st) != 0 || (st.st_mode & 07777) != 0640) failed += "the target's mode changed; ";
    if (stat(h1.c_str(), &st) != 0 || st.st_nlink != 2) failed += "the hard link was broken; ";
    if (std::distance(std::filesystem::directory_iterator(locked), {}) != 1)
      failed += "files left in the locked folder; ";
    if (std::filesystem::exists(dead) || !std::filesystem::exists(live)) failed += "leftovers; ";
    return failed;
  };
  const pid_t pid = fork();
  if (pid == 0) {
    const bool user = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
    std::ofstream(u + "/report") << (user ? checks() : "skip");
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto report = readBytes(u + "/report");
  ASSERT_TRUE(WIFEXITED(status)) << "the checks were ended by a signal";
  if (report == std::vector<unsigned char>{'s', 'k', 'i', 'p'}) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(std::string(report.begin(), report.end()), "");
  if (geteuid() != 0) return;
  struct stat st;
  // Saved by root over a file of another owner, the owner, group and mode stay.
  const std::string f = u + "/owned.map";
  ASSERT_TRUE(writeFileAtomically(f, smallBytes).empty() && chown(f.c_str(), 65534, 65534) == 0);
  ASSERT_TRUE(chmod(f.c_str(), 0604) == 0 && writeFileAtomically(f, bigBytes).empty() && stat(f.c_str(), &st) == 0);
  EXPECT_EQ(std::make_tuple(st.st_uid, st.st_gid, st.st_mode & 07777, readBytes(f) == bigBytes),
            std::make_tuple(65534u, 65534u, 0604u, true));
}
