// KV3D15, the engine control: a picture area that engine frames are copied
// into, a timer that draws a frame on every tick once the engine is started,
// and one method per engine call.
#pragma once
#include <QFrame>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>

#include "model/numbers.h"

namespace kv {

// A picture area with a device context of the graphics layer: what is copied
// into the context is what the widget shows.
class EnginePicture : public QFrame {
  Q_OBJECT
 public:
  explicit EnginePicture(QWidget* parent = nullptr);
  ~EnginePicture() override;
  // The picture's device context, its surface the size of the picture's
  // inside (a hidden widget's size is taken as set, before any resize event).
  Long hDC();
  // Selects `bitmap` into the memory context `memDC` and copies width x
  // height of it from (0, 0) to (0, 0) of the picture (a source copy).
  void show(Long memDC, Long bitmap, Long width, Long height);
  // The picture as it stands, for tests.
  QImage image() const;
  // 0 no border, 1 fixed single.
  void setBorderStyle(int style);
  int borderStyle() const { return frameShape() == QFrame::NoFrame ? 0 : 1; }

 signals:
  void keyDown(int keyCode);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  Long hdc_;
};

class KV3D15 : public QWidget {
  Q_OBJECT
 public:
  explicit KV3D15(QWidget* parent = nullptr);
  ~KV3D15() override;

  EnginePicture* Picture1;
  QTimer* Timer1;
  static constexpr int kTimerInterval = 50;  // ms between frames

  // Methods without behaviour here: they accept any arguments.
  template <class... A>
  Long kvAddCreature(A&&...) {
    return 0;
  }
  template <class... A>
  void kvAddObject(A&&...) {}
  template <class... A>
  void kvDeleteCreature(A&&...) {}
  template <class... A>
  void kvDeleteObject(A&&...) {}
  template <class... A>
  void kvFlushCreatures(A&&...) {}
  template <class... A>
  Long kvGetAtPos(A&&...) {
    return 0;
  }
  template <class... A>
  void kvMoveCreature(A&&...) {}
  template <class... A>
  void kvSelectMap(A&&...) {}
  template <class... A>
  void kvSetCreaturePos(A&&...) {}
  template <class... A>
  void kvShoot(A&&...) {}
  template <class... A>
  void setWallTexture(A&&...) {}
  template <class... A>
  Long kvTablaOval(A&&...) {
    return 0;
  }

  void kvTurnViewer(Long angle);
  std::string kvBasicExecute();
  // Starts the engine on `folder`/`fileName` at width x height; valueA to
  // valueD have no effect. `ok` is set to 0 as the control always has.
  void kv3DInit(const std::string& folder, const std::string& fileName, Long width, Long height, Long valueA,
                Long valueB, Long valueC, Long valueD, Long& ok);
  void kvHideBorder();
  void kvShowBorder();
  void kvVersion(Long& result) { result = 150; }
  void kvJumpViewer(Long x, Long y, Long z, Long direction);
  void kvMoveViewer(Long a, Long b, Long c);
  void kvRedraw();
  std::string kvGetViewerAreaName(Long area);
  Long kvGetViewerAreaNum();
  void kvFlush(Long& result);
  Long kvAddPrototype(const std::string& fileName);
  Long kvHitInFront(Long value);

  // The record database, one to one.
  Long kvAddRecord();
  Long kvBOF();
  Long kvCloseDB();
  Long kvCreateDB(const std::string& file, const std::string& fieldList);
  Long kvCurRecNum();
  Long kvDeleteRecord();
  Long kvEditRecord();
  Long kvEOF();
  Long kvFindFirst(const std::string& field, const std::string& value);
  Long kvFindNext(const std::string& field, const std::string& value);
  std::string kvGetFldVal(const std::string& field);
  std::string kvGetFldValIndex(Long index);
  Long kvGotoRecord(Long number);
  Long kvMoveNext();
  Long kvMovePrevious();
  Long kvOpenDB(const std::string& file);
  Long kvReadRecord();
  Long kvSetFldVal(const std::string& field, const std::string& value);
  Long kvSetFldValIndex(Long index, const std::string& value);
  Long kvUpdateRecord();

  // Frames drawn by the timer and kvRedraw, for tests.
  int framesDrawn() const { return frames_; }
  Long memoryDC() const { return memDC_; }

 private:
  void Timer1_Timer();
  void drawFrame();
  Long memDC_ = 0;
  Long frame_ = 0;
  Long width_ = 0, height_ = 0;
  int frames_ = 0;
};

}  // namespace kv
