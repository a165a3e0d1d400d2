// The main window: the real start's log, the menu tree and toolbar, recent
// files across a restart, help and the window arrangement.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QToolBar>

#include "io/mapfile.h"
#include "ui/boot.h"
#include "uitest.h"
#include "view/layout.h"

namespace {

TEST(Startup, RealStartWritesTheLogAndItsLines) {
  kvtest::TempDir d;
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(d.path.string()));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(KV3DEDIT_PATH, {});
  ASSERT_TRUE(p.waitForStarted(10000));
  QFile log(QString::fromStdString(d.file("ZidOruv.log")));
  QByteArray text;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 20000 && !text.endsWith("Done.\r\n")) {
    QThread::msleep(50);
    if (log.open(QIODevice::ReadOnly)) {
      text = log.readAll();
      log.close();
    }
  }
  EXPECT_EQ(p.state(), QProcess::Running);  // the editor is up and waits for the user
  p.kill();
  p.waitForFinished(5000);
  EXPECT_EQ(text.toStdString(),
            "Starting log...\r\nDoing events...\r\nLoading main window...\r\nLoading INI\r\nSetting recent files\r\n"
            "Setting HLP\r\nLoading Map\r\nLoading Project\r\nLoading Props\r\nLoad Render\r\nLoad Select\r\n"
            "Finished forms\r\nAdjusting windows\r\nCreating a class\r\nListing lines\r\nDone.\r\n");
}

// One line per entry: "menuName|caption" opens a menu, "-name" is a
// separator, "name|caption|shortcut" an item; a leading "!" marks a
// switched-off entry.
const char* kMenus[] = {
    "mnuFile|&File", "itmNewMap|&New Map|", "-bi7", "itmOpenMap|&Open Map...|", "itmSaveMap|&Save Map...|",
    "itmSaveAs|Save Map &As...|", "-bi3", "itmExportMap|&Compile and save map binary...|", "-bi6",
    "!itmImportWAD|&Import Doom WAD map...|", "-bi2", "itmRecentFile1|&1 |", "itmRecentFile2|&2 |",
    "itmRecentFile3|&3 |", "itmRecentFile4|&4 |", "-bi9", "itmExit|E&xit|",
    "mnuEdit|&Edit", "!itmUndo|&Undo|Ctrl+Z", "!itmRedo|&Redo|Ctrl+Y", "-bi11", "itmCut|Cut|Ctrl+X", "itmCopy|Copy|Ctrl+C", "itmPaste|Paste|Ctrl+V", "-bi10",
    "itmClear|Clear|", "itmDelArea|Delete Area|",
    "mnuView|&View", "itmRedraw|&Redraw|Ctrl+R", "-bi1", "!itmDrawTree|Draw Tree|", "itmZoomIn|Zoom &In|",
    "itmZoomOut|Zoom &Out|",
    "mnuSpecial|Wi&zards", "itmRoomWizard|&Room Wizard...|", "itmShapeWizard|Shape Wizard...|",
    "itmColWizard|&Column Wizard...|", "!itmWallWizard|&Wall Wizard...|", "itmSplitWall|&Split wall...|",
    "itmStairWizard|Stair wizard...|", "itmSwitchWizard|Switch Wizard|", "itmPassageWizard|Passage Wizard...|",
    "itmCaveWizard|Cave wizard|", "itmSetViewer|Set viewer to Insert Position|",
    "!mnuTest|&Test", "itmWZSwitch|Switch wizard|", "itmShowCtl|Show Control|", "itmCreateBSP|Create class BSP|",
    "itmReadNewMap|Read Map Object|", "itmTestMapObj|Test Map Object|", "itmCheckerBoard|Checkerboard|",
    "itmViewAngle|Find View Angle|", "itmTestPoly|Test Poly|", "itmDrawRoom|DrawRoom|", "itmMultiPoly|MultiPoly|",
    "itmBuildBSP|Build BSP|", "itmIntersect|Intersect|", "itmWalkTree|Walk Tree|",
    "mnuWindow|&Window", "itmAdjustWin|Adjust windows|", "-bi8", "itmPropWin|Properties window|F4",
    "itmProjectWin|Project window|", "itmDragDropWin|Drag and drop window|", "itmRenderWin|Render window|",
    "itmSelectWin|Select window|",
    "mnuHelp|&Help", "itmHelpContents|Contents (press F1)|", "-bi5", "itmAbout|About Kovrel3D Map Editor...|"};

TEST(MainWindow, MenusAndToolbarAsDesigned) {
  kvtest::EditorFixture f;
  f.start();
  EXPECT_EQ(f.w->windowTitle(), "Kovrel3D Map Editor");
  // The window's menu tree written out in the table's notation.
  std::vector<std::string> got;
  for (QAction* m : f.w->menuBar()->actions()) {
    got.push_back((m->isEnabled() ? "" : "!") + m->objectName().toStdString() + "|" + m->text().toStdString());
    for (QAction* a : m->menu()->actions()) {
      if (a->isSeparator()) {
        got.push_back("-" + a->objectName().toStdString());
        continue;
      }
      got.push_back((a->isEnabled() ? "" : "!") + a->objectName().toStdString() + "|" + a->text().toStdString() +
                    "|" + a->shortcut().toString().toStdString());
    }
  }
  EXPECT_EQ(got, std::vector<std::string>(std::begin(kMenus), std::end(kMenus)));

  std::vector<std::string> keys, tips;
  for (QAction* a : f.w->Toolbar1->actions()) {
    if (a->isSeparator()) continue;
    keys.push_back(a->objectName().toStdString());
    tips.push_back(a->toolTip().toStdString());
    EXPECT_FALSE(a->icon().isNull());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"new", "open", "save", "select", "move", "scale", "rotate", "shear", "cut",
                                            "copy", "paste", "paint", "props", "objects", "wizard", "render"}));
  EXPECT_EQ(tips[4], "Move Selection");
  EXPECT_EQ(tips[14], "Show drag & drop window");

  // Mode buttons set editMode; "copy" gives the shared message.
  f.w->findChild<QAction*>("scale")->trigger();
  EXPECT_EQ(f.w->map().editMode, 1);
  f.w->findChild<QAction*>("move")->trigger();
  EXPECT_EQ(f.w->map().editMode, 2);
  f.w->findChild<QAction*>("cut")->trigger();
  EXPECT_TRUE(f.ui.messages.empty());
  f.w->findChild<QAction*>("copy")->trigger();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "This feature is not yet available. Check back in next version.");
  EXPECT_EQ(f.ui.messages[0].icon, kv::MsgIcon::Critical);
}

TEST(MainWindow, RecentFilesAcrossARestart) {
  kvtest::EditorFixture f;
  f.start();
  kvtest::addSquare(f.w->map(), 0, 0, 100);
  const std::string a = f.dir.file("a.map"), b = f.dir.file("b.map");
  f.ui.fileAnswers = {a, b, a};
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  f.w->findChild<QAction*>("itmOpenMap")->trigger();
  EXPECT_EQ(f.w->findChild<QAction*>("itmRecentFile1")->text().toStdString(), "&1 " + a);
  EXPECT_EQ(f.w->findChild<QAction*>("itmRecentFile3")->text().toStdString(), "&3 " + a);
  EXPECT_EQ(f.ui.fileRequests[0].presetName, "untitled.map");
  EXPECT_EQ(f.ui.fileRequests[2].filter, kv::kMapOpenFilter);

  f.w.reset();  // restart: the list comes back from zidoruv.ini
  f.start();
  EXPECT_EQ(f.w->findChild<QAction*>("itmRecentFile2")->text().toStdString(), "&2 " + b);
  EXPECT_EQ(f.w->findChild<QAction*>("itmRecentFile4")->text().toStdString(), "&4 ");
  EXPECT_EQ(f.w->map().wallCount, 0);
  // The map view cannot be closed; minimised, opening a map brings it back.
  QMdiSubWindow* mapFrame = f.w->frameOf(f.w->mapView);
  EXPECT_FALSE(mapFrame->close());
  EXPECT_TRUE(f.w->mapView->isVisible());
  mapFrame->showMinimized();
  f.w->findChild<QAction*>("itmRecentFile2")->trigger();
  EXPECT_FALSE(mapFrame->isMinimized());
  EXPECT_EQ(f.w->map().wallCount, 4);
  EXPECT_EQ(f.w->document().currentMapFile, b);
  EXPECT_EQ(f.w->findChild<QAction*>("itmRecentFile1")->text().toStdString(), "&1 " + a);  // not reordered
  EXPECT_NE(f.w->project->node("w3"), nullptr);
}

TEST(MainWindow, AdjustWindowsHelpAndZoomLimits) {
  kvtest::EditorFixture f;
  f.start();
  const double tpp = f.w->mapView->twipsPerPixel();
  QMdiSubWindow* pf = f.w->frameOf(f.w->project);
  const QRect home = pf->geometry();
  EXPECT_GE(home.width(), kv::twipsToPixels(2000, tpp));  // wider where the font needs it
  EXPECT_EQ(f.w->frameOf(f.w->properties)->width(), home.width());
  EXPECT_EQ(home.right() + 1, f.w->width() - kv::twipsToPixels(100, tpp));
  EXPECT_EQ(f.w->frameOf(f.w->properties)->geometry().top(), home.bottom() + 1 + kv::twipsToPixels(100, tpp));
  pf->setGeometry(10, 10, 300, 300);
  f.w->frameOf(f.w->mapView)->showMinimized();
  f.w->findChild<QAction*>("itmAdjustWin")->trigger();
  EXPECT_EQ(pf->geometry(), home);
  EXPECT_FALSE(f.w->frameOf(f.w->mapView)->isMinimized());

  // The build puts the help file beside the program; elsewhere it is missing.
  f.w->itmHelpContents_Click();
  if (f.w->helpFilePath().isEmpty()) {
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].title, "Help");
  } else {
    // It opens on the screen, and Escape closes it.
    ASSERT_NE(f.w->help, nullptr);
    EXPECT_TRUE(f.w->help->isVisible());
    EXPECT_TRUE(f.w->help->browser->toPlainText().contains("Contents"));
    EXPECT_TRUE(f.w->screen()->availableGeometry().contains(f.w->help->frameGeometry()));
    QTest::keyClick(f.w->help->browser, Qt::Key_Escape);
    EXPECT_FALSE(f.w->help->isVisible());
  }

  // A refused zoom says why; the next zoom that works takes that back.
  f.w->map().scaleX = f.w->map().scaleY = 1;
  f.w->findChild<QAction*>("itmZoomIn")->trigger();
  EXPECT_EQ(f.w->map().scaleX, 1);
  EXPECT_FALSE(f.w->messagePanel->text().isEmpty());
  f.w->findChild<QAction*>("itmZoomOut")->trigger();
  EXPECT_EQ(f.w->map().scaleX, 2);
  EXPECT_TRUE(f.w->messagePanel->text().isEmpty());
}

TEST(MainWindow, TimeToFirstPaint) {
  kvtest::EditorFixture f;
  QElapsedTimer t;
  t.start();
  f.w = std::make_unique<kv::MDIForm1>(nullptr, &f.ui);
  kv::watchFirstPaint(f.w.get());
  f.w->show();
  while (kv::msToFirstPaint() < 0 && t.elapsed() < 10000) QApplication::processEvents();
  ASSERT_GE(kv::msToFirstPaint(), 0);
  std::printf("[ figure ] start to first painted main window: %lld ms\n", static_cast<long long>(t.elapsed()));
}

}  // namespace

namespace {

TEST(MainWindow, CompileAndSaveMapBinary) {
  kvtest::EditorFixture f;
  f.start();
  kvtest::addSquare(f.w->map(), 0, 0, 100);
  kvtest::addSquare(f.w->map(), 300, 0, 100);
  const std::string out = f.dir.file("untitled.mpb");
  f.ui.fileAnswers = {out};
  f.w->findChild<QAction*>("itmExportMap")->trigger();
  ASSERT_FALSE(f.ui.messages.empty());
  EXPECT_EQ(f.ui.messages[0].title, "Compile complete");
  EXPECT_EQ(f.ui.messages[0].text.rfind("Done building tree in ", 0), 0u);
  ASSERT_EQ(f.ui.fileRequests.size(), 1u);
  EXPECT_EQ(f.ui.fileRequests[0].filter, "Map Binary|*.mpb");
  EXPECT_EQ(f.ui.fileRequests[0].presetName, "untitled.mpb");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  std::string problem;
  auto bytes = kv::readFileBytes(out, problem);
  ASSERT_TRUE(bytes);
  auto contents = kv::parseMap(*bytes, problem);
  ASSERT_TRUE(contents) << problem;
  EXPECT_EQ(contents->sections[0].type, kv::kSectionCompiledWalls);
}

}  // namespace
