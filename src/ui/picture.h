// Picture1: the map view's drawing surface. The picture is held in an
// in-memory raster that the drawing code writes into; painting the widget
// only shows it, so an exposed window never redraws (and never toggles an
// exclusive-or figure a second time).
#pragma once
#include <QImage>
#include <QWidget>

#include "view/surface.h"

namespace kv {

class PictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);
  RasterSurface& surface() { return surface_; }
  // The picture as shown, for tests and screenshots.
  QImage image() const;

  // Buttons 1 left, 2 right, 4 middle; shift 1 SHIFT, 2 CTRL, 4 ALT.
  static int buttonCode(Qt::MouseButtons b);
  static int shiftCode(Qt::KeyboardModifiers m);

 signals:
  void mouseDown(int button, int shift, float x, float y);
  void mouseMoved(int button, int shift, float x, float y);
  void mouseUp(int button, int shift, float x, float y);
  void dropped(float x, float y);
  void keyDown();
  // Whole notches of the mouse wheel (positive away from the user).
  void wheelTurned(int notches, int shift, bool sideways);
  void resized();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void dragEnterEvent(QDragEnterEvent*) override;
  void dragMoveEvent(QDragMoveEvent*) override;
  void dropEvent(QDropEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void wheelEvent(QWheelEvent*) override;

 private:
  QPoint wheelRest_;  // eighths of a degree not yet a whole notch (fine-grained wheels)
  RasterSurface surface_{1, 1};
};

}  // namespace kv
