#include "ui/listwindows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QVBoxLayout>

#include "io/dialogs.h"
#include "ui/icons.h"

namespace kv {

frmSelect::frmSelect(QWidget* parent) : QWidget(parent) {
  setObjectName("frmSelect");
  setWindowTitle("Wall Selection");
  List1 = new QListWidget(this);
  List1->setObjectName("List1");
}

void frmSelect::resizeEvent(QResizeEvent*) { List1->setGeometry(rect()); }

frmDragDrop::frmDragDrop(QWidget* parent) : QWidget(parent) {
  setObjectName("frmDragDrop");
  setWindowTitle("Drag and Drop Palette");
  ListView1 = new QListWidget(this);
  ListView1->setObjectName("ListView1");
  ListView1->setViewMode(QListView::IconMode);
  // The movement first: a static list switches dragging off, so the drag
  // settings come after it. A drop copies; a move would take the piece out
  // of the palette.
  ListView1->setMovement(QListView::Static);
  ListView1->setDragEnabled(true);
  ListView1->setDragDropMode(QAbstractItemView::DragOnly);
  ListView1->setDefaultDropAction(Qt::CopyAction);
  const char* items[][2] = {
      {"Room", "room"}, {"Octagon column", "octagon"}, {"Square column", "square"}, {"Stairs", "stairs"}};
  for (auto& it : items) {
    auto* i = new QListWidgetItem(toolIcon("project"), it[0], ListView1);
    i->setData(Qt::UserRole, QString(it[1]));
  }
  sizeList();
}

void frmDragDrop::sizeList() { ListView1->setGeometry(rect()); }

QString frmSplash::versionText() {
  return QString("Version %1.%2.%3").arg(KV_VERSION_MAJOR).arg(KV_VERSION_MINOR).arg(KV_VERSION_PATCH);
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("frmSplash");
  setWindowTitle(kAppTitle);
  setAttribute(Qt::WA_DeleteOnClose, false);
  Frame1 = new QFrame(this);
  Frame1->setObjectName("Frame1");
  Frame1->setFrameShape(QFrame::Box);
  Frame1->setLineWidth(2);
  Frame1->setStyleSheet("QFrame#Frame1 { background: white; }");
  imgLogo = new QLabel(Frame1);
  imgLogo->setObjectName("imgLogo");
  imgLogo->setPixmap(logoPixmap(120));
  lblProductName = new QLabel(kAppTitle, Frame1);
  lblProductName->setObjectName("lblProductName");
  QFont f = lblProductName->font();
  f.setPointSize(18);
  f.setBold(true);
  lblProductName->setFont(f);
  lblVersion = new QLabel(versionText(), Frame1);
  lblVersion->setObjectName("lblVersion");
  lblPlatform = new QLabel("for desktops with Qt 6", Frame1);
  lblPlatform->setObjectName("lblPlatform");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(Frame1);
  auto* l = new QVBoxLayout(Frame1);
  l->setContentsMargins(24, 20, 24, 20);
  l->addWidget(imgLogo, 0, Qt::AlignHCenter);
  l->addWidget(lblProductName, 0, Qt::AlignHCenter);
  l->addWidget(lblVersion, 0, Qt::AlignHCenter);
  l->addWidget(lblPlatform, 0, Qt::AlignHCenter);
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(3000);
  Timer1->setSingleShot(true);
  connect(Timer1, &QTimer::timeout, this, &QWidget::close);
  adjustSize();
}

void frmSplash::showSplash(bool timed) {
  if (timed)
    Timer1->start();
  else
    Timer1->stop();
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
  show();
  raise();
}

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("frmHelp");
  setWindowTitle("Kovrel3D Map Editor Help");
  browser = new QTextBrowser(this);
  browser->setObjectName("helpBrowser");
  browser->setOpenExternalLinks(false);
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(browser);
  resize(720, 640);
}

void frmHelp::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(e);
}

}  // namespace kv
