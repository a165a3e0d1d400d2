#include "ui/engine/enginecontrol.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "engine/gdi.h"
#include "engine/kv3d15.h"
#include "engine/kvbasic.h"
#include "engine/kvdb.h"
#include "ui/engine/render_windows.h"

namespace kv {

// --- EnginePicture ------------------------------------------------------------------

EnginePicture::EnginePicture(QWidget* parent) : QFrame(parent), hdc_(gdi::createPictureDC(1, 1)) {
  setObjectName("Picture1");
  setFocusPolicy(Qt::StrongFocus);
  setBorderStyle(1);
}

EnginePicture::~EnginePicture() { DeleteDC(hdc_); }

void EnginePicture::setBorderStyle(int style) {
  setFrameShape(style ? QFrame::Box : QFrame::NoFrame);
  setLineWidth(1);
}

void EnginePicture::show(Long memDC, Long bitmap, Long width, Long height) {
  SelectObject(memDC, bitmap);
  BitBlt(hDC(), 0, 0, width, height, memDC, 0, 0, SRCCOPY);
  update();
}

QImage EnginePicture::image() const {
  const FrameBuffer* f = gdi::surface(hdc_);
  if (!f || f->width <= 0 || f->height <= 0) return {};
  QImage img(f->width, f->height, QImage::Format_RGB32);
  for (Long y = 0; y < f->height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    for (Long x = 0; x < f->width; ++x) line[x] = 0xFF000000u | f->at(x, y);
  }
  return img;
}

void EnginePicture::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  p.drawImage(contentsRect().topLeft(), image());
  p.end();
  QFrame::paintEvent(e);
}

Long EnginePicture::hDC() {
  const FrameBuffer* f = gdi::surface(hdc_);
  const QRect inside = contentsRect();
  if (f && (f->width != inside.width() || f->height != inside.height()))
    gdi::resizePicture(hdc_, inside.width(), inside.height());
  return hdc_;
}

void EnginePicture::resizeEvent(QResizeEvent* e) {
  QFrame::resizeEvent(e);
  hDC();
}

void EnginePicture::keyPressEvent(QKeyEvent* e) { emit keyDown(virtualKey(e->key())); }

// --- KV3D15 -------------------------------------------------------------------------

namespace {
// The fifth argument of INITTALISSE: a value of the engine's own, which this
// engine does not look at.
constexpr Long kInitValue = 0;
}  // namespace

KV3D15::KV3D15(QWidget* parent) : QWidget(parent) {
  setObjectName("KV3D15");
  Picture1 = new EnginePicture(this);
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kTimerInterval);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(Picture1, 0, Qt::AlignLeft | Qt::AlignTop);
  Picture1->setFixedSize(320, 200);
}

KV3D15::~KV3D15() {
  if (memDC_) DeleteDC(memDC_);
}

void KV3D15::kv3DInit(const std::string& folder, const std::string& fileName, Long width, Long height, Long, Long, Long,
                      Long, Long& ok) {
  ok = 0;
  width_ = width;
  height_ = height;
  // The picture area's inside is the engine's frame; its border adds to it.
  const int border = 2 * Picture1->frameWidth();
  Picture1->setFixedSize(std::max<Long>(width, 0) + border, std::max<Long>(height, 0) + border);
  QApplication::processEvents();
  Long hdc = Picture1->hDC();
  QDir::setCurrent(QString::fromStdString(folder));
  if (memDC_) DeleteDC(memDC_);
  memDC_ = CreateCompatibleDC(hdc);
  frame_ = INITTALISSE(hdc, QDir::currentPath().toStdString() + "/" + fileName, width, height, kInitValue);
  Picture1->show(memDC_, frame_, width, height);
  Timer1->start();
}

void KV3D15::drawFrame() {
  frame_ = DRAWKV(Picture1->hDC());
  Picture1->show(memDC_, frame_, 320, 200);
  ++frames_;
}

void KV3D15::Timer1_Timer() { drawFrame(); }
void KV3D15::kvRedraw() { drawFrame(); }

void KV3D15::kvTurnViewer(Long angle) { TURNVIEWER(angle); }
std::string KV3D15::kvBasicExecute() { return BASICEXECUTE(1, "Hello"); }
void KV3D15::kvHideBorder() { Picture1->setBorderStyle(0); }
void KV3D15::kvShowBorder() { Picture1->setBorderStyle(1); }
void KV3D15::kvJumpViewer(Long x, Long y, Long z, Long direction) { JUMPVIEWER(x, y, z, direction); }
void KV3D15::kvMoveViewer(Long a, Long b, Long c) { MOVEVIEWER(a, b, c); }
std::string KV3D15::kvGetViewerAreaName(Long area) { return FINDAREANAME(area); }
Long KV3D15::kvGetViewerAreaNum() { return FINDAREA(); }
void KV3D15::kvFlush(Long& result) {
  FLUSHTALISSE();
  result = 0;
}
Long KV3D15::kvAddPrototype(const std::string& fileName) { return ADDPROTO(fileName); }
Long KV3D15::kvHitInFront(Long value) { return HITINFRONT(value); }

Long KV3D15::kvAddRecord() { return KVADDRECORD(); }
Long KV3D15::kvBOF() { return KVBOF(); }
Long KV3D15::kvCloseDB() { return CLOSEDB(); }
Long KV3D15::kvCreateDB(const std::string& file, const std::string& fields) { return KVCREATEDATABASE(file, fields); }
Long KV3D15::kvCurRecNum() { return KVCURRECNUM(); }
Long KV3D15::kvDeleteRecord() { return KVDELETERECORD(); }
Long KV3D15::kvEditRecord() { return EDITRECORD(); }
Long KV3D15::kvEOF() { return KVEOF(); }
Long KV3D15::kvFindFirst(const std::string& f, const std::string& v) { return KVFINDFIRST(f, v); }
Long KV3D15::kvFindNext(const std::string& f, const std::string& v) { return KVFINDNEXT(f, v); }
std::string KV3D15::kvGetFldVal(const std::string& field) { return KVGETVAL(field); }
std::string KV3D15::kvGetFldValIndex(Long index) { return KVGETVALINDEX(index); }
Long KV3D15::kvGotoRecord(Long number) { return KVGOTORECORD(number); }
Long KV3D15::kvMoveNext() { return KVMOVENEXT(); }
Long KV3D15::kvMovePrevious() { return KVMOVEPREVIOUS(); }
Long KV3D15::kvOpenDB(const std::string& file) { return KVOPENDATABASE(file); }
Long KV3D15::kvReadRecord() { return KVREADRECORD(); }
Long KV3D15::kvSetFldVal(const std::string& f, const std::string& v) { return KVSETVAL(f, v); }
Long KV3D15::kvSetFldValIndex(Long index, const std::string& v) { return KVSETVALINDEX(index, v); }
Long KV3D15::kvUpdateRecord() { return KVUPDATERECORD(); }

}  // namespace kv
