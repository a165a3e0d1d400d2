#include "ui/picture.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace kv {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setObjectName("Picture1");
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  setCursor(Qt::CrossCursor);
}

QImage PictureBox::image() const {
  // The raster packs red in the low byte, which is the byte order of RGBX.
  QImage img(reinterpret_cast<const uchar*>(surface_.pixels().data()), surface_.width(), surface_.height(),
             qsizetype{surface_.width()} * 4, QImage::Format_RGBX8888);
  QImage out = img.convertToFormat(QImage::Format_RGB32);
  if (!surface_.texts.empty()) {
    QPainter p(&out);
    for (const RasterSurface::Text& t : surface_.texts) {
      p.setPen(QColor(t.colour & 0xFF, (t.colour >> 8) & 0xFF, (t.colour >> 16) & 0xFF));
      p.drawText(QPoint(t.x, t.y + p.fontMetrics().ascent()), QString::fromStdString(t.text));
    }
  }
  return out;
}

int PictureBox::buttonCode(Qt::MouseButtons b) {
  return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

int PictureBox::shiftCode(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.drawImage(0, 0, image());
}

void PictureBox::resizeEvent(QResizeEvent*) {
  surface_.resize(std::max(width(), 1), std::max(height(), 1));
  emit resized();
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  emit mouseDown(buttonCode(e->button()), shiftCode(e->modifiers()), e->position().x(), e->position().y());
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  emit mouseMoved(buttonCode(e->buttons()), shiftCode(e->modifiers()), e->position().x(), e->position().y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  emit mouseUp(buttonCode(e->button()), shiftCode(e->modifiers()), e->position().x(), e->position().y());
}

void PictureBox::dragEnterEvent(QDragEnterEvent* e) { e->acceptProposedAction(); }
void PictureBox::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

void PictureBox::dropEvent(QDropEvent* e) {
  // Always a copy, whatever key is held: the source keeps what was dragged.
  e->setDropAction(Qt::CopyAction);
  e->accept();
  emit dropped(e->position().x(), e->position().y());
}

void PictureBox::keyPressEvent(QKeyEvent* e) {
  // Modifier keys on their own and CTRL or ALT combinations are the menus'
  // shortcuts; every other key goes on to the properties window.
  const int k = e->key();
  const bool modifierOnly = k == Qt::Key_Shift || k == Qt::Key_Control || k == Qt::Key_Alt || k == Qt::Key_Meta ||
                            k == Qt::Key_AltGr || k == Qt::Key_Super_L || k == Qt::Key_Super_R;
  if (modifierOnly || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    e->ignore();
    return;
  }
  emit keyDown();
  // The key that moved the focus is typed into the box that has it now, so
  // typing 77 on the map gives 77 there. Keys that type nothing (arrows,
  // Enter, Escape, function keys) only move the focus.
  QWidget* now = QApplication::focusWidget();
  const QString text = e->text();
  if (now && now != this && !text.isEmpty() && text.at(0).isPrint()) {
    QKeyEvent typed(QEvent::KeyPress, e->key(), e->modifiers(), text, e->isAutoRepeat(), e->count());
    QApplication::sendEvent(now, &typed);
  }
}

void PictureBox::wheelEvent(QWheelEvent* e) {
  // A notch is 120 eighths of a degree; finer wheels add up to whole ones.
  wheelRest_ += e->angleDelta();
  const bool sideways = wheelRest_.y() == 0 && wheelRest_.x() != 0;
  const int rest = sideways ? wheelRest_.x() : wheelRest_.y();
  const int notches = rest / 120;
  e->accept();
  if (notches == 0) return;
  wheelRest_ = QPoint();
  emit wheelTurned(notches, shiftCode(e->modifiers()), sideways);
}

}  // namespace kv
