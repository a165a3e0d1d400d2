// frmControl, "KV3D15 Control": drives the engine through its engine control
// KV3D151, which redraws on its timer.
#pragma once
#include <QLabel>
#include <QPushButton>

#include "ui/engine/enginecontrol.h"
#include "ui/engine/render_windows.h"

namespace kv {

class frmControl : public PreviewWindow {
  Q_OBJECT
 public:
  explicit frmControl(QWidget* parent = nullptr);

  // The prototype the Add Proto button loads, as the preview names it; it is
  // looked for on this platform as "/talsship/angfish/angfish.kvx".
  static constexpr const char* kProtoPath = "c:\\talsship\\angfish\\angfish.kvx";

  KV3D15* KV3D151;
  QPushButton* cmdInit;
  QPushButton* cmdJump;
  QPushButton* cmdFlush;
  QPushButton* cmdAddProto;
  QLabel* lblKeys;

  void cmdInit_Click();
  void cmdJump_Click();
  void cmdFlush_Click();
  void cmdAddProto_Click();
  void Form_KeyDown(int keyCode);
  // The engine runs from Init to Flush.
  bool running() const { return cmdFlush->isEnabled(); }

 protected:
  void keyPressEvent(QKeyEvent*) override;
  void closeEvent(QCloseEvent*) override;

 private:
  void setRunning(bool running);
};

}  // namespace kv
