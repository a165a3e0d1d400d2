// frmProperties: the fields of one wall, area, viewer start or global as
// label/value rows, edited one value at a time. The rows and the writing back
// are the core's PropertiesLogic; this window shows them.
#pragma once
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <memory>

#include "view/properties.h"

namespace kv {

class frmProperties : public QWidget {
  Q_OBJECT
 public:
  explicit frmProperties(QWidget* parent = nullptr);
  ~frmProperties() override;

  // Values that do not fit their fields are reported through `dialogs`.
  void attachMap(clsMap& map, Dialogs* dialogs = nullptr);
  PropertiesLogic* logic() { return logic_.get(); }

  void showProps(int type, Long index);
  // Gives the value box the keyboard focus (any key on the map view does).
  void focusValue();
  // The width this window needs for its label column to show every label of
  // every kind of item (and the header) in full.
  int readableWidth() const;

  QLabel* lblSelType;
  QTableWidget* grd_Props;
  QComboBox* txt_Value;
  QPushButton* cmd_PropOK;
  QPushButton* cmd_PropCancel;

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void show_();  // the logic's rows into the grid
  std::unique_ptr<PropertiesLogic> logic_;
};

}  // namespace kv
