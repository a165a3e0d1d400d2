// Undo and Redo as a user reaches them: the Edit menu, its keys, and the
// status bar's file panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include "ui/frmproject.h"
#include "ui/listwindows.h"
#include "ui/wizarddialogs.h"
#include "uitest.h"

namespace {

void roomWhenOpen(kv::MDIForm1& w) {
  kvtest::whenOpen(w, "frmRoomWizard", [](QDialog& d) { static_cast<kv::frmRoomWizard&>(d).cmdOK->click(); });
}

QString filePanel(kvtest::EditorFixture& f) { return f.w->filePanel->text(); }

TEST(UndoWindow, WizardRunUndoneAndRedoneByMenuAndKeys) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  QAction* undo = f.w->findChild<QAction*>("itmUndo");
  QAction* redo = f.w->findChild<QAction*>("itmRedo");
  EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
  EXPECT_EQ(filePanel(f), "File: none (unchanged)");
  EXPECT_FALSE(undo->isEnabled());

  roomWhenOpen(*f.w);
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();
  ASSERT_EQ(m.wallCount, 4);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->statusTip(), "Undo Room Wizard");
  EXPECT_EQ(filePanel(f), "File: none (changed)");
  // Pick wall 3 of the room and show it; the undo takes it away.
  f.w->project->TreeView1_NodeClick(f.w->project->node("w3"));
  f.w->select->List1->addItem("Wall #3");
  ASSERT_EQ(m.selectedWall, 3);

  // The offscreen platform leaves the closed wizard as the active window,
  // where a desktop gives the main window back its keys.
  QApplication::setActiveWindow(f.w.get());
  f.picture()->setFocus();
  QTest::keyClick(f.picture(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m.wallCount, 0);
  EXPECT_EQ(f.w->project->node("w0"), nullptr);
  EXPECT_EQ(m.selectedWall, -1);
  EXPECT_EQ(f.w->select->List1->count(), 0);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: ");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(redo->statusTip(), "Redo Room Wizard");
  EXPECT_EQ(filePanel(f), "File: none (unchanged)");

  QTest::keyClick(f.picture(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_NE(f.w->project->node("w3"), nullptr);
  undo->trigger();
  EXPECT_EQ(m.wallCount, 0);
  QTest::keyClick(f.picture(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_FALSE(redo->isEnabled());
  // The redone room is drawn: its first wall runs down from the insertion point.
  EXPECT_EQ(f.picture()->image().pixel(10, 60), qRgb(0, 255, 0));
}

TEST(UndoWindow, NewMapTakenBackAndTheFilePanel) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 100, 100, 100);
  f.w->document().commit("square");
  const std::string a = f.dir.file("rooms.map");
  f.ui.fileAnswers = {a};
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  EXPECT_EQ(filePanel(f), "File: rooms.map (unchanged)");
  EXPECT_EQ(f.w->filePanel->toolTip().toStdString(), a);

  // New throws the map away without asking; Undo brings it back whole.
  const double mapId = m.globals[0].value;
  f.w->findChild<QAction*>("new")->trigger();
  EXPECT_EQ(m.wallCount, 0);
  EXPECT_EQ(filePanel(f), "File: rooms.map (unchanged)");  // a new map counts as just created
  f.w->findChild<QAction*>("itmUndo")->trigger();
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_EQ(m.areaCount, 1);
  EXPECT_EQ(m.globals[0].value, mapId);
  EXPECT_NE(f.w->project->node("a0"), nullptr);
  EXPECT_EQ(filePanel(f), "File: rooms.map (changed)");

  // A move drag is one step too.
  m.insertX = m.insertY = 0;
  f.w->project->TreeView1_NodeClick(f.w->project->node("a0"));
  f.w->findChild<QAction*>("move")->trigger();
  kvtest::drag(f.picture(), {20, 20}, {40, 40});  // factor 2: the corner goes from 10 to 20
  EXPECT_EQ(m.walls[0].x1, 200);
  EXPECT_EQ(f.w->findChild<QAction*>("itmUndo")->statusTip(), "Undo Move Selection");
  f.w->findChild<QAction*>("itmUndo")->trigger();
  EXPECT_EQ(m.walls[0].x1, 100);
  EXPECT_EQ(m.areas[0].minX, 100);
  f.w->findChild<QAction*>("itmRedo")->trigger();
  EXPECT_EQ(m.walls[0].x1, 200);

  // A command after an undo ends the redo branch.
  f.w->findChild<QAction*>("itmUndo")->trigger();
  f.w->findChild<QAction*>("itmSetViewer")->trigger();
  EXPECT_FALSE(f.w->findChild<QAction*>("itmRedo")->isEnabled());
  EXPECT_EQ(f.w->findChild<QAction*>("itmUndo")->statusTip(), "Undo Set viewer to Insert Position");
}

}  // namespace
