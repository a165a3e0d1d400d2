#include "ui/frmproject.h"

#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>

#include "ui/icons.h"
#include "view/layout.h"
#include "view/project.h"
#include "view/properties.h"

namespace kv {

frmProject::frmProject(QWidget* parent) : QWidget(parent) {
  setObjectName("frmProject");
  setWindowTitle("Project");
  TreeView1 = new QTreeWidget(this);
  TreeView1->setObjectName("TreeView1");
  TreeView1->setHeaderHidden(true);
  connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* n) { TreeView1_NodeClick(n); });
  resetList();
}

void frmProject::resizeEvent(QResizeEvent*) {
  // The tree is the window's outer width less 100 twips and its outer height
  // less 500, kept within the inner area that the frame leaves.
  QWidget* outer = qobject_cast<QMdiSubWindow*>(parentWidget()) ? parentWidget() : this;
  QScreen* sc = screen();
  const double tpp = twipsPerPixel(sc ? sc->logicalDotsPerInchX() : 96.0);
  const int w = twipsToPixels(pixelsToTwips(outer->width(), tpp) - 100, tpp);
  const int h = twipsToPixels(pixelsToTwips(outer->height(), tpp) - 500, tpp);
  TreeView1->setGeometry(0, 0, std::clamp(w, 1, std::max(width(), 1)), std::clamp(h, 1, std::max(height(), 1)));
}

int frmProject::readableWidth() const {
  QStyle* st = TreeView1->style();
  const QFontMetrics fm(TreeView1->font());
  int text = 0;
  for (const TreeNode& r : projectRoots()) text = std::max(text, fm.horizontalAdvance(QString::fromStdString(r.text)));
  const int icon = st->pixelMetric(QStyle::PM_SmallIconSize, nullptr, TreeView1);
  const int cellMargin = 2 * (st->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, TreeView1) + 1);
  const int tree = 2 * TreeView1->frameWidth() + TreeView1->indentation() + icon + cellMargin + 4 + text +
                   st->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, TreeView1) + 2;
  // The tree is the window's outer width less 100 twips (and no wider than
  // the inner area the frame leaves).
  QScreen* sc = screen();
  const double tpp = twipsPerPixel(sc ? sc->logicalDotsPerInchX() : 96.0);
  int frame = 0;
  if (auto* f = qobject_cast<QMdiSubWindow*>(parentWidget()))
    frame = 2 * f->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, f);
  return std::max(static_cast<int>(twipsToPixels(pixelsToTwips(tree, tpp) + 100, tpp)), tree + frame);
}

const QIcon& frmProject::icon(int image) {
  // Painted once: a listing of 2001 walls asks for the same icon 2001 times.
  if (!icons_.contains(image)) icons_.insert(image, treeIcon(image));
  return icons_[image];
}

void frmProject::add(const std::string& parentKey, const std::string& key, const std::string& text, int image) {
  QTreeWidgetItem* parent = parentKey.empty() ? nullptr : node(QString::fromStdString(parentKey));
  auto* n = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
  n->setText(0, QString::fromStdString(text));
  n->setToolTip(0, n->text(0));
  n->setData(0, Qt::UserRole, QString::fromStdString(key));
  n->setIcon(0, icon(image));
  nodes_.insert(QString::fromStdString(key), n);
}

void frmProject::resetList() {
  TreeView1->clear();
  nodes_.clear();
  for (const TreeNode& r : projectRoots()) add(r.parentKey, r.key, r.text, r.image);
}

void frmProject::listLines() {
  TreeView1->setUpdatesEnabled(false);
  resetList();
  if (map)
    for (const TreeNode& c : projectChildren(*map)) add(c.parentKey, c.key, c.text, c.image);
  TreeView1->setUpdatesEnabled(true);
}

void frmProject::listWallsOnly(Integer count) {
  TreeView1->setUpdatesEnabled(false);
  resetList();
  for (const TreeNode& c : sideDefWallNodes(count)) add(c.parentKey, c.key, c.text, c.image);
  TreeView1->setUpdatesEnabled(true);
}

void frmProject::mark(const QString& key) {
  // A tree that was not rebuilt after the map changed (the shape wizard does
  // not list, the compile lists the side-def table) is rebuilt from the map
  // first, so the selected object has its node.
  if (!node(key)) listLines();
  if (QTreeWidgetItem* n = node(key)) TreeView1->setCurrentItem(n);
}

void frmProject::selWall(Long i) {
  if (!map) return;
  if (deselectSideDef) deselectSideDef();
  mark("w" + QString::number(i));
  map->selectedWall = i;
  if (showProps) showProps(kPropWall, map->selectedWall);
  if (startFlashing) startFlashing();
}

void frmProject::selArea(Long i) {
  if (!map) return;
  mark("a" + QString::number(i));
  map->selectedArea = i;
  if (showProps) showProps(kPropArea, i);
}

void frmProject::selViewpoint(Long i) {
  mark("vp" + QString::number(i));
  if (showProps) showProps(kPropViewpoint, i);
}

void frmProject::selGlobal(Long i) {
  if (!map) return;
  mark("g" + QString::number(i));
  map->selectedGlobal = i;
  if (showProps) showProps(kPropGlobal, i);
}

void frmProject::TreeView1_NodeClick(QTreeWidgetItem* n) {
  if (!n) return;
  const NodeTarget t = decodeNodeKey(n->data(0, Qt::UserRole).toString().toStdString());
  switch (t.kind) {
    case 'w':
      selWall(t.index);
      break;
    case 'a':
      selArea(t.index);
      break;
    case 'v':
      selViewpoint(t.index);
      break;
    case 'g':
      selGlobal(t.index);
      break;
    default:
      break;
  }
}

}  // namespace kv
