// The properties window, the project tree and the wall panel, driven as a
// user drives them: clicks on the map, the grid, the tree and the buttons.
#include <gtest/gtest.h>

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

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

  // The texture type list; choosing "16 - Animated Texture" stores 16.
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

  // Cancel drops an edit; a value beyond 32 bits is refused and stores nothing.
  const kv::Wall before = m.walls[0];
  p.txt_Value->setEditText("78");
  p.cmd_PropCancel->click();
  EXPECT_EQ(p.txt_Value->currentText(), "77");
  p.txt_Value->setEditText("3000000000");
  p.cmd_PropOK->click();
  EXPECT_EQ(m.walls[0], before);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_NE(f.ui.messages[0].text.find("\"Floor(h1)\""), std::string::npos);
  EXPECT_EQ(p.grd_Props->item(10, 1)->text(), "77");

  // An area's name is cut to its 16 characters.
  m.selectedArea = 0;
  f.w->project->selArea(0);
  clickRow(p, "Name");
  p.txt_Value->setEditText("A rather long room name");
  p.cmd_PropOK->click();
  EXPECT_EQ(m.areas[0].name.text(), "A rather long ro");
  // Names are code page text: converted first and cut after, so 16 typed
  // characters with accents keep all 16; what the code page lacks is "?".
  p.txt_Value->setEditText(QString::fromUtf8("Entr\u00e9e c\u00f4t\u00e9 nord!"));
  p.cmd_PropOK->click();
  EXPECT_EQ(m.areas[0].name.text(), "Entr\xe9" "e c\xf4t\xe9 nord");
  f.w->listLines();
  EXPECT_EQ(f.w->project->node("a0")->text(0), QString::fromUtf8("Entr\u00e9e c\u00f4t\u00e9 nord"));
  p.txt_Value->setEditText(QString::fromUtf8("\u20ac \u03a9"));
  p.cmd_PropOK->click();
  EXPECT_EQ(m.areas[0].name.text(), "\x80 ?" + std::string(13, ' '));
  f.w->project->selArea(0);
  EXPECT_EQ(p.grd_Props->item(5, 1)->text(), QString::fromUtf8("\u20ac ?") + QString(13, ' '));
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
      EXPECT_LE(pr.TreeView1->fontMetrics().horizontalAdvance(root->text(0)), text.width()) << root->text(0).toStdString();
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

  // A full wall table is listed whole.
  for (int k = 0; k < 200; ++k) kvtest::addSquare(m, 100 + (k % 25) * 300, 100 + (k / 25) * 300, 200);
  while (m.wallCount < 2001) m.addWall(0, m.wallCount, 10, m.wallCount, m.wallCount, -1);
  ASSERT_EQ(m.wallCount, 2001);
  f.w->listLines();
  EXPECT_EQ(pr.node("Walls")->childCount(), 2001);
  EXPECT_EQ(pr.node("w2000")->text(0), "Wall2000");

  // A fresh map with one room, picked in the tree.
  f.w->findChild<QAction*>("itmNewMap")->trigger();
  kvtest::addSquare(m, 200, 200, 200);  // screen 20..40
  m.areas[0].name.assign("  hall");
  f.w->listLines();
  m.insertX = m.insertY = 0;
  f.w->mapView->redraw();
  EXPECT_EQ(pr.node("a0")->text(0), "hall");
  clickNode(pr, "Areas");  // a root changes nothing
  EXPECT_EQ(m.selectedArea, -1);
  clickNode(pr, "a0");
  EXPECT_EQ(m.selectedArea, 0);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: Area");
  EXPECT_EQ(pr.TreeView1->currentItem(), pr.node("a0"));
  // A wall node selects the wall and shows the wall page.
  clickNode(pr, "w1");
  EXPECT_EQ(m.selectedWall, 1);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: Wall");
  // A wall added without listing: selecting it lists the tree first.
  m.addWall(0, 0, 50, 0, 0, -1);
  EXPECT_EQ(pr.node("w4"), nullptr);
  pr.selWall(4);
  ASSERT_NE(pr.node("w4"), nullptr);
  EXPECT_EQ(pr.TreeView1->currentItem(), pr.node("w4"));
  EXPECT_TRUE(f.w->mapView->tmrFlash->isActive());
}

TEST(WallPanel, OpensOnTheScreenAndItsButtonsWorkOnTheBoxes) {
  kvtest::EditorFixture f;
  f.start();
  // Right of the main window, level with its top: where that would stick out
  // of the screen, moved back to the screen's right edge.
  const QRect screen = f.w->screen()->availableGeometry();
  f.w->move(0, 100);
  f.w->findChild<QAction*>("itmPropWin")->trigger();
  kv::frmProps* panel = f.w->wallPanel;
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->frameGeometry().top(), f.w->frameGeometry().top());
  EXPECT_EQ(panel->frameGeometry().right(), screen.right());
  EXPECT_TRUE(screen.contains(panel->frameGeometry()));
  kv::SideDef& rec = f.w->sideDefs().rec[0];

  // The buttons work on what the boxes show: "> IP" on point 1, then "Set to
  // insertion point" on point 2, then "Set Properties".
  panel->txtX1->setText("35");
  panel->txtY1->setText("-12");
  panel->toIP1->click();
  panel->IP2->click();
  EXPECT_EQ(panel->txtX2->text(), "35");
  EXPECT_EQ(panel->txtY2->text(), "-12");
  panel->txtBft->setText("5");
  panel->cmdSet->click();
  EXPECT_EQ(rec.x2, 35);
  EXPECT_EQ(rec.backCeilTx, 5);  // "Back Floor:" stands for field 16
  EXPECT_TRUE(f.ui.messages.empty());
  // A box that is not a number refuses the store, with a message.
  panel->txtH3->setText("12abc");
  panel->txtWt->setText("9");
  panel->cmdSet->click();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_NE(rec.wallTx, 9);
}

}  // namespace
