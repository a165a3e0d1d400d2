#include "ui/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace kv {

void QtDialogs::msgBox(const std::string& text, const std::string& title, MsgIcon icon) {
  QMessageBox::Icon i = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::Critical:
      i = QMessageBox::Critical;
      break;
    case MsgIcon::Exclamation:
      i = QMessageBox::Warning;
      break;
    case MsgIcon::Information:
      i = QMessageBox::Information;
      break;
    case MsgIcon::Question:
      i = QMessageBox::Question;
      break;
    case MsgIcon::None:
      break;
  }
  QMessageBox box(i, QString::fromStdString(title.empty() ? kAppTitle : title), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

QString QtDialogs::qtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i], pattern = parts[i + 1];
    pattern.replace(';', ' ');
    out << (desc.contains('(') ? desc : desc + " (" + pattern + ")");
  }
  return out.join(";;");
}

std::string QtDialogs::ask(bool save, const std::string& filter, const QString& preset) {
  QFileDialog d(parent_);
  d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  d.setNameFilter(qtFilter(filter));
  d.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (!preset.isEmpty())
    d.selectFile(preset);
  else if (!lastName_.isEmpty())
    d.selectFile(lastName_);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  lastName_ = d.selectedFiles().first();
  return lastName_.toStdString();
}

std::string QtDialogs::openFileName(const std::string& filter) { return ask(false, filter, {}); }

std::string QtDialogs::saveFileName(const std::string& filter, const std::string& presetName) {
  return ask(true, filter, QString::fromStdString(presetName));
}

}  // namespace kv
