// frmProps, the wall panel: shows and edits one record of the side-def table
// (not the walls of the map object), with an insertion point of its own. It
// stands free beside the main window and is not modal.
#pragma once
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <string_view>

#include "bsp/sidedef.h"
#include "io/dialogs.h"

namespace kv {

// Decimal text as a 32-bit integer: blanks around it, an optional sign,
// digits with an optional decimal point and exponent, rounded half to even.
// Empty when the text is not such a number or does not fit.
std::optional<Long> decimalLong(std::string_view text);

class frmProps : public QWidget {
  Q_OBJECT
 public:
  // `redraw` redraws the map view after a store or a new insertion point.
  frmProps(SideDefTable& sideDefs, Dialogs& dialogs, std::function<void()> redraw, QWidget* parent = nullptr);

  // The record the panel stores into; nothing in the editor changes it.
  Long panelSideDef = 0;
  // The panel's own insertion point, in map units.
  Long panelInsertX = 0, panelInsertY = 0;

  QLineEdit *txtX1, *txtY1, *txtX2, *txtY2, *txtmyLen;
  QLineEdit *txtWt, *txtFft, *txtFct, *txtBft, *txtBct;
  QLineEdit *txtH1, *txtH2, *txtH3, *txtH4;
  QCheckBox *Check1, *Check2, *Check3, *Check4;
  QPushButton *cmdSet, *cmdIP1, *IP2, *toIP1, *toIP2;

  // Stores every box into side-def record `index` (nothing for a negative
  // one). A box that is not a decimal number refuses the store with a
  // message; then nothing is stored and false is returned.
  bool updateSideDef(Long index);
  void cmdSet_Click();
  void cmdIP1_Click();
  void IP2_Click();
  void toIP1_Click();
  void toIP2_Click();

 private:
  QLineEdit* box(const char* name, const char* text);
  // The box's number, or empty after telling the user why not.
  std::optional<Long> read(QLineEdit* box, const char* caption);
  void toIP(QLineEdit* x, QLineEdit* y, const char* caption);

  SideDefTable& sideDefs_;
  Dialogs& dialogs_;
  std::function<void()> redraw_;
};

}  // namespace kv
