// Helpers of the window tests: an editor in a temporary current directory
// with scripted dialogs, and simulated mouse events on the map view.
#pragma once
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "io/dialogs.h"
#include "testutil.h"
#include "ui/mdiform1.h"

namespace kvtest {

// Runs in a fresh current directory, so the settings file is its own.
class EditorFixture {
 public:
  EditorFixture() : old_(QDir::currentPath()) { QDir::setCurrent(QString::fromStdString(dir.path.string())); }
  ~EditorFixture() {
    w.reset();
    QDir::setCurrent(old_);
  }
  void start() {
    w = std::make_unique<kv::MDIForm1>(nullptr, &ui);
    w->resize(1000, 760);
    w->adjustWindows();
    w->show();
    QApplication::processEvents();
  }
  kv::PictureBox* picture() { return w->mapView->Picture1; }

  TempDir dir;
  kv::ScriptedDialogs ui;
  std::unique_ptr<kv::MDIForm1> w;

 private:
  QString old_;
};

inline void mouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, at, target->mapToGlobal(at), button, held, mods);
  QApplication::sendEvent(target, &e);
}
inline void click(QWidget* t, QPointF at, Qt::MouseButton b = Qt::LeftButton,
                  Qt::KeyboardModifiers m = Qt::NoModifier) {
  mouse(t, QEvent::MouseButtonPress, at, b, b, m);
  mouse(t, QEvent::MouseButtonRelease, at, b, Qt::NoButton, m);
}
inline void drag(QWidget* t, QPointF from, QPointF to) {
  mouse(t, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  mouse(t, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  mouse(t, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  mouse(t, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// Runs `steps` on the main window's dialog `name` once a command has opened
// it (modal dialogs block the command until they close), then closes it if
// the steps left it open.
inline void whenOpen(kv::MDIForm1& w, const char* name, const std::function<void(QDialog&)>& steps) {
  QTimer::singleShot(0, &w, [&w, name, steps] {
    auto* d = w.findChild<QDialog*>(name);
    ASSERT_NE(d, nullptr) << name;
    ASSERT_TRUE(d->isVisible()) << name;
    // The window system's activation of the dialog (and with it the
    // keyboard) arrives after the dialog is shown.
    for (int k = 0; k < 200 && QApplication::activeWindow() != d; ++k) QTest::qWait(5);
    steps(*d);
    if (d->isVisible()) d->reject();
  });
}

}  // namespace kvtest
