// The wizards' dialogs: thin forms over the wizards' form logic, which holds
// the fields and does the work. Each dialog is kept between uses.
#pragma once
// The wizards' form logic may be missing from a checkout of the core; the
// editor then offers the wizards' commands as "Not Yet Available".
#if __has_include("wizards/forms.h")
#define KV_HAVE_WIZARD_FORMS 1
#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <string>
#include <vector>

#include "wizards/forms.h"

namespace kv {

// (No Q_OBJECT: these classes have no signals or slots of their own.)
// A modal dialog of labelled text boxes, check boxes and Finish/Cancel, each
// control tied to a text or flag of its form.
class WizardDialog : public QDialog {
 public:
  WizardDialog(const char* name, const char* caption, QWidget* parent);

  QPushButton* cmdOK;
  QPushButton* cmdCancel;
  // Finish: true closes the dialog.
  std::function<bool()> finish;
  // Activation: the form refreshes its fields before they are shown.
  std::function<void()> activate;

  // Runs the dialog once; true when Finish closed it.
  bool run();

 protected:
  QLineEdit* field(const char* name, const char* label, std::string* text);
  QCheckBox* check(const char* name, const char* caption, bool* flag);
  QLabel* info(const char* name, const char* label, std::string* text);
  void addWidget(QWidget* w);
  void toForm();
  void fromForm();

 private:
  struct Binding {
    QLineEdit* edit = nullptr;
    QCheckBox* box = nullptr;
    QLabel* label = nullptr;
    std::string* text = nullptr;
    bool* flag = nullptr;
  };
  std::vector<Binding> bindings_;
  QFormLayout* form_;
};

class frmRoomWizard : public WizardDialog {
 public:
  frmRoomWizard(RoomWizardForm& form, QWidget* parent);
  QListWidget* List1;
};

class frmColWizard : public WizardDialog {
 public:
  frmColWizard(ColWizardForm& form, QWidget* parent);
};

class frmStairWizard : public WizardDialog {
 public:
  frmStairWizard(StairWizardForm& form, QWidget* parent);
};

class frmSplitWall : public WizardDialog {
 public:
  frmSplitWall(SplitWallForm& form, QWidget* parent);
  QRadioButton* optSplit;
  QRadioButton* optTriple;
};

class frmPassageWizard : public WizardDialog {
 public:
  frmPassageWizard(PassageWizardForm& form, QWidget* parent);
};

}  // namespace kv

#endif  // wizards/forms.h
