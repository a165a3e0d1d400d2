#include "ui/frmwallpanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kv {

frmProps::frmProps(SideDefTable& sideDefs, Dialogs& dialogs, std::function<void()> redraw, QWidget* parent)
    : QWidget(parent, Qt::Window), panel(sideDefs, dialogs), redraw_(std::move(redraw)) {
  setObjectName("frmProps");
  setWindowTitle("Properties");
  auto* outer = new QVBoxLayout(this);

  // The two end points with their insertion-point buttons, and the length.
  auto* points = new QGridLayout;
  auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  using B = SideDefPanel::Box;
  txtX1 = box("txtX1", B::kX1), txtY1 = box("txtY1", B::kY1);
  txtX2 = box("txtX2", B::kX2), txtY2 = box("txtY2", B::kY2);
  txtmyLen = box("txtmyLen", B::kLength);
  cmdIP1 = button("cmdIP1", "Set to insertion point"), toIP1 = button("toIP1", "> IP");
  IP2 = button("IP2", "Set to insertion point"), toIP2 = button("toIP2", "> IP");
  points->addWidget(new QLabel("(x1,y1):", this), 0, 0);
  points->addWidget(txtX1, 0, 1);
  points->addWidget(txtY1, 0, 2);
  points->addWidget(cmdIP1, 0, 3);
  points->addWidget(toIP1, 0, 4);
  points->addWidget(new QLabel("(x2,y2):", this), 1, 0);
  points->addWidget(txtX2, 1, 1);
  points->addWidget(txtY2, 1, 2);
  points->addWidget(IP2, 1, 3);
  points->addWidget(toIP2, 1, 4);
  points->addWidget(new QLabel("Length", this), 2, 0);
  points->addWidget(txtmyLen, 2, 1);
  outer->addLayout(points);

  auto frame = [this](const char* caption, std::initializer_list<std::pair<const char*, QLineEdit*>> rows) {
    auto* g = new QGroupBox(caption, this);
    auto* l = new QGridLayout(g);
    int r = 0;
    for (auto& [label, edit] : rows) {
      l->addWidget(new QLabel(label, g), r, 0);
      l->addWidget(edit, r++, 1);
    }
    return g;
  };
  txtWt = box("txtWt", B::kWallTx), txtFft = box("txtFft", B::kFrontFloorTx), txtFct = box("txtFct", B::kFrontCeilTx);
  txtBft = box("txtBft", B::kBackFloorTx), txtBct = box("txtBct", B::kBackCeilTx);
  txtH1 = box("txtH1", B::kH1), txtH2 = box("txtH2", B::kH2), txtH3 = box("txtH3", B::kH3),
  txtH4 = box("txtH4", B::kH4);
  auto* frames = new QHBoxLayout;
  frames->addWidget(frame("Wall Textures", {{"Wall", txtWt},
                                            {"Front Floor:", txtFft},
                                            {"Front Ceiling:", txtFct},
                                            {"Back Floor:", txtBft},
                                            {"Back Ceiling:", txtBct}}));
  frames->addWidget(frame(
      "Wall heights",
      {{"Floor (h1):", txtH1}, {"End floor (h2):", txtH2}, {"Begin ceiling(h3):", txtH3}, {"Ceiling (h4):", txtH4}}));
  outer->addLayout(frames);

  // The flags are shown for the record's texture type but nothing reads them.
  auto* flags = new QGroupBox("Flags", this);
  auto* fl = new QHBoxLayout(flags);
  QCheckBox** checks[] = {&Check1, &Check2, &Check3, &Check4};
  const char* captions[] = {"Horiz Anim", "Vert Anim", "Multi-texture", "Texture Anim"};
  for (int k = 0; k < 4; ++k) {
    *checks[k] = new QCheckBox(captions[k], flags);
    (*checks[k])->setObjectName(QString("Check%1").arg(k + 1));
    fl->addWidget(*checks[k]);
  }
  outer->addWidget(flags);

  cmdSet = button("cmdSet", "Set Properties");
  outer->addWidget(cmdSet, 0, Qt::AlignRight);

  connect(cmdSet, &QPushButton::clicked, this, [this] { cmdSet_Click(); });
  connect(cmdIP1, &QPushButton::clicked, this, [this] { cmdIP1_Click(); });
  connect(IP2, &QPushButton::clicked, this, [this] { IP2_Click(); });
  connect(toIP1, &QPushButton::clicked, this, [this] { toIP1_Click(); });
  connect(toIP2, &QPushButton::clicked, this, [this] { toIP2_Click(); });
  adjustSize();
}

QLineEdit* frmProps::box(const char* name, SideDefPanel::Box b) {
  auto* e = new QLineEdit(QString::fromStdString(panel.text[b]), this);
  e->setObjectName(name);
  e->setMaximumWidth(90);
  boxes_[b] = e;
  return e;
}

void frmProps::toPanel() {
  for (int b = 0; b < SideDefPanel::kBoxCount; ++b) panel.text[b] = boxes_[b]->text().toStdString();
}

void frmProps::fromPanel() {
  for (int b = 0; b < SideDefPanel::kBoxCount; ++b) boxes_[b]->setText(QString::fromStdString(panel.text[b]));
}

void frmProps::cmdSet_Click() {
  toPanel();
  if (panel.setProperties() && redraw_) redraw_();
}

void frmProps::cmdIP1_Click() {
  toPanel();
  panel.pointFromInsertion(1);
  fromPanel();
}

void frmProps::IP2_Click() {
  toPanel();
  panel.pointFromInsertion(2);
  fromPanel();
}

void frmProps::toIP1_Click() {
  toPanel();
  if (panel.insertionFromPoint(1) && redraw_) redraw_();
}

void frmProps::toIP2_Click() {
  toPanel();
  if (panel.insertionFromPoint(2) && redraw_) redraw_();
}

}  // namespace kv
