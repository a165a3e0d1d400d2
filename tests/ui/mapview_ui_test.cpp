// The map view on the desktop: its pixels, picking and the insertion point by
// mouse, and scale and move of an area by drag.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include "uitest.h"
#include "view/mapview.h"

namespace {

QRgb qt(kv::Long c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

TEST(MapViewWindow, PixelsOfASmallMap) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 400);  // screen 20..60, drawn clockwise on screen
  f.w->findChild<QAction*>("itmRedraw")->trigger();
  QImage img = f.picture()->image();
  EXPECT_EQ(img.pixel(30, 20), qt(m.wallColours[1]));
  EXPECT_EQ(img.pixel(40, 17), qt(kv::kBlue));  // the top wall runs left to right: tick up, outside
  EXPECT_EQ(img.pixel(40, 23), qt(kv::kWhite));
  // The insertion cross at (10, 10) is shown (the start drew the view twice)
  // and a right click moves it, leaving the old place clean.
  EXPECT_EQ(img.pixel(7, 7), qt(kv::rgb(255, 255, 0)));
  kvtest::click(f.picture(), {100, 90}, Qt::RightButton);
  img = f.picture()->image();
  EXPECT_EQ(img.pixel(7, 7), qt(kv::kWhite));
  EXPECT_EQ(img.pixel(97, 87), qt(kv::rgb(255, 255, 0)));
  EXPECT_EQ(f.w->insertionPanel->text(), "Ins Pt XY = (1000,900)");

  // The wheel scrolls through the scroll bars by their small change; with
  // CTRL it zooms.
  auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent e(QPointF(50, 50), f.picture()->mapToGlobal(QPointF(50, 50)), {}, {0, delta}, Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.picture(), &e);
  };
  wheel(-120, Qt::NoModifier);
  EXPECT_EQ(m.offsetY, -40);  // 10 of 500 on the vertical bar
  wheel(-120, Qt::ShiftModifier);
  EXPECT_EQ(m.offsetX, -40);
  EXPECT_EQ(m.offsetY, -40);
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(m.scaleX, 5);
  wheel(-60, Qt::ControlModifier);  // half a notch of a fine wheel: nothing yet
  EXPECT_EQ(m.scaleX, 5);
  wheel(-60, Qt::ControlModifier);
  EXPECT_EQ(m.scaleX, 10);
  f.w->mapView->HScroll1->setValue(0);
  f.w->mapView->VScroll1->setValue(0);

  // "Set viewer to Insert Position" centres the cyan marker on the cross.
  f.w->findChild<QAction*>("itmSetViewer")->trigger();
  EXPECT_EQ(f.picture()->image().pixel(100, 90), qt(kv::kCyan));
}

TEST(MapViewWindow, PickingAndShiftPicking) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 400);
  f.w->listLines();
  f.w->mapView->redraw();
  QListWidget* list = f.w->select->List1;
  kvtest::click(f.picture(), {40, 20});                                     // wall 0
  kvtest::click(f.picture(), {60, 40}, Qt::LeftButton, Qt::ShiftModifier);  // wall 1
  kvtest::click(f.picture(), {40, 60}, Qt::LeftButton, Qt::ShiftModifier);  // wall 2
  auto entries = [&] {
    QStringList l;
    for (int i = 0; i < list->count(); ++i) l << list->item(i)->text();
    return l;
  };
  EXPECT_EQ(entries(), QStringList({"Wall #0", "Wall #1", "Wall #2"}));
  EXPECT_EQ(m.selectedWall, 2);
  EXPECT_EQ(f.w->properties->lblSelType->text(), "Type: Wall");
  EXPECT_EQ(f.w->properties->grd_Props->item(0, 1)->text(), "600");  // x1 of wall 2
  EXPECT_EQ(f.w->project->TreeView1->currentItem(), f.w->project->node("w2"));
  EXPECT_TRUE(f.w->mapView->tmrFlash->isActive());
  kvtest::click(f.picture(), {20, 40});  // wall 3, no SHIFT
  EXPECT_EQ(entries(), QStringList({"Wall #3"}));
  // The Wall Selection window stays above the map view when the map is clicked.
  f.w->findChild<QAction*>("itmSelectWin")->trigger();
  QMdiSubWindow* selectFrame = f.w->frameOf(f.w->select);
  selectFrame->move(0, 0);
  f.w->activateWindow();
  QTest::mouseClick(f.picture(), Qt::LeftButton, {}, {300, 300});
  EXPECT_EQ(f.w->mdiArea->activeSubWindow(), f.w->frameOf(f.w->mapView));
  const auto stack = f.w->mdiArea->subWindowList(QMdiArea::StackingOrder);
  EXPECT_GT(stack.indexOf(selectFrame), stack.indexOf(f.w->frameOf(f.w->mapView)));
}

TEST(MapViewWindow, AHighlightWipedByAZoomIsNotDrawnBack) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 400);
  f.w->listLines();
  f.w->mapView->redraw();
  auto magenta = [&] {
    const QImage img = f.picture()->image();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == qRgb(255, 0, 255);
    return n;
  };
  kvtest::click(f.picture(), {40, 20});  // wall 0
  f.w->mapView->editor()->flashTick();   // what the 500 ms timer does: the highlight shows
  EXPECT_GT(magenta(), 0);
  f.w->findChild<QAction*>("itmZoomIn")->trigger();
  EXPECT_EQ(magenta(), 0);
  kvtest::click(f.picture(), {120, 80});  // wall 1 at the new scale: wall 0 stays clean
  EXPECT_EQ(m.selectedWall, 1);
  EXPECT_EQ(magenta(), 0);
}

TEST(MapViewWindow, ScaleAndMoveAnAreaByDrag) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kvtest::addSquare(m, 200, 200, 200);  // screen 20..40
  f.w->listLines();
  m.insertX = m.insertY = 0;
  f.w->mapView->redraw();

  // Without a selected area the tools refuse.
  f.w->findChild<QAction*>("scale")->trigger();
  kvtest::drag(f.picture(), {40, 40}, {80, 60});
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "No area is selected.");
  EXPECT_EQ(m.walls[0].x1, 200);

  // The area's box as minX, minY, maxX, maxY.
  auto box = [&] { return std::vector<kv::Long>{m.areas[0].minX, m.areas[0].minY, m.areas[0].maxX, m.areas[0].maxY}; };
  f.w->project->TreeView1_NodeClick(f.w->project->node("a0"));
  kvtest::drag(f.picture(), {40, 40}, {80, 60});  // factors (2, 1.5) about the map origin
  EXPECT_EQ(box(), (std::vector<kv::Long>{400, 300, 800, 600}));

  // Move: the box's corner (40, 30) follows the factors (1.5, 2) to (60, 60).
  f.w->findChild<QAction*>("move")->trigger();
  kvtest::drag(f.picture(), {40, 40}, {60, 80});
  EXPECT_EQ(box(), (std::vector<kv::Long>{600, 600, 1000, 900}));
  EXPECT_EQ(f.ui.messages.size(), 1u);
}

TEST(MapViewWindow, APaletteItemDraggedOntoTheMapDrawsTheDropMarker) {
  kvtest::EditorFixture f;
  f.start();
  f.w->findChild<QAction*>("itmDragDropWin")->trigger();
  QListWidget* palette = f.w->dragDrop->ListView1;
  QStringList items;
  for (int i = 0; i < palette->count(); ++i) items << palette->item(i)->text();
  EXPECT_EQ(items, QStringList({"Room", "Octagon column", "Square column", "Stairs"}));
  EXPECT_EQ(palette->dragDropMode(), QAbstractItemView::DragOnly);

  // What the list view's drag of "Room" carries is dropped on the main window
  // where the user lets go; the window finds the map view.
  std::unique_ptr<QMimeData> data(palette->model()->mimeData({palette->model()->index(0, 0)}));
  QWindow* win = f.w->windowHandle();
  const QPoint drop = f.picture()->mapTo(f.w.get(), f.picture()->rect().center());
  ASSERT_EQ(f.w->childAt(drop), f.picture());
  const QPoint onPicture = f.picture()->rect().center();
  const QRgb before = f.picture()->image().pixel(onPicture + QPoint(5, 5));
  QDragEnterEvent enter(drop, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(win, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent dropped(drop, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(win, &dropped);
  EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);  // even with SHIFT: the palette keeps the piece
  // The marker runs from the drop point 10 units right and down.
  EXPECT_NE(f.picture()->image().pixel(onPicture + QPoint(5, 5)), before);
}

}  // namespace
