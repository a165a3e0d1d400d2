// The small windows of the editor: the wall selection list, the drag-and-drop
// palette, the splash window and the help viewer.
#pragma once
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QWidget>

namespace kv {

// frmSelect: the walls picked on the map, "Wall #" and the index.
class frmSelect : public QWidget {
  Q_OBJECT
 public:
  explicit frmSelect(QWidget* parent = nullptr);
  QListWidget* List1;
  // Neither list window has a place in the window arrangement; they open at
  // a size that shows a handful of entries.
  QSize sizeHint() const override { return {200, 220}; }

 protected:
  void resizeEvent(QResizeEvent*) override;
};

// frmDragDrop: prefabricated pieces to drag onto the map view.
class frmDragDrop : public QWidget {
  Q_OBJECT
 public:
  explicit frmDragDrop(QWidget* parent = nullptr);
  QListWidget* ListView1;
  QSize sizeHint() const override { return {280, 200}; }
  void sizeList();

 protected:
  void resizeEvent(QResizeEvent*) override { sizeList(); }
};

// frmSplash: the top-most start window, also the About window.
class frmSplash : public QWidget {
  Q_OBJECT
 public:
  explicit frmSplash(QWidget* parent = nullptr);
  // "Version " and major.minor.revision of the program.
  static QString versionText();

  QFrame* Frame1;
  QLabel* imgLogo;
  QLabel* lblProductName;
  QLabel* lblVersion;
  QLabel* lblPlatform;
  QTimer* Timer1;

  // Shows the window with its timer running (start-up) or stopped (About).
  void showSplash(bool timed);

 protected:
  void keyPressEvent(QKeyEvent*) override { close(); }
  void mousePressEvent(QMouseEvent*) override { close(); }
};

// The help viewer: the help file's contents in a browser window.
class frmHelp : public QWidget {
  Q_OBJECT
 public:
  explicit frmHelp(QWidget* parent = nullptr);
  QTextBrowser* browser;

 protected:
  // Escape closes the window.
  void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace kv
