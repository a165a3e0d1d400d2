#include "ui/wizarddialogs.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kv {

namespace {
QLabel* titleLabel(const char* caption, QWidget* parent) {
  auto* title = new QLabel(caption, parent);
  title->setObjectName("lblTitle");
  QFont f("Arial");
  f.setBold(true);
  f.setPointSize(14);
  title->setFont(f);
  return title;
}
}  // namespace

WizardDialog::WizardDialog(const char* name, const char* caption, QWidget* parent, bool titled) : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  if (titled) outer->addWidget(titleLabel(caption, this));
  form_ = new QFormLayout;
  outer->addLayout(form_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdOK = new QPushButton("&Finish", this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton("&Cancel", this);
  cmdCancel->setObjectName("cmdCancel");
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  outer->addLayout(buttons);
  connect(cmdOK, &QPushButton::clicked, this, [this] {
    toForm();
    const bool close = !finish || finish();
    fromForm();
    if (close) accept();
  });
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool WizardDialog::run() {
  if (activate) activate();
  fromForm();
  // The buttons are made before the fields, so the tab order is set here;
  // each opening starts on the first field, not on the button last used.
  QWidget* previous = nullptr;
  for (QWidget* w : inputs_) {
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  if (previous) setTabOrder(previous, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  if (!inputs_.empty()) {
    QWidget* first = inputs_.front();
    // Of option buttons at the top, the one that is chosen.
    for (QWidget* w : inputs_) {
      auto* o = qobject_cast<QRadioButton*>(w);
      if (!o) break;
      if (o->isChecked()) {
        first = o;
        break;
      }
    }
    first->setFocus(Qt::TabFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(first)) e->selectAll();
  }
  return exec() == QDialog::Accepted;
}

QLineEdit* WizardDialog::field(const char* name, const char* label, std::string* text, QFormLayout* into) {
  auto* e = new QLineEdit(this);
  e->setObjectName(name);
  (into ? into : form_)->addRow(label, e);
  bindings_.push_back({e, nullptr, nullptr, text, nullptr});
  inputs_.push_back(e);
  return e;
}

void WizardDialog::pair(const char* nameX, const char* nameY, const char* label, std::string* x, std::string* y) {
  auto* row = new QHBoxLayout;
  for (auto [name, text] : {std::pair{nameX, x}, std::pair{nameY, y}}) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    row->addWidget(e);
    bindings_.push_back({e, nullptr, nullptr, text, nullptr});
    inputs_.push_back(e);
  }
  form_->addRow(label, row);
}

QFormLayout* WizardDialog::group(const char* caption) {
  auto* g = new QGroupBox(caption, this);
  auto* l = new QFormLayout(g);
  form_->addRow(g);
  return l;
}

QCheckBox* WizardDialog::check(const char* name, const char* caption, bool* flag) {
  auto* c = new QCheckBox(caption, this);
  c->setObjectName(name);
  form_->addRow(c);
  bindings_.push_back({nullptr, c, nullptr, nullptr, flag});
  inputs_.push_back(c);
  return c;
}

QLabel* WizardDialog::info(const char* name, const char* label, std::string* text, QFormLayout* into) {
  auto* l = new QLabel(this);
  l->setObjectName(name);
  (into ? into : form_)->addRow(label, l);
  bindings_.push_back({nullptr, nullptr, l, text, nullptr});
  return l;
}

void WizardDialog::addWidget(QWidget* w) {
  form_->addRow(w);
  if (w->focusPolicy() & Qt::TabFocus) inputs_.push_back(w);
}

void WizardDialog::toForm() {
  for (Binding& b : bindings_) {
    if (b.edit) *b.text = b.edit->text().toStdString();
    if (b.box) *b.flag = b.box->isChecked();
  }
}

void WizardDialog::fromForm() {
  for (Binding& b : bindings_) {
    if (b.edit) b.edit->setText(QString::fromStdString(*b.text));
    if (b.label) b.label->setText(QString::fromStdString(*b.text));
    if (b.box) b.box->setChecked(*b.flag);
  }
}

frmRoomWizard::frmRoomWizard(RoomWizardForm& form, QWidget* parent)
    : WizardDialog("frmRoomWizard", RoomWizardForm::kCaption, parent) {
  List1 = new QListWidget(this);
  List1->setObjectName("List1");
  for (const char* t : RoomWizardForm::kRoomTypes) List1->addItem(t);
  List1->setFixedHeight(List1->sizeHintForRow(0) * 2 + 6);
  List1->setCurrentRow(form.roomType);
  addWidget(new QLabel("Room Type:", this));
  addWidget(List1);
  field("txtNumSides", "Num Sides", &form.numSidesText);
  field("txtSideLen", "Side length:", &form.sideLenText);
  pair("txtStartX", "txtStartY", "Begin (x,y):", &form.startXText, &form.startYText);
  field("txtNumPillars", "# pillars", &form.numPillarsText);
  field("txtNumPillarSides", "# of pillar sides", &form.numPillarSidesText);
  field("txtNumColumns", "# columns", &form.numColumnsText);
  field("txtCeilingHeight", "Ceiling height:", &form.ceilingHeightText);
  check("chkNewMap", "New Map", &form.clearMap);
  connect(List1, &QListWidget::currentRowChanged, this, [&form](int r) { form.roomType = r; });
}

frmColWizard::frmColWizard(ColWizardForm& form, QWidget* parent)
    : WizardDialog("frmColWizard", ColWizardForm::kCaption, parent) {
  field("txtNumSides", "Num Sides", &form.numSidesText);
  field("txtSideLen", "Side length:", &form.sideLenText);
  pair("txtStartX", "txtStartY", "Begin (x,y):", &form.startXText, &form.startYText);
}

frmStairWizard::frmStairWizard(StairWizardForm& form, QWidget* parent)
    : WizardDialog("frmStairWizard", StairWizardForm::kCaption, parent) {
  field("txtNumStairs", "# stairs", &form.numStairsText);
  field("txtStairWidth", "Stair width", &form.stairWidthText);
  field("txtHeightInc", "Height increment", &form.heightIncText);
  field("txtStartX", "StartX:", &form.startXText);
  field("txtStartY", "StartY:", &form.startYText);
}

frmSplitWall::frmSplitWall(SplitWallForm& form, QWidget* parent)
    : WizardDialog("frmSplitWall", SplitWallForm::kCaption, parent, false) {
  addWidget(new QLabel("Split Type:", this));
  optSplit = new QRadioButton("Double split (two lines)", this);
  optSplit->setObjectName("optSplit");
  optTriple = new QRadioButton("Triple split (three lines)", this);
  addWidget(optSplit);
  addWidget(optTriple);
  auto sync = [this, &form] {
    optSplit->setChecked(form.doubleSplit);
    optTriple->setChecked(!form.doubleSplit);
  };
  sync();
  connect(optSplit, &QRadioButton::toggled, this, [&form](bool on) { form.doubleSplit = on; });
  activate = sync;
}

frmPassageWizard::frmPassageWizard(PassageWizardForm& form, QWidget* parent)
    : WizardDialog("frmPassageWizard", PassageWizardForm::kCaption, parent) {
  field("txtStartHeight", "Passage start height:", &form.startHeightText);
  field("txtHeight", "Passage height:", &form.heightText);
  QFormLayout* wall = group("Current wall information");
  info("lblWallHeight", "Wall height:", &form.wallHeightLabel, wall);
  info("lblStartHeight", "Start height:", &form.startHeightLabel, wall);
  info("lblEndHeight", "End height:", &form.endHeightLabel, wall);
  check("chkSplitWall", "Triple split current wall", &form.tripleSplit);
}

frmShapeWizard::frmShapeWizard(ShapeWizardForm& form, clsMap& map, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      form_(form),
      map_(map),
      dialogs_(dialogs),
      surface_((pctPreview = new PictureBox(this))->surface(), kShapePreviewScale) {
  setObjectName("frmShapeWizard");
  setWindowTitle(ShapeWizardForm::kCaption);
  setModal(true);
  form_.beep = [] { QApplication::beep(); };
  pctPreview->setObjectName("pctPreview");
  pctPreview->setCursor(Qt::ArrowCursor);
  pctPreview->setFocusPolicy(Qt::NoFocus);  // only a picture here
  pctPreview->setFixedSize(300, 300);
  pctPreview->surface().resize(300, 300);
  cmbShapes = new QComboBox(this);
  cmbShapes->setObjectName("cmbShapes");
  cmbShapes->setEditable(false);
  cmdPreview = new QPushButton("Preview", this);
  cmdPreview->setObjectName("cmdPreview");
  cmdPreview->setAutoDefault(false);
  cmdCreate = new QPushButton("Create", this);
  cmdCreate->setObjectName("cmdCreate");
  cmdCreate->setAutoDefault(false);
  auto* outer = new QHBoxLayout(this);
  auto* side = new QVBoxLayout;
  side->addWidget(cmbShapes);
  side->addStretch();
  side->addWidget(cmdPreview);
  side->addWidget(cmdCreate);
  outer->addLayout(side);
  outer->addWidget(pctPreview);
  connect(cmbShapes, &QComboBox::currentIndexChanged, this, [this](int i) { form_.listIndex = i; });
  connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });
  connect(cmdCreate, &QPushButton::clicked, this, [this] { cmdCreate_Click(); });
  drawShapePreview(surface_, nullptr);
}

bool frmShapeWizard::run(const std::string& programFolder) {
  form_.load(programFolder);  // lists the files on first use only
  if (cmbShapes->count() != static_cast<int>(form_.shapeFiles.size())) {
    const QSignalBlocker quiet(cmbShapes);
    cmbShapes->clear();
    for (const std::string& n : form_.shapeFiles) cmbShapes->addItem(QString::fromStdString(n));
  }
  cmbShapes->setCurrentIndex(form_.listIndex);
  const bool none = form_.shapeFiles.empty();
  cmdPreview->setEnabled(!none);
  cmdCreate->setEnabled(!none);
  cmbShapes->setFocus(Qt::TabFocusReason);
  return exec() == QDialog::Accepted;
}

void frmShapeWizard::cmdPreview_Click() {
  form_.showPreview(map_, dialogs_, surface_);
  pctPreview->update();
}

void frmShapeWizard::cmdCreate_Click() {
  const bool done = form_.create(map_, dialogs_, surface_);
  pctPreview->update();
  if (done) accept();
}

}  // namespace kv
