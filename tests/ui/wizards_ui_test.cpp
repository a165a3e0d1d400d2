// A room drawn through the room wizard's dialog, as a user does it.
#include <gtest/gtest.h>

#include <QAction>

#include "ui/wizarddialogs.h"

#include "uitest.h"

namespace {

// Presses Finish on the room wizard once it is open, after `fill`.
void finishRoom(kv::MDIForm1& w, const std::function<void(kv::frmRoomWizard&)>& fill) {
  kvtest::whenOpen(w, "frmRoomWizard", [fill](QDialog& d) {
    fill(static_cast<kv::frmRoomWizard&>(d));
    static_cast<kv::frmRoomWizard&>(d).cmdOK->click();
  });
  w.findChild<QAction*>("itmRoomWizard")->trigger();
}

TEST(RoomWizardDialog, DrawsARoomAtTheInsertionPoint) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::click(f.picture(), {180, 100}, Qt::RightButton);  // insertion point (1800, 1000)
  finishRoom(*f.w, [](kv::frmRoomWizard& d) {
    EXPECT_EQ(d.findChild<QLineEdit*>("txtStartX")->text(), "1800");
    d.List1->setCurrentRow(1);  // multi-pillar room
  });
  EXPECT_EQ(m.wallCount, 40);
  EXPECT_NE(f.w->project->node("w39"), nullptr);
  // The fields persist; "New Map" clears first and is unchecked again.
  finishRoom(*f.w, [](kv::frmRoomWizard& d) {
    EXPECT_EQ(d.List1->currentRow(), 1);
    d.findChild<QLineEdit*>("txtNumSides")->setText("6");
    d.List1->setCurrentRow(0);
    d.findChild<QCheckBox*>("chkNewMap")->setChecked(true);
  });
  EXPECT_EQ(m.wallCount, 6);
  EXPECT_EQ(f.picture()->image().pixel(180, 120), qRgb(0, 255, 0));  // the room's first wall, texture 1
}

TEST(WizardDialogs, OpenOnTheirFirstFieldAndTabThroughTheForm) {
  kvtest::EditorFixture f;
  f.start();
  // Twice: the second opening follows a Finish pressed with the mouse.
  for (int k = 0; k < 2; ++k) {
    kvtest::whenOpen(*f.w, "frmColWizard", [](QDialog& d) {
      QWidget* first = d.findChild<QLineEdit*>("txtNumSides");
      ASSERT_EQ(QApplication::focusWidget(), first);
      std::vector<std::string> order;
      for (int t = 0; t < 5; ++t) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
      }
      EXPECT_EQ(order, (std::vector<std::string>{"txtSideLen", "txtStartX", "txtStartY", "cmdOK", "cmdCancel"}));
      QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });
    f.w->findChild<QAction*>("itmColWizard")->trigger();
  }
  kvtest::whenOpen(*f.w, "frmRoomWizard",
                   [](QDialog& d) { EXPECT_EQ(QApplication::focusWidget(), d.findChild<QListWidget*>("List1")); });
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();

  // A refused Finish leaves the dialog open, the values as typed.
  const kv::Long walls = f.w->map().wallCount;
  kvtest::whenOpen(*f.w, "frmColWizard", [&f](QDialog& d) {
    d.findChild<QLineEdit*>("txtStartX")->setText("40000");
    d.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(d.findChild<QLineEdit*>("txtStartX")->text(), "40000");
  });
  f.w->findChild<QAction*>("itmColWizard")->trigger();
  EXPECT_EQ(f.w->map().wallCount, walls);

  // The cave wizard builds at the insertion point, and the tree lists it.
  f.w->findChild<QAction*>("itmCaveWizard")->trigger();
  ASSERT_GT(f.w->map().wallCount, walls);
  EXPECT_NE(f.w->project->node("w" + QString::number(f.w->map().wallCount - 1)), nullptr);
}

TEST(WizardDialogs, PassageOnTwoShiftPickedWallsAndAShippedShape) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 0, 0, 400);
  kvtest::addSquare(m, 600, 0, 400);
  f.w->listLines();
  // The east wall of the first room, then SHIFT and the west wall of the second.
  kvtest::click(f.picture(), {40, 20});
  kvtest::click(f.picture(), {60, 20}, Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(f.w->select->List1->count(), 2);
  const kv::Long walls = m.wallCount;
  kvtest::whenOpen(*f.w, "frmPassageWizard", [](QDialog& d) { d.findChild<QPushButton*>("cmdOK")->click(); });
  f.w->findChild<QAction*>("itmPassageWizard")->trigger();
  // Both walls in thirds; the middle pieces now run across, wall to wall.
  ASSERT_EQ(m.wallCount, walls + 4);
  EXPECT_EQ(m.walls[walls].x1, 600);
  EXPECT_EQ(m.walls[walls].x2, 400);
  EXPECT_NE(f.w->project->node("w" + QString::number(m.wallCount - 1)), nullptr);
  EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front().text;

  // The shape wizard lists the shapes shipped beside the program; Preview
  // draws the chosen one, Create adds its six walls.
  const kv::Long before = m.wallCount;
  kvtest::whenOpen(*f.w, "frmShapeWizard", [](QDialog& dlg) {
    auto& d = static_cast<kv::frmShapeWizard&>(dlg);
    const int hex = d.cmbShapes->findText("hexagon.xml");
    ASSERT_GE(hex, 0);
    d.cmbShapes->setCurrentIndex(hex);
    const QImage blank = d.pctPreview->image();
    d.cmdPreview->click();
    EXPECT_NE(d.pctPreview->image(), blank);
    d.cmdCreate->click();
  });
  f.w->findChild<QAction*>("itmShapeWizard")->trigger();
  EXPECT_EQ(m.wallCount, before + 6);
}

}  // namespace
