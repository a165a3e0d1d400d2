#include "ui/frmwallpanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cctype>
#include <cstdlib>
#include <string>

namespace kv {

std::optional<Long> decimalLong(std::string_view t) {
  size_t i = 0, n = t.size();
  auto blank = [&](size_t k) { return k < n && (t[k] == ' ' || t[k] == '\t'); };
  auto digit = [&](size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(t[k])); };
  while (blank(i)) ++i;
  const size_t start = i;
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (digit(i)) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    size_t k = i + 1;
    if (k < n && (t[k] == '+' || t[k] == '-')) ++k;
    if (!digit(k)) return std::nullopt;
    while (digit(k)) ++k;
    i = k;
  }
  const size_t end = i;
  while (blank(i)) ++i;
  if (i != n) return std::nullopt;
  // The checked text is plain C-locale decimal, so strtod reads all of it.
  const std::string s(t.substr(start, end - start));
  return toLongChecked(std::strtod(s.c_str(), nullptr));
}

frmProps::frmProps(SideDefTable& sideDefs, Dialogs& dialogs, std::function<void()> redraw, QWidget* parent)
    : QWidget(parent, Qt::Window), sideDefs_(sideDefs), dialogs_(dialogs), redraw_(std::move(redraw)) {
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
  txtX1 = box("txtX1", "0"), txtY1 = box("txtY1", "0");
  txtX2 = box("txtX2", "100"), txtY2 = box("txtY2", "0");
  txtmyLen = box("txtmyLen", "100");
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
  txtWt = box("txtWt", "1"), txtFft = box("txtFft", "1"), txtFct = box("txtFct", "1");
  txtBft = box("txtBft", "1"), txtBct = box("txtBct", "1");
  txtH1 = box("txtH1", "8"), txtH2 = box("txtH2", "16"), txtH3 = box("txtH3", "64"), txtH4 = box("txtH4", "128");
  auto* frames = new QHBoxLayout;
  frames->addWidget(frame("Wall Textures", {{"Wall", txtWt},
                                            {"Front Floor:", txtFft},
                                            {"Front Ceiling:", txtFct},
                                            {"Back Floor:", txtBft},
                                            {"Back Ceiling:", txtBct}}));
  frames->addWidget(frame("Wall heights", {{"Floor (h1):", txtH1},
                                           {"End floor (h2):", txtH2},
                                           {"Begin ceiling(h3):", txtH3},
                                           {"Ceiling (h4):", txtH4}}));
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

QLineEdit* frmProps::box(const char* name, const char* text) {
  auto* e = new QLineEdit(text, this);
  e->setObjectName(name);
  e->setMaximumWidth(90);
  return e;
}

std::optional<Long> frmProps::read(QLineEdit* b, const char* caption) {
  const std::string text = b->text().toStdString();
  std::optional<Long> v = decimalLong(text);
  if (!v)
    dialogs_.msgBox(std::string("\"") + caption + "\" holds \"" + text +
                        "\", which is not a decimal number from -2147483648 to 2147483647. Nothing was changed.",
                    "Properties", MsgIcon::Critical);
  return v;
}

bool frmProps::updateSideDef(Long index) {
  if (index < 0) return false;
  if (index >= kSideDefSlots) {
    dialogs_.msgBox("Side-def record " + std::to_string(index) + " is outside the table (0 to 2000).", "Properties",
                    MsgIcon::Critical);
    return false;
  }
  SideDef next = sideDefs_.rec[index];
  // "Back Floor:" and "Back Ceiling:" stand for each other's field.
  const std::pair<QLineEdit*, Long*> fields[] = {
      {txtX1, &next.x1},          {txtY1, &next.y1},           {txtX2, &next.x2},          {txtY2, &next.y2},
      {txtmyLen, &next.myLen},    {txtWt, &next.wallTx},       {txtFft, &next.frontFloorTx},
      {txtFct, &next.frontCeilTx}, {txtBft, &next.backCeilTx}, {txtBct, &next.backFloorTx},
      {txtH1, &next.h1},          {txtH2, &next.h2},           {txtH3, &next.h3},          {txtH4, &next.h4}};
  const char* captions[] = {"(x1,y1): x", "(x1,y1): y", "(x2,y2): x",     "(x2,y2): y",  "Length",
                            "Wall",       "Front Floor:", "Front Ceiling:", "Back Floor:", "Back Ceiling:",
                            "Floor (h1):", "End floor (h2):", "Begin ceiling(h3):", "Ceiling (h4):"};
  for (size_t k = 0; k < std::size(fields); ++k) {
    const std::optional<Long> v = read(fields[k].first, captions[k]);
    if (!v) return false;
    *fields[k].second = *v;
  }
  sideDefs_.rec[index] = next;
  return true;
}

void frmProps::cmdSet_Click() {
  if (updateSideDef(panelSideDef) && redraw_) redraw_();
}

void frmProps::cmdIP1_Click() {
  txtX1->setText(QString::number(panelInsertX));
  txtY1->setText(QString::number(panelInsertY));
}

void frmProps::IP2_Click() {
  txtX2->setText(QString::number(panelInsertX));
  txtY2->setText(QString::number(panelInsertY));
}

void frmProps::toIP(QLineEdit* x, QLineEdit* y, const char* caption) {
  const std::string cx = std::string(caption) + " x", cy = std::string(caption) + " y";
  const std::optional<Long> vx = read(x, cx.c_str());
  if (!vx) return;
  const std::optional<Long> vy = read(y, cy.c_str());
  if (!vy) return;
  panelInsertX = *vx, panelInsertY = *vy;
  if (redraw_) redraw_();
}

void frmProps::toIP1_Click() { toIP(txtX1, txtY1, "(x1,y1):"); }
void frmProps::toIP2_Click() { toIP(txtX2, txtY2, "(x2,y2):"); }

}  // namespace kv
