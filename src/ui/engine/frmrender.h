// frmRender, "Render Map": drives the engine's calls itself and copies each
// frame into its picture.
#pragma once
#include <QPushButton>

#include "ui/engine/enginecontrol.h"
#include "ui/engine/render_windows.h"

namespace kv {

class frmRender : public PreviewWindow {
  Q_OBJECT
 public:
  explicit frmRender(QWidget* parent = nullptr);
  ~frmRender() override;

  EnginePicture* Picture1;
  QPushButton* cmdInit;
  QPushButton* cmdForward;
  QPushButton* cmdRender;
  QPushButton* cmdFlush;

  void cmdInit_Click();
  void cmdForward_Click();
  void cmdRender_Click();
  void cmdFlush_Click();
  // Every key, on the window or its picture, with its virtual-key code.
  void Form_KeyDown(int keyCode);

 protected:
  void keyPressEvent(QKeyEvent*) override;

 private:
  void drawFrame();
  void setRunning(bool running);
  Long memDC_ = 0;
  Long frame_ = 0;
};

}  // namespace kv
