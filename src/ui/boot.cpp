#include "ui/boot.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

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

// A termination request (SIGTERM, SIGINT, SIGHUP: a session ending, Ctrl+C in
// a terminal, `kill`) closes the main window as its close button does, so the
// program ends with exit status 0. The handler only writes a byte to a socket
// pair; the user-interface thread reads it and does the closing.
int signalSockets[2] = {-1, -1};
QPointer<MDIForm1> signalTarget;
bool terminationPending = false;

void onTerminationSignal(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signalSockets[1], &c, 1);
}

void closeOnTerminationSignals(QObject* owner) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return;
  auto* notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(signalSockets[0], &c, 1);
    // Before the event loop runs (the splash's events, a message box of the
    // map named on the command line) the loop is not started at all.
    terminationPending = true;
    if (signalTarget) signalTarget->close();
  });
  struct sigaction sa {};
  sa.sa_handler = onTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &sa, nullptr);
}

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
  closeOnTerminationSignals(&app);

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
  signalTarget = w;
  watchFirstPaint(w);
  if (!logged)
    w->showMessage(
        QString("The start-up log %1 could not be created: %2").arg(kLogFileName, QString::fromStdString(log.error())));
  w->show();
  // "kv3dedit FILE.map" opens the map as Open would, without the dialog.
  const QStringList args = QCoreApplication::arguments();
  if (args.size() > 1) w->document().openMapFile(args.at(1).toStdString());
  splash->raise();
  const int rc = terminationPending ? 0 : app.exec();
  delete w;
  delete splash;
  return rc;
}

}  // namespace kv
