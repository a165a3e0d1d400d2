// The settings file read and written as the profile calls do it, and the
// start-up log.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "io/ini.h"
#include "io/log.h"
#include "testutil.h"

namespace {

std::string text(const std::string& path) {
  const auto b = kvtest::readBytes(path);
  return {b.begin(), b.end()};
}
void put(const std::string& path, const std::string& t) { kvtest::writeBytes(path, {t.begin(), t.end()}); }

TEST(Ini, ReadsAndWritesOneValueKeepingTheRestOfTheFile) {
  kvtest::TempDir d;
  const std::string f = d.file("zidoruv.ini");
  // Names match in any case and with blanks around them, quotes go, and only
  // the first section and key of a name count.
  put(f,
      "; comment\n[Other]\nfile1=wrong\n[ INIT ]\r\n  FILE1 =  /maps/a.map  \r\nfile2=\"q b\"\r\nfile1=second\r\n"
      "[init]\nfile3=in a later section\n");
  const std::pair<const char*, const char*> reads[] = {
      {"file1", "/maps/a.map"}, {"File2", "q b"}, {"file3", ""}, {"file4", ""}};  // a later section
  for (auto [key, value] : reads) EXPECT_EQ(kv::readIniValue("Init", key, f), value) << key;
  put(f, "[init]\nfile1=" + std::string(300, 'x') + "\n");
  EXPECT_EQ(kv::readIniValue("init", "file1", f), std::string(254, 'x'));

  put(f, "; keep me\n[view]\nzoom = 3\n\n[INIT]\nFile1=old\n\n[tail]\nx=1");
  ASSERT_TRUE(kv::writeIniValue("init", "file1", f, "new"));
  ASSERT_TRUE(kv::writeIniValue("init", "file2", f, "two"));
  ASSERT_TRUE(kv::writeIniValue("extra", "k", f, "v\nbroken"));
  EXPECT_EQ(text(f),
            "; keep me\n[view]\nzoom = 3\n\n[INIT]\nFile1=new\nfile2=two\r\n\n[tail]\nx=1\r\n\r\n[extra]\r\nk=v\r\n");
  EXPECT_FALSE(kv::writeIniValue("init", "file1", d.file("no/such/dir/x.ini"), "A"));
  // A pipe or a folder of the name reads as empty and is not replaced.
  ASSERT_EQ(mkfifo(d.file("pipe").c_str(), 0644), 0);
  std::filesystem::create_directory(d.file("folder"));
  for (const std::string& odd : {d.file("pipe"), d.file("folder")}) {
    EXPECT_EQ(kv::readIniValue("init", "file1", odd), "");
    EXPECT_FALSE(kv::writeIniValue("init", "file1", odd, "x"));
  }
  EXPECT_TRUE(std::filesystem::is_fifo(d.file("pipe")));
}

TEST(StartupLog, LinesEndWithCrLfAndALinkInItsPlaceIsNotFollowed) {
  kvtest::TempDir d;
  const std::string f = d.file("ZidOruv.log");
  put(d.file("victim"), "precious");
  std::filesystem::create_symlink(d.file("victim"), f);
  kv::StartupLog log, bad;
  ASSERT_TRUE(log.open(f));
  log.logLine("Starting log...");
  log.logLine("Done.");
  log.close();
  log.logLine("after the close");
  EXPECT_EQ(text(f) + text(d.file("victim")), "Starting log...\r\nDone.\r\nprecious");
  EXPECT_FALSE(bad.open(d.file("missing/ZidOruv.log")));
  EXPECT_EQ(bad.error(), std::strerror(ENOENT));
}

}  // namespace
