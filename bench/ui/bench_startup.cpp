// The editor's main window from construction to its first paint, offscreen:
// the load sequence, the child windows and the first drawing of the map view.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "ui/boot.h"
#include "ui/mdiform1.h"

namespace {

void BM_MainWindowToFirstPaint(benchmark::State& state) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kvuibench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  // A current directory of its own: the window reads the settings file there.
  QTemporaryDir dir;
  const QString old = QDir::currentPath();
  QDir::setCurrent(dir.path());
  kv::ScriptedDialogs dialogs;
  for (auto _ : state) {
    auto w = std::make_unique<kv::MDIForm1>(nullptr, &dialogs);
    kv::watchFirstPaint(w.get());
    w->show();
    while (kv::msToFirstPaint() < 0) QApplication::processEvents();
  }
  QDir::setCurrent(old);
}
BENCHMARK(BM_MainWindowToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
