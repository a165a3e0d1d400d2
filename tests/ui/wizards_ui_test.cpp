// A room drawn through the room wizard's dialog, as a user does it.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include "uitest.h"


namespace {

// Presses Finish on the wizard's dialog once it is open, after `fill`.
void finishWhenOpen(kv::MDIForm1& w, std::function<void(kv::frmRoomWizard&)> fill) {
  QTimer::singleShot(0, &w, [&w, fill] {
    ASSERT_NE(w.roomWizard, nullptr);
    ASSERT_TRUE(w.roomWizard->isVisible());
    fill(*w.roomWizard);
    w.roomWizard->cmdOK->click();
  });
}

TEST(RoomWizardDialog, DrawsARoomAtTheInsertionPoint) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::click(f.picture(), {180, 100}, Qt::RightButton);  // insertion point (1800, 1000)
  finishWhenOpen(*f.w, [](kv::frmRoomWizard& d) {
    EXPECT_EQ(d.findChild<QLineEdit*>("txtStartX")->text(), "1800");
    d.List1->setCurrentRow(1);  // multi-pillar room
  });
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();
  EXPECT_EQ(m.wallCount, 40);
  EXPECT_EQ(m.areaCount, 7);
  EXPECT_EQ(m.areas[6].name.trimmed(), "RoomID36");
  EXPECT_NE(f.w->project->node("w39"), nullptr);
  // The fields persist; "New Map" clears first and is unchecked again.
  finishWhenOpen(*f.w, [](kv::frmRoomWizard& d) {
    EXPECT_EQ(d.List1->currentRow(), 1);
    d.findChild<QLineEdit*>("txtNumSides")->setText("6");
    d.List1->setCurrentRow(0);
    d.findChild<QCheckBox*>("chkNewMap")->setChecked(true);
  });
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();
  EXPECT_EQ(m.wallCount, 6);
  EXPECT_FALSE(f.w->roomForm.chkNewMap);
  EXPECT_EQ(f.picture()->image().pixel(180, 120), qRgb(0, 255, 0));  // the room's first wall, texture 1
}

}  // namespace

