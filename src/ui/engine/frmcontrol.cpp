#include "ui/engine/frmcontrol.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "engine/header.h"
#include "engine/kv3d15.h"
#include "engine/scratch.h"
#include "model/codepage.h"

namespace kv {

frmControl::frmControl(QWidget* parent) : PreviewWindow(parent) {
  setObjectName("frmControl");
  setWindowTitle("KV3D15 Control");
  setFocusPolicy(Qt::StrongFocus);
  KV3D151 = new KV3D15(this);
  KV3D151->setObjectName("KV3D151");
  auto button = [this](const char* name, const char* caption, void (frmControl::*click)()) {
    return makeButton(name, caption, [this, click] { (this->*click)(); });
  };
  cmdInit = button("cmdInit", "Init", &frmControl::cmdInit_Click);
  cmdJump = button("cmdJump", "Jump to Insert", &frmControl::cmdJump_Click);
  cmdFlush = button("cmdFlush", "Flush", &frmControl::cmdFlush_Click);
  cmdAddProto = button("cmdAddProto", "Add Proto", &frmControl::cmdAddProto_Click);
  lblKeys = new QLabel("Use the W,A,S, and D keys to move", this);
  auto* row = new QHBoxLayout;
  for (QPushButton* b : {cmdInit, cmdJump, cmdFlush, cmdAddProto}) row->addWidget(b);
  row->addStretch();
  auto* l = new QVBoxLayout(this);
  l->addWidget(KV3D151);
  l->addLayout(row);
  l->addWidget(lblKeys);
  connect(KV3D151->Picture1, &EnginePicture::keyDown, this, &frmControl::Form_KeyDown);
  setRunning(false);
}

void frmControl::setRunning(bool running) {
  cmdInit->setEnabled(!running);
  cmdJump->setEnabled(running);
  cmdFlush->setEnabled(running);
}

void frmControl::cmdInit_Click() {
  if (!prepareScratch()) return;
  Long ok = 0;
  KV3D151->kv3DInit(QDir::currentPath().toStdString(), engine::kScratchHeader, 320, 200, 0, 0, 0, 0, ok);
  setRunning(true);
  KV3D151->Picture1->setFocus();
}

void frmControl::cmdFlush_Click() {
  Long result = 0;
  KV3D151->kvFlush(result);
  setRunning(false);
}

void frmControl::cmdJump_Click() {
  const clsMap* m = map();
  if (!m) return;
  // The viewer start is kept in doubles; the engine takes whole map units.
  auto whole = [](double v) { return toLongChecked(v).value_or(v < 0 ? INT32_MIN : INT32_MAX); };
  KV3D151->kvJumpViewer(whole(m->viewerX), whole(m->viewerY), m->viewerZ, m->viewerDir);
  KV3D151->kvRedraw();
}

void frmControl::cmdAddProto_Click() {
  if (!KV3D151->kvAddPrototype(kProtoPath) && dialogs())
    dialogs()->msgBox("The prototype file " + engine::localPath(kProtoPath) +
                          " could not be loaded: it does not "
                          "exist or cannot be read.",
                      "Add Proto", MsgIcon::Exclamation);
}

void frmControl::Form_KeyDown(int keyCode) {
  if (!running()) return;
  bool acted = true;
  switch (keyCode) {
    case 65:
      KV3D151->kvTurnViewer(5);
      break;
    case 68:
      KV3D151->kvTurnViewer(-5);
      break;
    case 87:
      KV3D151->kvMoveViewer(0, 20, 0);
      break;
    case 83:
      KV3D151->kvMoveViewer(0, -20, 0);
      break;
    default:
      acted = false;
  }
  if (acted) KV3D151->kvRedraw();
  setWindowTitle(QString("Area: ") +
                 QString::fromStdString(fromCodePage(KV3D151->kvGetViewerAreaName(KV3D151->kvGetViewerAreaNum()))));
}

void frmControl::keyPressEvent(QKeyEvent* e) { Form_KeyDown(virtualKey(e->key())); }

void frmControl::closeEvent(QCloseEvent* e) {
  if (running()) cmdFlush_Click();
  QWidget::closeEvent(e);
}

}  // namespace kv
