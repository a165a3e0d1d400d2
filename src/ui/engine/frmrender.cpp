#include "ui/engine/frmrender.h"

#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "engine/gdi.h"
#include "engine/kv3d15.h"
#include "engine/scratch.h"

namespace kv {

namespace {
constexpr Long kInitValue = 0;  // INITTALISSE's fifth value, unused by this engine
}

frmRender::frmRender(QWidget* parent) : PreviewWindow(parent) {
  setObjectName("frmRender");
  setWindowTitle("Render Map");
  setFocusPolicy(Qt::StrongFocus);
  Picture1 = new EnginePicture(this);
  Picture1->setFixedSize(320 + 2 * Picture1->frameWidth(), 200 + 2 * Picture1->frameWidth());
  auto button = [this](const char* name, const char* caption, void (frmRender::*click)()) {
    return makeButton(name, caption, [this, click] { (this->*click)(); });
  };
  cmdInit = button("cmdInit", "Init", &frmRender::cmdInit_Click);
  cmdForward = button("cmdForward", "Forward", &frmRender::cmdForward_Click);
  cmdRender = button("cmdRender", "Render", &frmRender::cmdRender_Click);
  cmdFlush = button("cmdFlush", "Flush", &frmRender::cmdFlush_Click);
  auto* row = new QHBoxLayout;
  for (QPushButton* b : {cmdInit, cmdForward, cmdRender, cmdFlush}) row->addWidget(b);
  row->addStretch();
  auto* l = new QVBoxLayout(this);
  l->addWidget(Picture1);
  l->addLayout(row);
  connect(Picture1, &EnginePicture::keyDown, this, &frmRender::Form_KeyDown);
  setRunning(false);
}

frmRender::~frmRender() {
  if (memDC_) DeleteDC(memDC_);
}

void frmRender::setRunning(bool running) {
  cmdInit->setEnabled(!running);
  cmdForward->setEnabled(running);
  cmdRender->setEnabled(running);
  cmdFlush->setEnabled(running);
}

void frmRender::cmdInit_Click() {
  if (!prepareScratch()) return;
  Long hdc = Picture1->hDC();
  if (memDC_) DeleteDC(memDC_);
  memDC_ = CreateCompatibleDC(hdc);
  std::string header = QDir::currentPath().toStdString() + "/" + engine::kScratchHeader;
  frame_ = INITTALISSE(hdc, header, 320, 200, kInitValue);
  Picture1->show(memDC_, frame_, 320, 200);
  setRunning(true);
  Picture1->setFocus();
}

void frmRender::drawFrame() {
  frame_ = DRAWKV(Picture1->hDC());
  Picture1->show(memDC_, frame_, 320, 200);
}

void frmRender::cmdForward_Click() {
  FORWARD();
  drawFrame();
}

void frmRender::cmdRender_Click() { drawFrame(); }

void frmRender::cmdFlush_Click() { setRunning(false); }

void frmRender::Form_KeyDown(int keyCode) {
  Long forward = keyCode == 38 || keyCode == 87 ? 10 : keyCode == 40 || keyCode == 83 ? -10 : 0;
  Long turn = keyCode == 37 || keyCode == 65 ? 4 : keyCode == 39 || keyCode == 68 ? -4 : 0;
  MOVEVIEWER(0, forward, 0);
  TURNVIEWER(turn);
  drawFrame();
  setWindowTitle(QString("Area #%1").arg(FINDAREA()));
}

void frmRender::keyPressEvent(QKeyEvent* e) { Form_KeyDown(virtualKey(e->key())); }

}  // namespace kv
