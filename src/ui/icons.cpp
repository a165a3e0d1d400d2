#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

namespace kv {

namespace {

constexpr int kSize = 24;

QPen pen(const QColor& c, double w = 1.6) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void page(QPainter& p) {
  QPolygonF sheet({{6, 3}, {15, 3}, {19, 7}, {19, 21}, {6, 21}});
  p.setPen(pen(QColor(60, 60, 60), 1.2));
  p.setBrush(Qt::white);
  p.drawPolygon(sheet);
  p.drawPolyline(QPolygonF({{15, 3}, {15, 7}, {19, 7}}));
}

void arrowHead(QPainter& p, QPointF tip, QPointF from) {
  QLineF l(tip, from);
  l.setLength(4);
  QLineF a = l, b = l;
  a.setAngle(l.angle() + 35);
  b.setAngle(l.angle() - 35);
  p.drawLine(a);
  p.drawLine(b);
}

const QColor kInk(30, 60, 140), kWall(0, 150, 60), kRed(190, 40, 40), kGrey(60, 60, 60);

// --- file buttons ------------------------------------------------------------

void drawNew(QPainter& p) {
  page(p);
  p.setPen(pen(QColor(230, 160, 0), 1.4));
  p.drawLine(QPointF(17, 13), QPointF(22, 18));
  p.drawLine(QPointF(22, 13), QPointF(17, 18));
}

void drawOpen(QPainter& p) {
  p.setPen(pen(QColor(120, 90, 20), 1.2));
  p.setBrush(QColor(240, 200, 90));
  p.drawPolygon(QPolygonF({{2, 7}, {9, 7}, {11, 9}, {20, 9}, {20, 20}, {2, 20}}));
  p.setBrush(QColor(250, 220, 120));
  p.drawPolygon(QPolygonF({{5, 12}, {23, 12}, {20, 20}, {2, 20}}));
}

void drawSave(QPainter& p) {
  p.setPen(pen(QColor(30, 40, 90), 1.2));
  p.setBrush(QColor(70, 100, 180));
  p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 3, 10, 7));
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(7, 14, 10, 7));
}

// --- the edit modes ------------------------------------------------------------

void drawSelect(QPainter& p) {
  p.setPen(pen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({{6, 3}, {6, 19}, {10, 15}, {13, 21}, {15, 20}, {12, 14}, {18, 14}}));
}

void drawMove(QPainter& p) {
  p.setPen(pen(kInk, 1.8));
  p.drawLine(QPointF(12, 3), QPointF(12, 21));
  p.drawLine(QPointF(3, 12), QPointF(21, 12));
  for (QPointF t : {QPointF(12, 3), QPointF(12, 21), QPointF(3, 12), QPointF(21, 12)}) arrowHead(p, t, {12, 12});
}

void drawScale(QPainter& p) {
  p.setPen(pen(kInk, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(3, 11, 9, 9));
  p.setPen(QPen(kInk, 1.2, Qt::DashLine));
  p.drawRect(QRectF(3, 3, 18, 17));
  p.setPen(pen(kRed, 1.8));
  p.drawLine(QPointF(10, 14), QPointF(19, 5));
  arrowHead(p, {19, 5}, {10, 14});
}

void drawRotate(QPainter& p) {
  p.setPen(pen(kInk, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(4, 4, 16, 16), 90 * 16, 270 * 16);
  arrowHead(p, {12, 4}, {7, 5});
}

void drawShear(QPainter& p) {
  p.setPen(pen(kInk, 1.4));
  p.setBrush(QColor(200, 215, 240));
  p.drawPolygon(QPolygonF({{8, 5}, {21, 5}, {16, 19}, {3, 19}}));
}

// --- clipboard and paint ---------------------------------------------------------

void drawCut(QPainter& p) {
  p.setPen(pen(kGrey, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(4, 15, 6, 6));
  p.drawEllipse(QRectF(14, 15, 6, 6));
  p.drawLine(QPointF(8, 15), QPointF(16, 3));
  p.drawLine(QPointF(16, 15), QPointF(8, 3));
}

void drawCopy(QPainter& p) {
  p.translate(-2, -1);
  page(p);
  p.translate(4, 3);
  page(p);
}

void drawPaste(QPainter& p) {
  p.setPen(pen(QColor(110, 70, 20), 1.2));
  p.setBrush(QColor(190, 140, 70));
  p.drawRoundedRect(QRectF(4, 4, 15, 18), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 8, 12, 13));
  p.setBrush(QColor(120, 120, 120));
  p.drawRect(QRectF(8, 2, 7, 4));
}

void drawPaint(QPainter& p) {
  p.setPen(pen(kGrey, 1.2));
  p.setBrush(QColor(150, 110, 60));
  p.drawRect(QRectF(10, 12, 4, 10));
  p.setBrush(QColor(200, 50, 160));
  p.drawRoundedRect(QRectF(5, 2, 14, 10), 2, 2);
}

// --- the windows -------------------------------------------------------------------

void drawProps(QPainter& p) {
  p.setPen(pen(kGrey, 1.0));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 3, 18, 18));
  for (int y = 8; y <= 18; y += 5) p.drawLine(QPointF(3, y), QPointF(21, y));
  p.drawLine(QPointF(11, 3), QPointF(11, 21));
}

void drawObjects(QPainter& p) {
  p.setPen(pen(kGrey, 1.2));
  p.drawLine(QPointF(6, 5), QPointF(6, 19));
  p.drawLine(QPointF(6, 12), QPointF(12, 12));
  p.drawLine(QPointF(6, 19), QPointF(12, 19));
  p.setBrush(kWall);
  for (QPointF c : {QPointF(6, 5), QPointF(14, 12), QPointF(14, 19)}) p.drawRect(QRectF(c.x() - 3, c.y() - 3, 6, 6));
}

void drawProject(QPainter& p) {
  p.setPen(pen(kWall, 1.6));
  p.setBrush(QColor(220, 240, 220));
  p.drawPolygon(QPolygonF({{12, 3}, {20, 8}, {20, 17}, {12, 21}, {4, 17}, {4, 8}}));
  p.setPen(pen(QColor(230, 160, 0), 1.6));
  p.drawLine(QPointF(12, 8), QPointF(12, 16));
  p.drawLine(QPointF(8, 12), QPointF(16, 12));
}

void drawRender(QPainter& p) {
  p.setPen(pen(QColor(40, 40, 40), 1.2));
  p.setBrush(QColor(60, 80, 120));
  p.drawRect(QRectF(2, 4, 20, 16));
  p.setBrush(QColor(120, 160, 220));
  p.drawPolygon(QPolygonF({{2, 4}, {8, 9}, {8, 15}, {2, 20}}));
  p.drawPolygon(QPolygonF({{22, 4}, {16, 9}, {16, 15}, {22, 20}}));
  p.setBrush(QColor(90, 70, 50));
  p.drawPolygon(QPolygonF({{8, 15}, {16, 15}, {22, 20}, {2, 20}}));
}

// Each image key with its picture; an unknown key gives an empty image.
void draw(QPainter& p, const QString& key) {
  static const struct {
    const char* key;
    void (*paint)(QPainter&);
  } pictures[] = {{"new", drawNew},     {"open", drawOpen},       {"save", drawSave},       {"select", drawSelect},
                  {"move", drawMove},   {"scale", drawScale},     {"rotate", drawRotate},   {"shear", drawShear},
                  {"cut", drawCut},     {"copy", drawCopy},       {"paste", drawPaste},     {"paint", drawPaint},
                  {"props", drawProps}, {"objects", drawObjects}, {"project", drawProject}, {"render", drawRender}};
  for (const auto& picture : pictures)
    if (key == QLatin1String(picture.key)) {
      picture.paint(p);
      return;
    }
}

}  // namespace

QIcon toolIcon(const QString& imageKey) {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, imageKey);
  p.end();
  return QIcon(pm);
}

QIcon treeIcon(int image) {
  // Odd images are the branches (a folder per kind), even ones the items.
  static const QColor kinds[] = {QColor(0, 150, 60), QColor(40, 90, 200), QColor(0, 170, 190), QColor(170, 90, 20)};
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor c = kinds[std::clamp((image - 1) / 2, 0, 3)];
  p.setPen(QPen(c.darker(150), 1));
  p.setBrush(c);
  if (image % 2)
    p.drawRoundedRect(QRectF(1.5, 3.5, 13, 10), 2, 2);
  else
    p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
  p.end();
  return QIcon(pm);
}

QPixmap logoPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 100.0, size / 100.0);
  // A room in plan view: walls with their facing ticks and the insertion cross.
  p.setPen(QPen(QColor(0, 170, 70), 5));
  QPolygonF room({{15, 15}, {85, 15}, {85, 85}, {15, 85}});
  p.drawPolygon(room);
  p.setPen(QPen(QColor(0, 0, 230), 3));
  p.drawLine(QPointF(50, 15), QPointF(50, 25));
  p.drawLine(QPointF(85, 50), QPointF(75, 50));
  p.drawLine(QPointF(50, 85), QPointF(50, 75));
  p.drawLine(QPointF(15, 50), QPointF(25, 50));
  p.setPen(QPen(QColor(220, 0, 220), 4));
  p.drawLine(QPointF(42, 42), QPointF(58, 58));
  p.drawLine(QPointF(42, 58), QPointF(58, 42));
  return pm;
}

}  // namespace kv
