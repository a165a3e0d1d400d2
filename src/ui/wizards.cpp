#include "ui/wizards.h"
#ifdef KV_HAVE_WIZARD_FORMS

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kv {

WizardDialog::WizardDialog(const char* name, const char* caption, QWidget* parent) : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* title = new QLabel(caption, this);
  QFont f("Arial");
  f.setBold(true);
  f.setPointSize(14);
  title->setFont(f);
  outer->addWidget(title);
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
  return exec() == QDialog::Accepted;
}

QLineEdit* WizardDialog::field(const char* name, const char* label, std::string* text) {
  auto* e = new QLineEdit(this);
  e->setObjectName(name);
  form_->addRow(label, e);
  bindings_.push_back({e, nullptr, nullptr, text, nullptr});
  return e;
}

QCheckBox* WizardDialog::check(const char* name, const char* caption, bool* flag) {
  auto* c = new QCheckBox(caption, this);
  c->setObjectName(name);
  form_->addRow(c);
  bindings_.push_back({nullptr, c, nullptr, nullptr, flag});
  return c;
}

QLabel* WizardDialog::info(const char* name, const char* label, std::string* text) {
  auto* l = new QLabel(this);
  l->setObjectName(name);
  form_->addRow(label, l);
  bindings_.push_back({nullptr, nullptr, l, text, nullptr});
  return l;
}

void WizardDialog::addWidget(QWidget* w) { form_->addRow(w); }

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
  List1->setCurrentRow(form.List1);
  addWidget(new QLabel("Room Type:", this));
  addWidget(List1);
  field("txtNumSides", "Num Sides", &form.txtNumSides);
  field("txtSideLen", "Side length:", &form.txtSideLen);
  auto* x = field("txtStartX", "Begin (x,y):", &form.txtStartX);
  field("txtStartY", "", &form.txtStartY);
  x->setToolTip("x");
  field("txtNumPillars", "# pillars", &form.txtNumPillars);
  field("txtNumPillarSides", "# of pillar sides", &form.txtNumPillarSides);
  field("txtNumColumns", "# columns", &form.txtNumColumns);
  field("txtCeilingHeight", "Ceiling height:", &form.txtCeilingHeight);
  check("chkNewMap", "New Map", &form.chkNewMap);
  connect(List1, &QListWidget::currentRowChanged, this, [&form](int r) { form.List1 = r; });
}

frmColWizard::frmColWizard(ColWizardForm& form, QWidget* parent)
    : WizardDialog("frmColWizard", ColWizardForm::kCaption, parent) {
  field("txtNumSides", "Num Sides", &form.txtNumSides);
  field("txtSideLen", "Side length:", &form.txtSideLen);
  field("txtStartX", "Begin (x,y):", &form.txtStartX);
  field("txtStartY", "", &form.txtStartY);
}

frmStairWizard::frmStairWizard(StairWizardForm& form, QWidget* parent)
    : WizardDialog("frmStairWizard", StairWizardForm::kCaption, parent) {
  field("txtNumStairs", "# stairs", &form.txtNumStairs);
  field("txtStairWidth", "Stair width", &form.txtStairWidth);
  field("txtHeightInc", "Height increment", &form.txtHeightInc);
  field("txtStartX", "StartX:", &form.txtStartX);
  field("txtStartY", "StartY:", &form.txtStartY);
}

frmSplitWall::frmSplitWall(SplitWallForm& form, QWidget* parent)
    : WizardDialog("frmSplitWall", SplitWallForm::kCaption, parent) {
  addWidget(new QLabel("Split Type:", this));
  optSplit = new QRadioButton("Double split (two lines)", this);
  optSplit->setObjectName("optSplit");
  optTriple = new QRadioButton("Triple split (three lines)", this);
  addWidget(optSplit);
  addWidget(optTriple);
  auto sync = [this, &form] {
    optSplit->setChecked(form.optDouble);
    optTriple->setChecked(!form.optDouble);
  };
  sync();
  connect(optSplit, &QRadioButton::toggled, this, [&form](bool on) { form.optDouble = on; });
  activate = sync;
}

frmPassageWizard::frmPassageWizard(PassageWizardForm& form, QWidget* parent)
    : WizardDialog("frmPassageWizard", PassageWizardForm::kCaption, parent) {
  field("txtStartHeight", "Passage start height:", &form.txtStartHeight);
  field("txtHeight", "Passage height:", &form.txtHeight);
  addWidget(new QLabel("<b>Current wall information</b>", this));
  info("lblWallHeight", "Wall height:", &form.lblWallHeight);
  info("lblStartHeight", "Start height:", &form.lblStartHeight);
  info("lblEndHeight", "End height:", &form.lblEndHeight);
  check("chkSplitWall", "Triple split current wall", &form.chkSplitWall);
}

}  // namespace kv

#endif  // KV_HAVE_WIZARD_FORMS
