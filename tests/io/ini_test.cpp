// Settings file, recent-file list and start-up log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/dialogs.h"
#include "io/document.h"
#include "io/ini.h"
#include "io/log.h"
#include "io/mapfile.h"
#include "io/recent.h"
#include "testutil.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void spit(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(Ini, ReadsLikeTheProfileCalls) {
  kvtest::TempDir d;
  const std::string f = d.file("zidoruv.ini");
  EXPECT_EQ(kv::readIniValue("init", "file1", f), "");  // no file
  spit(f, "; comment\n[Other]\nfile1=wrong\n[ INIT ]\r\n  FILE1 =  /maps/a.map  \r\nfile2=\"q b\"\r\nfile1=second\r\n"
          "[init]\nfile3=in a later section\n");
  EXPECT_EQ(kv::readIniValue("init", "file1", f), "/maps/a.map");
  EXPECT_EQ(kv::readIniValue("Init", "File2", f), "q b");
  EXPECT_EQ(kv::readIniValue("init", "file3", f), "");  // only the first matching section counts
  EXPECT_EQ(kv::readIniValue("init", "file4", f), "");
  spit(f, "[init]\nfile1=" + std::string(300, 'x') + "\n");
  EXPECT_EQ(kv::readIniValue("init", "file1", f), std::string(254, 'x'));
}

TEST(Ini, WritePreservesTheRestOfTheFile) {
  kvtest::TempDir d;
  const std::string f = d.file("zidoruv.ini");
  ASSERT_TRUE(kv::writeIniValue("init", "file1", f, "A"));
  EXPECT_EQ(slurp(f), "[init]\r\nfile1=A\r\n");
  spit(f, "; keep me\n[view]\nzoom = 3\n\n[INIT]\nFile1=old\n\n[tail]\nx=1");
  ASSERT_TRUE(kv::writeIniValue("init", "file1", f, "new"));
  ASSERT_TRUE(kv::writeIniValue("init", "file2", f, "two"));
  ASSERT_TRUE(kv::writeIniValue("extra", "k", f, "v\nbroken"));
  EXPECT_EQ(slurp(f), "; keep me\n[view]\nzoom = 3\n\n[INIT]\nFile1=new\nfile2=two\r\n\n[tail]\nx=1\r\n\r\n[extra]\r\nk=v\r\n");
  EXPECT_EQ(kv::readIniValue("init", "FILE2", f), "two");
  EXPECT_FALSE(kv::writeIniValue("init", "file1", d.file("no/such/dir/x.ini"), "A"));
}

TEST(RecentFiles, OpenSaveAsAndRestart) {
  kvtest::TempDir d;
  const std::string ini = d.file("zidoruv.ini");
  auto map = kvtest::newMap();
  kv::ScriptedDialogs ui;
  kv::MapDocument doc(*map, ui);
  kv::RecentFiles recent;
  doc.hooks.updateRecentFiles = [&] { recent.updateRecentFiles(doc.currentMapFile, ini); };
  recent.loadRecentFiles(ini);
  EXPECT_EQ(recent.caption(1), "&1 ");
  EXPECT_EQ(recent.caption(4), "&4 ");
  EXPECT_FALSE(recent.openRecentFile(1, doc));  // an empty entry does nothing

  const std::string a = d.file("a.map"), b = d.file("b.map");
  kvtest::addSquare(*map, 0, 0, 100);
  ui.fileAnswers = {a, b};
  doc.saveMapAs();
  doc.saveMapAs();
  ui.fileAnswers = {a};
  doc.openMap();
  doc.saveMap();  // Save does not touch the list
  EXPECT_EQ(recent.entries, (std::array<std::string, 4>{a, b, a, ""}));
  EXPECT_EQ(recent.caption(2), "&2 " + b);
  EXPECT_EQ(slurp(ini), "[init]\r\nfile1=" + a + "\r\nfile2=" + b + "\r\nfile3=" + a + "\r\nfile4=\r\n");

  kv::RecentFiles restarted;
  restarted.loadRecentFiles(ini);
  EXPECT_EQ(restarted.entries, recent.entries);
  map->clearMap();
  ASSERT_TRUE(restarted.openRecentFile(2, doc));
  EXPECT_EQ(doc.currentMapFile, b);
  EXPECT_EQ(map->wallCount, 4);
  EXPECT_EQ(restarted.entries, recent.entries);  // not reordered

  restarted.entries[3] = "ab";  // two characters: nothing happens
  EXPECT_FALSE(restarted.openRecentFile(4, doc));
  EXPECT_EQ(doc.currentMapFile, b);
}

TEST(StartupLog, LinesEndWithCrLfAndAFailedOpenWritesNothing) {
  kvtest::TempDir d;
  kv::StartupLog log;
  ASSERT_TRUE(log.open(d.file("ZidOruv.log")));
  log.logLine("Starting log...");
  log.logLine("Done.");
  log.close();
  EXPECT_EQ(slurp(d.file("ZidOruv.log")), "Starting log...\r\nDone.\r\n");
  kv::StartupLog bad;
  EXPECT_FALSE(bad.open(d.file("missing/ZidOruv.log")));
  EXPECT_FALSE(bad.error().empty());
  bad.logLine("ignored");

  // A link planted in the log's place is replaced, never followed.
  spit(d.file("victim"), "precious");
  std::filesystem::remove(d.file("ZidOruv.log"));
  std::filesystem::create_symlink(d.file("victim"), d.file("ZidOruv.log"));
  ASSERT_TRUE(log.open(d.file("ZidOruv.log")));
  log.logLine("Done.");
  log.close();
  EXPECT_EQ(slurp(d.file("victim")), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(d.file("ZidOruv.log")));
  EXPECT_EQ(slurp(d.file("ZidOruv.log")), "Done.\r\n");
}

}  // namespace
