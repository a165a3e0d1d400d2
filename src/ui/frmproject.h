// frmProject, the project tree: one branch per kind of object; a click
// selects the object and shows it in the properties window.
#pragma once
#include <QHash>
#include <QIcon>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

#include "model/clsMap.h"

namespace kv {

class frmProject : public QWidget {
  Q_OBJECT
 public:
  explicit frmProject(QWidget* parent = nullptr);

  clsMap* map = nullptr;                     // set once the map object exists
  std::function<void()> deselectSideDef;     // the map view drops its highlight
  std::function<void()> startFlashing;       // the map view's flash timer
  std::function<void(int, Long)> showProps;  // the properties window

  QTreeWidget* TreeView1;

  void resetList();
  // Rebuilds the whole tree from the map.
  void listLines();
  // Rebuilds the "Walls" branch only, for `count` walls (the side-def table's).
  void listWallsOnly(Integer count);

  void selWall(Long i);
  void selArea(Long i);
  void selViewpoint(Long i);
  void selGlobal(Long i);
  void TreeView1_NodeClick(QTreeWidgetItem* node);
  // The outer width the window needs for its tree to show every root node
  // in full, with the vertical scroll bar of a long wall list.
  int readableWidth() const;
  // The node of a key, null when there is none.
  QTreeWidgetItem* node(const QString& key) const { return nodes_.value(key, nullptr); }

 protected:
  void resizeEvent(QResizeEvent*) override;

 private:
  void add(const std::string& parentKey, const std::string& key, const std::string& text, int image);
  void mark(const QString& key);
  const QIcon& icon(int image);
  QHash<QString, QTreeWidgetItem*> nodes_;
  QHash<int, QIcon> icons_;
};

}  // namespace kv
