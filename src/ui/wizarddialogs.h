// The wizards' dialogs: thin forms over the wizards' form logic, which holds
// the fields and does the work. Each dialog is kept between uses.
#pragma once
#include <QCheckBox>
#include <QComboBox>
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

#include "ui/picture.h"
#include "wizards/shape.h"
#include "wizards/wizardforms.h"

namespace kv {

// (No Q_OBJECT: these classes have no signals or slots of their own.)
// A modal dialog of labelled text boxes, check boxes and Finish/Cancel, each
// control tied to a text or flag of its form.
class WizardDialog : public QDialog {
 public:
  // `titled`: the dialog shows its caption as a bold Arial title label.
  WizardDialog(const char* name, const char* caption, QWidget* parent, bool titled = true);

  QPushButton* cmdOK;
  QPushButton* cmdCancel;
  // Finish: true closes the dialog.
  std::function<bool()> finish;
  // Activation: the form refreshes its fields before they are shown.
  std::function<void()> activate;

  // Runs the dialog once, with the keyboard on its first field; true when
  // Finish closed it.
  bool run();

 protected:
  // Controls tied to the form's texts and flags, added to `into` (the
  // dialog's own rows when null).
  QLineEdit* field(const char* name, const char* label, std::string* text, QFormLayout* into = nullptr);
  // Two text boxes on one row under one label, as "Begin (x,y):".
  void pair(const char* nameX, const char* nameY, const char* label, std::string* x, std::string* y);
  QCheckBox* check(const char* name, const char* caption, bool* flag);
  QLabel* info(const char* name, const char* label, std::string* text, QFormLayout* into = nullptr);
  // A framed group of rows under a caption.
  QFormLayout* group(const char* caption);
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
  // The controls that take the keyboard, in the order of the form; the tab
  // order runs through them and then to Finish and Cancel.
  std::vector<QWidget*> inputs_;
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

// The shape wizard's picture: the preview's units are kShapePreviewScale
// shape units to a pixel, so shapes some hundreds of units across fit.
inline constexpr float kShapePreviewScale = 5;

// frmShapeWizard: the shape files of the program's folder, a preview of the
// chosen one and Create, which adds its walls at the insertion point.
class frmShapeWizard : public QDialog {
 public:
  frmShapeWizard(ShapeWizardForm& form, clsMap& map, Dialogs& dialogs, QWidget* parent);

  QComboBox* cmbShapes;
  PictureBox* pctPreview;
  QPushButton* cmdPreview;
  QPushButton* cmdCreate;

  // Lists the files of `programFolder` on first use, then shows the dialog
  // modally. True when Create closed it.
  bool run(const std::string& programFolder);
  void cmdPreview_Click();
  void cmdCreate_Click();

 private:
  ShapeWizardForm& form_;
  clsMap& map_;
  Dialogs& dialogs_;
  ScaledSurface surface_;
};

}  // namespace kv
