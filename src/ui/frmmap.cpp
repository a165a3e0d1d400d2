#include "ui/frmmap.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QScreen>

#include "view/layout.h"

namespace kv {

frmMap::frmMap(QWidget* parent) : QWidget(parent) {
  setObjectName("frmMap");
  setWindowTitle("Map");
  tmrFlash = new QTimer(this);
  tmrFlash->setObjectName("tmrFlash");
  tmrFlash->setInterval(500);
  HScroll1 = new QScrollBar(Qt::Horizontal, this);
  VScroll1 = new QScrollBar(Qt::Vertical, this);
  HScroll1->setObjectName("HScroll1");
  VScroll1->setObjectName("VScroll1");
  for (QScrollBar* s : {HScroll1, VScroll1}) {
    s->setRange(0, MapEditor::kScrollMax);
    s->setSingleStep(MapEditor::kScrollSmall);
    s->setPageStep(MapEditor::kScrollLarge);
  }
  Picture1 = new PictureBox(this);
  setFocusProxy(Picture1);

  connect(HScroll1, &QScrollBar::valueChanged, this, [this](int v) {
    if (!editor_) return;
    editor_->hValue = v;
    redraw();
  });
  connect(VScroll1, &QScrollBar::valueChanged, this, [this](int v) {
    if (!editor_) return;
    editor_->vValue = v;
    redraw();
  });
  connect(tmrFlash, &QTimer::timeout, this, [this] {
    if (editor_) editor_->flashTick();
  });
  connect(Picture1, &PictureBox::resized, this, [this] {
    if (editor_) editor_->redraw();
  });
  connect(Picture1, &PictureBox::mouseDown, this, [this](int b, int s, float x, float y) {
    if (editor_) editor_->mouseDown(b, s, x, y);
  });
  connect(Picture1, &PictureBox::mouseMoved, this, [this](int b, int s, float x, float y) {
    if (editor_) editor_->mouseMove(b, s, x, y);
  });
  connect(Picture1, &PictureBox::mouseUp, this, [this](int b, int s, float x, float y) {
    if (editor_) editor_->mouseUp(b, s, x, y);
  });
  connect(Picture1, &PictureBox::dropped, this, [this](float x, float y) {
    if (editor_) editor_->dragDrop(x, y);
  });
  connect(Picture1, &PictureBox::keyDown, this, [this] {
    if (editor_) editor_->keyDown();
  });
  connect(Picture1, &PictureBox::wheelTurned, this, [this](int notches, int shift, bool sideways) {
    if (editor_) editor_->wheel(notches, shift, sideways);
  });
  Form_Resize();
}

frmMap::~frmMap() = default;

void frmMap::attachMap(clsMap& map, Dialogs& ui) {
  editor_ = std::make_unique<MapEditor>(map, Picture1->surface(), ui);
  editor_->hValue = HScroll1->value();
  editor_->vValue = VScroll1->value();
  editor_->hooks.pictureChanged = [this] { Picture1->update(); };
  editor_->hooks.scrollTo = [this](int h, int v) {
    HScroll1->setValue(h);
    VScroll1->setValue(v);
  };
  editor_->hooks.flashTimerChanged = [this](bool on) {
    if (on)
      tmrFlash->start();
    else
      tmrFlash->stop();
  };
  map.onDropHighlight = [this] { editor_->deselectSideDef(); };
  // The picture is drawn once as the window is laid out; showing it draws it
  // again (MDIForm1), so the insertion cross is on screen from the start.
  editor_->redraw();
}

void frmMap::redraw() {
  if (editor_) editor_->redraw();
}

double frmMap::twipsPerPixel() const {
  QScreen* s = screen();
  return kv::twipsPerPixel(s ? s->logicalDotsPerInchX() : 96.0);
}

void frmMap::Form_Resize() {
  // The rule is written for the window's outer size: the sub-window's frame
  // when the view sits in the main window.
  QWidget* outer = qobject_cast<QMdiSubWindow*>(parentWidget()) ? parentWidget() : this;
  const double tpp = twipsPerPixel();
  const MapViewLayout l = mapViewLayout(pixelsToTwips(outer->width(), tpp), pixelsToTwips(outer->height(), tpp));
  auto place = [tpp](QWidget* w, const TwipRect& r) {
    w->setGeometry(twipsToPixels(r.left, tpp), twipsToPixels(r.top, tpp),
                   std::max<Long>(twipsToPixels(r.width, tpp), 1), std::max<Long>(twipsToPixels(r.height, tpp), 1));
  };
  place(VScroll1, l.vScroll);
  place(HScroll1, l.hScroll);
  place(Picture1, l.picture);
}

void frmMap::resizeEvent(QResizeEvent*) { Form_Resize(); }

void frmMap::closeEvent(QCloseEvent* e) { e->ignore(); }

}  // namespace kv
