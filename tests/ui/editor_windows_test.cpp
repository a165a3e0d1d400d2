// The properties window, the project tree, the wall panel and Undo, driven
// as a user drives them: clicks on the map, the grid, the tree and the
// buttons, and keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QWindow>

#include "ui/wizarddialogs.h"
#include "uitest.h"

namespace {

// Clicks the grid row whose label is `label` and returns its row index.
int clickRow(kv::frmProperties& p, const QString& label) {
  for (int r = 0; r < p.grd_Props->rowCount(); ++r)
    if (p.grd_Props->item(r, 0)->text() == label) {
      QTest::mouseClick(p.grd_Props->viewport(), Qt::LeftButton, {},
                        p.grd_Props->visualItemRect(p.grd_Props->item(r, 0)).center());
      return r;
    }
  ADD_FAILURE() << "no row " << label.toStdString();
  return -1;
}

void clickNode(kv::frmProject& pr, const char* key) {
  QTreeWidgetItem* n = pr.node(key);
  ASSERT_NE(n, nullptr) << key;
  if (n->parent()) n->parent()->setExpanded(true);
  pr.TreeView1->scrollToItem(n);
  QTest::mouseClick(pr.TreeView1->viewport(), Qt::LeftButton, {}, pr.TreeView1->visualItemRect(n).center());
}

TEST(PropertiesWindow, EditAPickedWallInTheGrid) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 400);  // wall 0 is the top side, screen y 20
  f.w->listLines();
  f.w->mapView->redraw();
  kv::frmProperties& p = *f.w->properties;
  kvtest::click(f.picture(), {40, 20});
  ASSERT_EQ(m.selectedWall, 0);
  ASSERT_EQ(p.lblSelType->text(), "Type: Wall");

  // x1 from 200 to 102.5: rounded half to even, the wall is drawn anew.
  EXPECT_EQ(p.grd_Props->item(clickRow(p, "x1"), 1)->text(), "200");
  EXPECT_EQ(p.txt_Value->currentText(), "200");
  p.txt_Value->setEditText("102.5 units");
  p.cmd_PropOK->click();
  EXPECT_EQ(m.walls[0].x1, 102);
  EXPECT_EQ(p.grd_Props->item(0, 1)->text(), "102.5 units");
  EXPECT_EQ(f.picture()->image().pixel(12, 20), qRgb(0, 255, 0));

  // Showing the wall again keeps the current row and puts its value in the box.
  clickRow(p, "x2");
  f.w->project->selWall(0);
  EXPECT_EQ(p.grd_Props->currentRow(), 2);
  EXPECT_EQ(p.txt_Value->currentText(), "600");

  // The texture type list, filled anew on each click; choosing
  // "16 - Animated Texture" stores 16.
  clickRow(p, "Tx Type");
  clickRow(p, "Tx Type");
  ASSERT_EQ(p.txt_Value->count(), 6);
  EXPECT_EQ(p.txt_Value->itemText(3), "04 - Vert Cycle");
  p.txt_Value->setCurrentIndex(5);
  p.cmd_PropOK->click();
  EXPECT_EQ(m.walls[0].txType, 16);
  EXPECT_EQ(p.grd_Props->item(5, 1)->text(), "16");

  // From the keyboard: a key on the map moves the focus to the value box and
  // is typed there; Enter stores like OK, Escape drops an edit like Cancel.
  f.w->activateWindow();
  clickRow(p, "Floor(h1)");
  QTest::mouseClick(f.picture(), Qt::RightButton, {}, {300, 300});  // focus on the map
  ASSERT_EQ(QApplication::focusWidget(), f.picture());
  QWindow* keys = f.w->windowHandle();  // keys go where the focus is
  QTest::keyClick(keys, '7');
  QTest::keyClick(keys, '7');
  QWidget* box = QApplication::focusWidget();
  ASSERT_TRUE(box == p.txt_Value || box == p.txt_Value->lineEdit());
  EXPECT_EQ(p.txt_Value->currentText(), "77");
  QTest::keyClick(keys, Qt::Key_Return);
  EXPECT_EQ(m.walls[0].h1, 77);
  QTest::keyClick(keys, '1');
  QTest::keyClick(keys, Qt::Key_Escape);
  EXPECT_EQ(p.txt_Value->currentText(), "77");
  EXPECT_EQ(m.walls[0].h1, 77);
}

TEST(PropertiesWindow, LabelsAndTreeRootsReadInFullAtTheDefaultLayout) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 400);
  m.globalCount = 0;  // the area's rows, then the wall's, are the ones shown
  f.w->listLines();
  kv::frmProperties& p = *f.w->properties;
  kv::frmProject& pr = *f.w->project;
  const int cellMargin = 2 * (p.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
  // The main window's default size on a 1366 x 768 and on a 1920 x 1080 screen.
  for (QSize size : {QSize(1200, 691), QSize(1200, 860)}) {
    f.w->resize(size);
    f.w->adjustWindows();
    QApplication::processEvents();
    for (int kind : {kv::kPropArea, kv::kPropWall}) {
      p.showProps(kind, 0);
      for (int r = 0; r < p.grd_Props->rowCount(); ++r) {
        const QString label = p.grd_Props->item(r, 0)->text();
        EXPECT_LE(p.grd_Props->fontMetrics().horizontalAdvance(label) + cellMargin, p.grd_Props->columnWidth(0))
            << label.toStdString() << " at " << size.height();
        EXPECT_EQ(p.grd_Props->item(r, 0)->toolTip(), label);
      }
    }
    const QString header = p.grd_Props->horizontalHeaderItem(0)->text();
    EXPECT_LT(p.grd_Props->horizontalHeader()->fontMetrics().horizontalAdvance(header), p.grd_Props->columnWidth(0));
    for (int i = 0; i < pr.TreeView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* root = pr.TreeView1->topLevelItem(i);
      const QRect text = pr.TreeView1->visualItemRect(root).adjusted(20, 0, 0, 0);  // past the icon
      EXPECT_LE(pr.TreeView1->fontMetrics().horizontalAdvance(root->text(0)), text.width())
          << root->text(0).toStdString();
      EXPECT_LE(pr.TreeView1->visualItemRect(root).right(), pr.TreeView1->viewport()->width());
      EXPECT_EQ(root->toolTip(0), root->text(0));
    }
  }
  // The texture type list opens wide enough for its longest entry.
  clickRow(p, "Tx Type");
  p.txt_Value->showPopup();
  EXPECT_GE(p.txt_Value->view()->viewport()->width(),
            p.txt_Value->view()->fontMetrics().horizontalAdvance("16 - Animated Texture"));
  p.txt_Value->hidePopup();
}

TEST(ProjectTree, ListsAndSelectsFromTheTree) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kv::frmProject& pr = *f.w->project;
  EXPECT_EQ(pr.TreeView1->topLevelItemCount(), 4);

  // A map with one room, picked in the tree.
  kvtest::addSquare(m, 200, 200, 200);
  m.areas[0].name.assign("  hall");
  f.w->listLines();
  EXPECT_EQ(pr.node("a0")->text(0), "hall");
  clickNode(pr, "Areas");  // a root changes nothing
  EXPECT_EQ(m.selectedArea, -1);
  clickNode(pr, "a0");
  EXPECT_EQ(m.selectedArea, 0);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: Area");
  EXPECT_EQ(pr.TreeView1->currentItem(), pr.node("a0"));
  // A wall node selects the wall and shows it: wall 1 runs from (400, 200).
  clickNode(pr, "w1");
  EXPECT_EQ(m.selectedWall, 1);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: Wall");
  EXPECT_EQ(f.w->properties->grd_Props->item(0, 1)->text(), "400");
  // A wall added without listing: selecting it lists the tree first.
  m.addWall(0, 0, 50, 0, 0, -1);
  EXPECT_EQ(pr.node("w4"), nullptr);
  pr.selWall(4);
  ASSERT_NE(pr.node("w4"), nullptr);
  EXPECT_EQ(pr.TreeView1->currentItem(), pr.node("w4"));
  EXPECT_TRUE(f.w->mapView->tmrFlash->isActive());
}

TEST(WallPanel, OpensBesideTheMainWindowAndItsButtonsWorkOnTheBoxes) {
  kvtest::EditorFixture f;
  f.start();
  // Just right of the main window, level with its top (here the main window
  // hangs off the screen's left edge, leaving room); where that would stick
  // out of the screen, moved back to the screen's right edge.
  const QRect screen = f.w->screen()->availableGeometry();
  f.w->resize(f.w->minimumSizeHint());
  f.w->move(screen.left() - 200, screen.top() + 40);
  QAction* open = f.w->findChild<QAction*>("itmPropWin");
  open->trigger();
  kv::frmProps* panel = f.w->wallPanel;
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->frameGeometry().topLeft(), f.w->frameGeometry().topRight() + QPoint(1, 0));
  f.w->move(screen.right() - f.w->frameGeometry().width(), screen.top() + 40);
  open->trigger();
  EXPECT_EQ(panel->frameGeometry().top(), f.w->frameGeometry().top());
  EXPECT_EQ(panel->frameGeometry().right(), screen.right());
  kv::SideDef& rec = f.w->sideDefs().rec[0];

  // "> IP" on point 1, then "Set to insertion point" on point 2 copies the
  // point; the same the other way round.
  panel->txtX1->setText("35");
  panel->txtY1->setText("-12");
  panel->toIP1->click();
  panel->IP2->click();
  EXPECT_EQ(panel->txtX2->text() + "," + panel->txtY2->text(), "35,-12");
  panel->txtX2->setText("-40");
  panel->txtY2->setText("75");
  panel->toIP2->click();
  panel->cmdIP1->click();
  EXPECT_EQ(panel->txtX1->text() + "," + panel->txtY1->text(), "-40,75");

  // "Back Floor:" stands for field 16 and "Back Ceiling:" for field 15.
  panel->txtBft->setText("5");
  panel->txtBct->setText("7");
  panel->cmdSet->click();
  EXPECT_EQ(rec.backFloorTx, 7);  // field 15
  EXPECT_EQ(rec.backCeilTx, 5);   // field 16
  EXPECT_EQ(f.w->findChild<QAction*>("itmUndo")->statusTip(), "Undo Set Properties");
  // A box that is not a number refuses the store, with a message.
  panel->txtWt->setText("9");
  panel->txtH3->setText("12abc");
  panel->cmdSet->click();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_NE(rec.wallTx, 9);
}

// Undo and Redo as a user reaches them: the Edit menu, its keys, and the
// status bar's file panel.
TEST(UndoWindow, CommandsUndoneAndRedoneByMenuAndKeys) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  QAction* undo = f.w->findChild<QAction*>("itmUndo");
  QAction* redo = f.w->findChild<QAction*>("itmRedo");
  auto panel = [&] { return f.w->filePanel->text(); };
  EXPECT_EQ(panel(), "File: none (unchanged)");
  EXPECT_FALSE(undo->isEnabled());

  kvtest::whenOpen(*f.w, "frmRoomWizard", [](QDialog& d) { static_cast<kv::frmRoomWizard&>(d).cmdOK->click(); });
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();
  ASSERT_EQ(m.wallCount, 4);
  EXPECT_EQ(undo->statusTip(), "Undo Room Wizard");
  EXPECT_EQ(panel(), "File: none (changed)");
  // Wall 3 of the room picked and shown; the undo takes it away.
  f.w->project->TreeView1_NodeClick(f.w->project->node("w3"));
  f.w->select->List1->addItem("Wall #3");

  // The offscreen platform leaves the closed wizard as the active window,
  // where a desktop gives the main window back its keys.
  QApplication::setActiveWindow(f.w.get());
  f.picture()->setFocus();
  QTest::keyClick(f.picture(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m.wallCount, 0);
  EXPECT_EQ(m.selectedWall, -1);
  EXPECT_EQ(f.w->select->List1->count(), 0);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: ");
  EXPECT_EQ(redo->statusTip(), "Redo Room Wizard");
  EXPECT_EQ(panel(), "File: none (unchanged)");
  QTest::keyClick(f.picture(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_NE(f.w->project->node("w3"), nullptr);
  undo->trigger();
  QTest::keyClick(f.picture(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(m.wallCount, 4);

  // Saved, then New throws the map away without asking; Undo brings it back.
  f.ui.fileAnswers = {f.dir.file("rooms.map")};
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  EXPECT_EQ(panel(), "File: rooms.map (unchanged)");
  f.w->findChild<QAction*>("new")->trigger();
  EXPECT_EQ(m.wallCount, 0);
  undo->trigger();
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_NE(f.w->project->node("a0"), nullptr);
  EXPECT_EQ(panel(), "File: rooms.map (changed)");

  // A move drag is one step; a command after an undo ends the redo branch.
  m.insertX = m.insertY = 0;
  f.w->project->TreeView1_NodeClick(f.w->project->node("a0"));
  f.w->findChild<QAction*>("move")->trigger();
  const kv::Long x1 = m.walls[0].x1;
  kvtest::drag(f.picture(), {20, 20}, {40, 40});
  EXPECT_NE(m.walls[0].x1, x1);
  EXPECT_EQ(undo->statusTip(), "Undo Move Selection");
  undo->trigger();
  EXPECT_EQ(m.walls[0].x1, x1);
  f.w->findChild<QAction*>("itmSetViewer")->trigger();
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_EQ(undo->statusTip(), "Undo Set viewer to Insert Position");
}

}  // namespace
