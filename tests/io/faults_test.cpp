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
#include <functional>
#include <tuple>

#include "io/mapfile.h"
#include "testutil.h"

using namespace kv;
using kvtest::readBytes;
using kvtest::TempDir;

namespace {

std::unique_ptr<clsMap> mapOf(int squares) {
  auto m = kvtest::newMap();
  for (int i = 0; i < squares; ++i) kvtest::addSquare(*m, i * 10, 0, 8);
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

size_t entries(const std::string& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

TEST(SaveFaults, ProtectedFilesLinksLockedFoldersAndFullDisksAsAnOrdinaryUser) {
  TempDir dir;
  chmod(dir.path.c_str(), 0755);
  const std::string u = dir.file("user");
  std::filesystem::create_directory(u);
  chmod(u.c_str(), 0777);
  const auto small = mapOf(1), big = mapOf(200);
  const auto smallBytes = encodeMap(*small, false), bigBytes = encodeMap(*big, false);
  // A file of another owner (root's, when the tests run as root) that the
  // user may write, in the user's folder: its owner cannot be given to a new
  // file, so it is written in place.
  const std::string others = u + "/others.map";
  ASSERT_EQ(writeFileAtomically(others, smallBytes), "");
  chmod(others.c_str(), 0666);

  const std::string report = inChild([&]() -> std::string {
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
    pid_t ended = fork();
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
      std::string file;  // what must hold the expected bytes afterwards
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
    if (entries(locked) != 1) failed += "files left in the locked folder; ";
    if (std::filesystem::exists(dead) || !std::filesystem::exists(live)) failed += "leftovers; ";
    return failed;
  }, true);
  if (report == "skip") GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(report, "");
  if (geteuid() != 0) return;
  struct stat st;
  ASSERT_EQ(stat(others.c_str(), &st), 0);
  EXPECT_EQ(std::make_tuple(st.st_uid, st.st_mode & 07777), std::make_tuple(0u, 0666u));
  // Saved by root over a file of another owner, the owner, group and mode stay.
  const std::string f = u + "/owned.map";
  ASSERT_EQ(writeFileAtomically(f, smallBytes), "");
  ASSERT_EQ(chown(f.c_str(), 65534, 65534), 0);
  chmod(f.c_str(), 0604);
  ASSERT_EQ(writeFileAtomically(f, bigBytes), "");
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(std::make_tuple(st.st_uid, st.st_gid, st.st_mode & 07777), std::make_tuple(65534u, 65534u, 0604u));
  EXPECT_EQ(readBytes(f), bigBytes);
}
