// Message boxes and file dialogs of the desktop, behind the interface the
// core commands use.
#pragma once
#include <QString>
#include <QWidget>

#include "io/dialogs.h"

namespace kv {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void msgBox(const std::string& text, const std::string& title, MsgIcon icon) override;
  std::string openFileName(const std::string& filter) override;
  std::string saveFileName(const std::string& filter, const std::string& presetName) override;

  // "Description|pattern|..." as a file dialog's name filters.
  static QString qtFilter(const std::string& filter);

 private:
  std::string ask(bool save, const std::string& filter, const QString& preset);
  QWidget* parent_;
  QString lastName_;  // one dialog serves Open and Save As and shows its last name
};

}  // namespace kv
