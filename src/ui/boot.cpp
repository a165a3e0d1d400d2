#include "ui/boot.h"

#include <QApplication>
#include <QEvent>

#include "io/log.h"
#include "ui/mdiform1.h"

namespace kv {

namespace {

QElapsedTimer& clock() {
  static QElapsedTimer t;
  if (!t.isValid()) t.start();
  return t;
}
qint64 firstPaint = -1;

class FirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && firstPaint < 0) {
      firstPaint = clock().elapsed();
      o->removeEventFilter(this);
    }
    return false;
  }
};

}  // namespace

qint64 msSinceStart() { return clock().elapsed(); }
qint64 msToFirstPaint() { return firstPaint; }

void watchFirstPaint(MDIForm1* w) {
  clock();
  firstPaint = -1;
  w->installEventFilter(new FirstPaint(w));
}

int Main(int argc, char** argv) {
  clock().start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);

  // Without a writable current directory the editor starts without its log.
  StartupLog log;
  const bool logged = log.open(kLogFileName);
  log.logLine("Starting log...");
  auto* splash = new frmSplash;
  splash->showSplash(true);
  log.logLine("Doing events...");
  QApplication::processEvents();
  log.logLine("Loading main window...");
  auto* w = new MDIForm1(logged ? &log : nullptr);
  w->splash = splash;
  watchFirstPaint(w);
  if (!logged)
    w->showMessage(QString("The start-up log %1 could not be created: %2")
                       .arg(kLogFileName, QString::fromStdString(log.error())));
  w->show();
  // "kv3dedit FILE.map" opens the map as Open would, without the dialog.
  const QStringList args = QCoreApplication::arguments();
  if (args.size() > 1) w->document().openMapFile(args.at(1).toStdString());
  splash->raise();
  const int rc = app.exec();
  delete w;
  delete splash;
  return rc;
}

}  // namespace kv
