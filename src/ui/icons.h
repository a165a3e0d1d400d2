// The editor's own pictures: toolbar buttons, tree and palette images and
// the splash window's logo, drawn at run time.
#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace kv {

// The image of a toolbar button, by its image key ("new", "open", ...,
// "project" for the wizard button).
QIcon toolIcon(const QString& imageKey);
// Images 1 to 8 of the project tree.
QIcon treeIcon(int image);
// The logo of the splash window.
QPixmap logoPixmap(int size);

}  // namespace kv
