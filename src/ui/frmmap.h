// frmMap, the map view: the picture with its scroll bars and the flash timer.
// Its behaviour is the core's MapEditor; this window forwards the events.
#pragma once
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "ui/picture.h"
#include "view/mapeditor.h"

namespace kv {

class frmMap : public QWidget {
  Q_OBJECT
 public:
  explicit frmMap(QWidget* parent = nullptr);
  ~frmMap() override;

  // The map object exists only after the windows are loaded.
  void attachMap(clsMap& map, Dialogs& ui);
  // The editor; null before attachMap.
  MapEditor* editor() { return editor_.get(); }

  void redraw();
  // Twips per pixel of this window's screen.
  double twipsPerPixel() const;

  QTimer* tmrFlash;
  QScrollBar* HScroll1;
  QScrollBar* VScroll1;
  PictureBox* Picture1;

 protected:
  void resizeEvent(QResizeEvent*) override;
  // The map view cannot be closed, only minimised.
  void closeEvent(QCloseEvent* e) override;

 private:
  void Form_Resize();
  std::unique_ptr<MapEditor> editor_;
};

}  // namespace kv
