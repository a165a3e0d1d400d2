#include "ui/engine/render_windows.h"

#include <QDir>

#include "engine/scratch.h"
#include "ui/engine/frmcontrol.h"
#include "ui/engine/frmrender.h"

namespace kv {

int virtualKey(int k) {
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 65 + (k - Qt::Key_A);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return 48 + (k - Qt::Key_0);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
  }
  return 0;
}

QPushButton* PreviewWindow::makeButton(const char* name, const char* caption, std::function<void()> click) {
  auto* b = new QPushButton(caption, this);
  b->setObjectName(name);
  b->setFocusPolicy(Qt::TabFocus);
  connect(b, &QPushButton::clicked, this, std::move(click));
  return b;
}

bool PreviewWindow::prepareScratch() {
  if (!map_ || map_->wallCount < 1) {
    if (dialogs_) dialogs_->msgBox(kNoMapText, kNoMapTitle, MsgIcon::Critical);
    return false;
  }
  std::string error =
      compileScratch ? compileScratch(*map_) : engine::compileScratch(*map_, QDir::currentPath().toStdString());
  if (!error.empty()) {
    if (dialogs_) dialogs_->msgBox(error, windowTitle().toStdString(), MsgIcon::Critical);
    return false;
  }
  if (compiled) compiled();
  return true;
}

}  // namespace kv
