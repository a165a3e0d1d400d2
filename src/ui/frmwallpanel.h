// frmProps, the wall panel: shows and edits one record of the side-def table
// (not the walls of the map object), with an insertion point of its own. It
// stands free beside the main window and is not modal. What it does is the
// core's SideDefPanel; this window shows its texts.
#pragma once
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>

#include "bsp/sidedefpanel.h"

namespace kv {

class frmProps : public QWidget {
  Q_OBJECT
 public:
  // `redraw` redraws the map view after a store or a new insertion point.
  frmProps(SideDefTable& sideDefs, Dialogs& dialogs, std::function<void()> redraw, QWidget* parent = nullptr);

  // What the panel does; the boxes show its texts.
  SideDefPanel panel;

  QLineEdit *txtX1, *txtY1, *txtX2, *txtY2, *txtmyLen;
  QLineEdit *txtWt, *txtFft, *txtFct, *txtBft, *txtBct;
  QLineEdit *txtH1, *txtH2, *txtH3, *txtH4;
  QCheckBox *Check1, *Check2, *Check3, *Check4;
  QPushButton *cmdSet, *cmdIP1, *IP2, *toIP1, *toIP2;

  void cmdSet_Click();
  void cmdIP1_Click();
  void IP2_Click();
  void toIP1_Click();
  void toIP2_Click();

 private:
  QLineEdit* box(const char* name, SideDefPanel::Box b);
  // The boxes' texts into the panel and back.
  void toPanel();
  void fromPanel();

  std::array<QLineEdit*, SideDefPanel::kBoxCount> boxes_{};
  std::function<void()> redraw_;
};

}  // namespace kv
