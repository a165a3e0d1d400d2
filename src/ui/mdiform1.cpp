#include "ui/mdiform1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

#include <QTime>

#include "bsp/commands.h"
#include "io/mapfile.h"
#include "ui/engine/frmcontrol.h"
#include "ui/engine/frmrender.h"
#include "ui/icons.h"
#include "view/layout.h"
#include "view/mapeditor.h"
#include "view/mapview.h"
#include "wizards/shape.h"

namespace kv {

MDIForm1::MDIForm1(StartupLog* log, Dialogs* dialogs)
    : log_(log), qtDialogs_(this), ui_(dialogs ? dialogs : &qtDialogs_), sideDefs_(std::make_unique<SideDefTable>()) {
  setObjectName("MDIForm1");
  setWindowTitle(kAppTitle);
  setWindowIcon(QIcon(logoPixmap(64)));
  mdiArea = new QMdiArea(this);
  mdiArea->setObjectName("mdiArea");
  mdiArea->setBackground(QColor(128, 128, 128));
  setCentralWidget(mdiArea);
  buildMenus();
  buildToolbar();
  statusBar()->setObjectName("StatusBar1");
  insertionPanel = new QLabel(this);
  insertionPanel->setObjectName("Panel1");
  insertionPanel->setMinimumWidth(200);
  messagePanel = new QLabel(this);
  messagePanel->setObjectName("Panel2");
  statusBar()->addWidget(insertionPanel);
  statusBar()->addWidget(messagePanel, 1);
  filePanel = new QLabel(this);
  filePanel->setObjectName("FilePanel");
  statusBar()->insertWidget(1, filePanel);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect a = s->availableGeometry();
    resize(std::min(1200, a.width() * 9 / 10), std::min(860, a.height() * 9 / 10));
  } else {
    resize(1200, 860);
  }
  MDIForm_Load();
}

MDIForm1::~MDIForm1() {
  delete wallPanel;
  delete help;
  if (map_) map_->onDropHighlight = nullptr;
}

void MDIForm1::logLine(const char* text) {
  if (log_) log_->logLine(text);
}

// --- load --------------------------------------------------------------------

QMdiSubWindow* MDIForm1::addChild(QWidget* w) {
  QMdiSubWindow* sub = mdiArea->addSubWindow(w);
  sub->setAttribute(Qt::WA_DeleteOnClose, false);  // closing a child only hides it
  sub->setWindowIcon(treeIcon(1));
  sub->hide();
  return sub;
}

QMdiSubWindow* MDIForm1::frameOf(QWidget* child) const {
  return child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
}

void MDIForm1::MDIForm_Load() {
  logLine("Loading INI");
  recent.loadRecentFiles(iniPath());
  logLine("Setting recent files");
  setRecentCaptions();
  logLine("Setting HLP");
  helpFile_ = kHelpFileName;
  reportMissingFiles();
  logLine("Loading Map");
  // The map view has no close button (and refuses to close): without it
  // nothing could be drawn or picked. The frame draws its close button along
  // with the system menu, so it has neither.
  addChild(mapView = new frmMap)
      ->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
  logLine("Loading Project");
  addChild(project = new frmProject);
  logLine("Loading Props");
  addChild(properties = new frmProperties);
  logLine("Load Render");
  addChild(render = new frmRender);
  logLine("Load Select");
  addChild(select = new frmSelect);
  addChild(dragDrop = new frmDragDrop);
  addChild(control = new frmControl);
  // The tool windows stay above the map view (and the other windows), so a
  // click on the map does not hide them.
  for (QWidget* tool : {static_cast<QWidget*>(select), static_cast<QWidget*>(dragDrop), render, control})
    frameOf(tool)->setWindowFlag(Qt::WindowStaysOnTopHint);
  logLine("Finished forms");
  logLine("Adjusting windows");
  adjustWindows();

  logLine("Creating a class");
  map_ = std::make_unique<clsMap>();
  doc_ = std::make_unique<MapDocument>(*map_, *ui_);
  mapView->attachMap(*map_, *ui_);
  properties->attachMap(*map_, ui_);
  project->map = map_.get();
  connectWindows();

  for (QWidget* w : {static_cast<QWidget*>(mapView), static_cast<QWidget*>(project), static_cast<QWidget*>(properties)})
    frameOf(w)->show();
  mapView->redraw();
  doc_->currentMapFile.clear();
  logLine("Listing lines");
  listLines();
  logLine("Done.");
  if (log_) log_->close();
  showDocumentState();
}

// The windows' calls into the map, the document and each other.
void MDIForm1::connectWindows() {
  MapEditor& ed = *mapView->editor();
  properties->logic()->redraw = [this] {
    mapView->redraw();
    doc_->commit("Properties OK");
  };
  project->deselectSideDef = [&ed] { ed.deselectSideDef(); };
  project->startFlashing = [&ed] { ed.setFlashEnabled(true); };
  project->showProps = [this](int kind, Long i) { properties->showProps(kind, i); };
  ed.hooks.selWall = [this](Long i) { project->selWall(i); };
  ed.hooks.clearSelectionList = [this] { select->List1->clear(); };
  ed.hooks.addSelection = [this](const std::string& e) { select->List1->addItem(QString::fromStdString(e)); };
  ed.hooks.beep = [] { QApplication::beep(); };
  ed.hooks.setStatusText = [this](const std::string& t) { insertionPanel->setText(QString::fromStdString(t)); };
  ed.hooks.focusValueBox = [this] { properties->focusValue(); };
  ed.hooks.zoom = [this](bool in) { in ? itmZoomIn_Click() : itmZoomOut_Click(); };
  doc_->hooks.listLines = [this] { listLines(); };
  doc_->hooks.redraw = [this] { mapView->redraw(); };
  doc_->hooks.showMapView = [this] { showChild(mapView, false); };
  doc_->hooks.updateRecentFiles = [this] {
    recent.updateRecentFiles(doc_->currentMapFile, iniPath());
    setRecentCaptions();
  };
  // Every command that changes the map or the side-def table can be taken
  // back: the menus, the drags, the properties' OK and the wall panel each
  // end with a step.
  watchSideDefs(doc_->history, *sideDefs_);
  doc_->history.reset();
  doc_->hooks.stateChanged = [this] { showDocumentState(); };
  doc_->hooks.restored = [this] {
    std::vector<std::string> kept = keptSelection(selectionList(), *map_);
    if (static_cast<int>(kept.size()) != select->List1->count()) {
      select->List1->clear();
      for (const std::string& e : kept) select->List1->addItem(QString::fromStdString(e));
    }
    const auto [kind, index] = properties->logic()->selectedItem();
    properties->showProps(kind, index);
  };
  ed.hooks.edited = [this](const std::string& label) { doc_->commit(label); };
  insertionPanel->setText(QString::fromStdString(insertionText(*map_)));
  // A preview compiles the map in place; the view and the tree then show the
  // compiled walls.
  for (auto* p : {static_cast<PreviewWindow*>(render), static_cast<PreviewWindow*>(control)}) {
    p->attachMap(*map_, *ui_);
    p->compiled = [this] {
      listLines();
      mapView->redraw();
      doc_->commit("Preview Compile");
    };
  }
}

void MDIForm1::listLines() { project->listLines(); }

void MDIForm1::adjustWindows() {
  const double tpp = mapView ? mapView->twipsPerPixel() : 15.0;
  auto px = [tpp](double t) { return static_cast<int>(twipsToPixels(t, tpp)); };
  const double w = pixelsToTwips(width(), tpp), h = pixelsToTwips(height(), tpp);
  // The project window first: its left edge follows from the width it took.
  // The right-hand column is wider than kProjectWidth where the font needs
  // it, so every property label and every root of the tree reads in full.
  QMdiSubWindow* pf = frameOf(project);
  QMdiSubWindow* propFrame = frameOf(properties);
  const int borders = 2 * propFrame->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, propFrame);
  const int side = std::max({px(kProjectWidth), project->readableWidth(), properties->readableWidth() + borders});
  pf->resize(side, px(kProjectHeight));
  const ChildLayout l = adjustWindowsLayout(w, h, pixelsToTwips(pf->width(), tpp));
  auto place = [&](QWidget* child, const TwipRect& r) {
    if (QMdiSubWindow* f = frameOf(child)) f->setGeometry(px(r.left), px(r.top), px(r.width), px(r.height));
  };
  place(project, l.project);
  place(properties, l.properties);
  place(mapView, l.map);
  place(render, l.render);
  // The map view comes back, also from minimised (the load shows the
  // windows itself, once the map object exists).
  if (map_) showChild(mapView, false);
}

void MDIForm1::setRecentCaptions() {
  for (int k = 1; k <= 4; ++k)
    if (auto* a = findChild<QAction*>(QString("itmRecentFile%1").arg(k)))
      a->setText(QString::fromStdString(recent.caption(k)));
}

// --- menus and toolbar ---------------------------------------------------------

QAction* MDIForm1::item(QMenu* menu, const char* name, const char* caption, const std::function<void()>& f) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  // A command that changed the map or the side-def table leaves one undo
  // step, named after its item ("&Room Wizard..." gives "Room Wizard").
  QString label = QString(caption).remove('&');
  if (label.endsWith("...")) label.chop(3);
  if (f)
    connect(a, &QAction::triggered, this, [this, f, label = label.toStdString()] {
      f();
      if (doc_) doc_->commit(label);
    });
  return a;
}

void MDIForm1::separator(QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(name); }

void MDIForm1::nyaCommand() { nya(*ui_); }

QMenu* MDIForm1::topMenu(const char* name, const char* title) {
  QMenu* m = menuBar()->addMenu(title);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

void MDIForm1::buildMenus() {
  buildFileEditViewMenus();
  buildWizardAndTestMenus();
  buildWindowAndHelpMenus();
}

void MDIForm1::buildFileEditViewMenus() {
  auto nyaFn = [this] { nyaCommand(); };
  QMenu* file = topMenu("mnuFile", "&File");
  item(file, "itmNewMap", "&New Map", [this] { doc_->newMap(); });
  separator(file, "bi7");
  item(file, "itmOpenMap", "&Open Map...", [this] { doc_->openMap(); });
  item(file, "itmSaveMap", "&Save Map...", [this] { doc_->saveMap(); });
  item(file, "itmSaveAs", "Save Map &As...", [this] { doc_->saveMapAs(); });
  separator(file, "bi3");
  item(file, "itmExportMap", "&Compile and save map binary...", [this] { itmExportMap_Click(); });
  separator(file, "bi6");
  item(file, "itmImportWAD", "&Import Doom WAD map...", nyaFn)->setEnabled(false);
  separator(file, "bi2");
  for (int k = 1; k <= 4; ++k) {
    const std::string name = "itmRecentFile" + std::to_string(k);
    const std::string caption = "&" + std::to_string(k) + " ";
    item(file, name.c_str(), caption.c_str(), [this, k] { recent.openRecentFile(k, *doc_); });
  }
  separator(file, "bi9");
  item(file, "itmExit", "E&xit", [] { QCoreApplication::exit(0); });

  QMenu* edit = topMenu("mnuEdit", "&Edit");
  item(edit, "itmUndo", "&Undo", [this] { itmUndo_Click(); })->setShortcut(QKeySequence("Ctrl+Z"));
  item(edit, "itmRedo", "&Redo", [this] {
    itmRedo_Click();
  })->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
  separator(edit, "bi11");
  item(edit, "itmCut", "Cut", nyaFn)->setShortcut(QKeySequence("Ctrl+X"));
  item(edit, "itmCopy", "Copy", nyaFn)->setShortcut(QKeySequence("Ctrl+C"));
  item(edit, "itmPaste", "Paste", nyaFn)->setShortcut(QKeySequence("Ctrl+V"));
  separator(edit, "bi10");
  item(edit, "itmClear", "Clear", nyaFn);
  item(edit, "itmDelArea", "Delete Area");

  QMenu* view = topMenu("mnuView", "&View");
  item(view, "itmRedraw", "&Redraw", [this] {
    mapView->editor()->redrawPausingFlash();
  })->setShortcut(QKeySequence("Ctrl+R"));
  separator(view, "bi1");
  item(view, "itmDrawTree", "Draw Tree", [this] { itmDrawTree_Click(); })->setEnabled(false);
  item(view, "itmZoomIn", "Zoom &In", [this] { itmZoomIn_Click(); });
  item(view, "itmZoomOut", "Zoom &Out", [this] { itmZoomOut_Click(); });
}

void MDIForm1::buildWizardAndTestMenus() {
  QMenu* wiz = topMenu("mnuSpecial", "Wi&zards");
  item(wiz, "itmRoomWizard", "&Room Wizard...", [this] { itmRoomWizard_Click(); });
  item(wiz, "itmShapeWizard", "Shape Wizard...", [this] { itmShapeWizard_Click(); });
  item(wiz, "itmColWizard", "&Column Wizard...", [this] { itmColWizard_Click(); });
  item(wiz, "itmWallWizard", "&Wall Wizard...")->setEnabled(false);
  item(wiz, "itmSplitWall", "&Split wall...", [this] { itmSplitWall_Click(); });
  item(wiz, "itmStairWizard", "Stair wizard...", [this] { itmStairWizard_Click(); });
  item(wiz, "itmSwitchWizard", "Switch Wizard", [this] { pieceCommand(PieceKind::SwitchWizard); });
  item(wiz, "itmPassageWizard", "Passage Wizard...", [this] { itmPassageWizard_Click(); });
  item(wiz, "itmCaveWizard", "Cave wizard", [this] { pieceCommand(PieceKind::CaveWizard); });
  item(wiz, "itmSetViewer", "Set viewer to Insert Position", [this] { mapView->editor()->setViewerToInsertion(); });

  // Developer commands: switched off, so none of them can be chosen.
  QMenu* test = topMenu("mnuTest", "&Test");
  const std::pair<const char*, const char*> tests[] = {
      {"itmWZSwitch", "Switch wizard"},     {"itmShowCtl", "Show Control"},       {"itmCreateBSP", "Create class BSP"},
      {"itmReadNewMap", "Read Map Object"}, {"itmTestMapObj", "Test Map Object"}, {"itmCheckerBoard", "Checkerboard"},
      {"itmViewAngle", "Find View Angle"},  {"itmTestPoly", "Test Poly"},         {"itmDrawRoom", "DrawRoom"},
      {"itmMultiPoly", "MultiPoly"},        {"itmBuildBSP", "Build BSP"},         {"itmIntersect", "Intersect"},
      {"itmWalkTree", "Walk Tree"}};
  void (MDIForm1::*const handlers[])() = {
      &MDIForm1::itmWZSwitch_Click,   &MDIForm1::itmShowCtl_Click,    &MDIForm1::itmCreateBSP_Click,
      &MDIForm1::itmReadNewMap_Click, &MDIForm1::itmTestMapObj_Click, &MDIForm1::itmCheckerBoard_Click,
      &MDIForm1::itmViewAngle_Click,  &MDIForm1::itmTestPoly_Click,   &MDIForm1::itmDrawRoom_Click,
      &MDIForm1::itmMultiPoly_Click,  &MDIForm1::itmBuildBSP_Click,   &MDIForm1::itmIntersect_Click,
      &MDIForm1::itmWalkTree_Click};
  for (size_t k = 0; k < std::size(tests); ++k)
    item(test, tests[k].first, tests[k].second, [this, h = handlers[k]] { (this->*h)(); });
  test->menuAction()->setEnabled(false);
  test->setEnabled(false);
}

void MDIForm1::buildWindowAndHelpMenus() {
  QMenu* win = topMenu("mnuWindow", "&Window");
  item(win, "itmAdjustWin", "Adjust windows", [this] { adjustWindows(); });
  separator(win, "bi8");
  item(win, "itmPropWin", "Properties window", [this] { itmPropWin_Click(); })->setShortcut(QKeySequence("F4"));
  item(win, "itmProjectWin", "Project window", [this] { showChild(project, true); });
  item(win, "itmDragDropWin", "Drag and drop window", [this] { showChild(dragDrop, true); });
  item(win, "itmRenderWin", "Render window", [this] { showChild(control, true); });
  item(win, "itmSelectWin", "Select window", [this] { showChild(select, false); });

  QMenu* helpMenu = topMenu("mnuHelp", "&Help");
  item(helpMenu, "itmHelpContents", "Contents (press F1)", [this] { itmHelpContents_Click(); });
  separator(helpMenu, "bi5");
  item(helpMenu, "itmAbout", "About Kovrel3D Map Editor...", [this] { itmAbout_Click(); });

  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::ApplicationShortcut);
  connect(f1, &QShortcut::activated, this, [this] { itmHelpContents_Click(); });
}

void MDIForm1::buildToolbar() {
  Toolbar1 = addToolBar("Toolbar");
  Toolbar1->setObjectName("Toolbar1");
  Toolbar1->setMovable(false);
  Toolbar1->setIconSize(QSize(24, 24));
  const char* buttons[][2] = {{"new", "New map"},
                              {"open", "Open new map"},
                              {"save", "Save current map"},
                              {"select", "Select"},
                              {"move", "Move Selection"},
                              {"scale", "Scale Selection"},
                              {"rotate", "Rotate Selection"},
                              {"shear", "Shear Selection"},
                              {"cut", "Cut (Ctrl-X)"},
                              {"copy", "Copy (Ctrl-C)"},
                              {"paste", "Paste (Ctrl-V)"},
                              {"paint", "Paint current texture scheme"},
                              {"props", "Show Properties window"},
                              {"objects", "Show Project window"},
                              {"wizard", "Show drag & drop window"},
                              {"render", "Show Render window"}};
  auto* modes = new QActionGroup(this);
  for (auto& b : buttons) {
    const QString key = b[0];
    QAction* a = Toolbar1->addAction(toolIcon(key == "wizard" ? "project" : key), b[1]);
    a->setObjectName(key);
    a->setToolTip(b[1]);
    a->setData(key);
    if (key == "select" || key == "move" || key == "scale" || key == "rotate" || key == "shear") {
      // The pressed look of the current tool; the mode itself is editMode.
      a->setCheckable(true);
      a->setChecked(key == "select");
      modes->addAction(a);
    }
    if (key == "save" || key == "shear" || key == "paint") Toolbar1->addSeparator();
    connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
  }
}

void MDIForm1::Toolbar1_ButtonClick(const QString& key) {
  clsMap& m = *map_;
  if (key == "new")
    doc_->newMap();
  else if (key == "open")
    doc_->openMap();
  else if (key == "save")
    doc_->saveMap();
  else if (key == "select")
    m.editMode = kModeSelect;
  else if (key == "move")
    m.editMode = kModeMove;
  else if (key == "scale")
    m.editMode = kModeScale;
  else if (key == "rotate")
    m.editMode = kModeRotate;
  else if (key == "shear")
    m.editMode = kModeShear;
  else if (key == "cut") {
  } else if (key == "copy" || key == "paste" || key == "paint")
    nyaCommand();
  else if (key == "props")
    showChild(properties, true);
  else if (key == "objects")
    showChild(project, true);
  else if (key == "wizard")
    showChild(dragDrop, true);
  else if (key == "render")
    showChild(render, true);
}

void MDIForm1::showChild(QWidget* w, bool toFront) {
  QMdiSubWindow* f = frameOf(w);
  if (!f) return;
  if (f->isMinimized()) f->showNormal();
  f->show();
  w->show();
  if (toFront) {
    f->raise();
    mdiArea->setActiveSubWindow(f);
  }
}

void MDIForm1::showMessage(const QString& text) { messagePanel->setText(text); }

void MDIForm1::itmUndo_Click() { doc_->undo(); }
void MDIForm1::itmRedo_Click() { doc_->redo(); }

void MDIForm1::showDocumentState() {
  if (!doc_) return;
  const UndoHistory& h = doc_->history;
  if (auto* u = findChild<QAction*>("itmUndo")) {
    u->setEnabled(h.canUndo());
    u->setStatusTip(h.canUndo() ? QString::fromStdString("Undo " + h.undoLabel()) : QString());
  }
  if (auto* r = findChild<QAction*>("itmRedo")) {
    r->setEnabled(h.canRedo());
    r->setStatusTip(h.canRedo() ? QString::fromStdString("Redo " + h.redoLabel()) : QString());
  }
  filePanel->setText(QString::fromStdString(doc_->fileStatusText()));
  filePanel->setToolTip(QString::fromStdString(doc_->currentMapFile));
}

// --- commands --------------------------------------------------------------------

namespace {

double secondsOfDay() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

}  // namespace

void MDIForm1::itmExportMap_Click() {
  const ExportOutcome done = exportMapBinary(*map_, *ui_, secondsOfDay, [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::ForbiddenCursor);
    else
      QApplication::restoreOverrideCursor();
  });
  if (!done.compiled) return;
  mapView->redraw();
  // The compile lists the side-def table's walls, as the tree tools do.
  project->listWallsOnly(sideDefs_->count);
}

void MDIForm1::itmZoomIn_Click() { zoom(zoomIn); }
void MDIForm1::itmZoomOut_Click() { zoom(zoomOut); }

void MDIForm1::zoom(bool (*step)(clsMap&, std::string&)) {
  std::string why;
  if (step(*map_, why)) {
    // A zoom that works takes back what a refused one said.
    if (!zoomRefusal_.isEmpty() && messagePanel->text() == zoomRefusal_) showMessage({});
    zoomRefusal_.clear();
    mapView->redraw();
  } else {
    zoomRefusal_ = QString::fromStdString(why);
    showMessage(zoomRefusal_);
  }
}

void MDIForm1::runWizard(WizardDialog* d, std::function<void()> activate, std::function<bool()> finish, bool redraw) {
  d->activate = std::move(activate);
  d->finish = [this, finish = std::move(finish)] {
    try {
      return finish();
    } catch (const std::exception& e) {
      ui_->msgBox(e.what(), kAppTitle, MsgIcon::Critical);
      return false;
    }
  };
  d->run();
  // The new geometry is listed and, so that the user sees it, drawn.
  listLines();
  if (redraw) mapView->redraw();
}

void MDIForm1::itmRoomWizard_Click() {
  if (!roomWizard) roomWizard = new frmRoomWizard(roomForm, this);
  runWizard(
      roomWizard, [this] { roomForm.activate(*map_); }, [this] { return roomForm.finish(*map_, *ui_); });
}

void MDIForm1::itmColWizard_Click() {
  if (!colWizard_) colWizard_ = new frmColWizard(colForm, this);
  runWizard(
      colWizard_, [this] { colForm.activate(*map_); }, [this] { return colForm.finish(*map_, *ui_); });
}

void MDIForm1::itmStairWizard_Click() {
  if (!stairWizard_) stairWizard_ = new frmStairWizard(stairForm, this);
  runWizard(
      stairWizard_, [this] { stairForm.activate(*map_); }, [this] { return stairForm.finish(*map_, *ui_); });
}

void MDIForm1::itmSplitWall_Click() {
  if (!SplitWallForm::mayOpen(*map_, *ui_)) return;
  if (!splitWall_) splitWall_ = new frmSplitWall(splitForm, this);
  runWizard(
      splitWall_, splitWall_->activate, [this] { return splitForm.finish(*map_, *ui_); }, false);
}

void MDIForm1::itmShapeWizard_Click() {
  if (!shapeWizard) shapeWizard = new frmShapeWizard(shapeForm, *map_, *ui_, this);
  // The shapes are drawn at once; the project tree is not listed again (a
  // selection that finds no node lists it then).
  if (shapeWizard->run(QCoreApplication::applicationDirPath().toStdString())) mapView->redraw();
}

std::vector<std::string> MDIForm1::selectionList() const {
  std::vector<std::string> sel;
  sel.reserve(static_cast<size_t>(select->List1->count()));
  for (int i = 0; i < select->List1->count(); ++i) sel.push_back(select->List1->item(i)->text().toStdString());
  return sel;
}

void MDIForm1::itmPassageWizard_Click() {
  const std::vector<std::string> sel = selectionList();
  if (!PassageWizardForm::mayOpen(sel, *ui_)) return;
  if (!passageWizard_) passageWizard_ = new frmPassageWizard(passageForm, this);
  if (!passageLoaded_) {
    passageForm.load(*map_, sel);
    passageLoaded_ = true;
  }
  runWizard(
      passageWizard_, [this, sel] { passageForm.activate(*map_, sel); },
      [this, sel] { return passageForm.finish(*map_, *ui_, sel); });
}

void MDIForm1::pieceCommand(PieceKind kind) {
  if (!runPieceCommand(*map_, *ui_, kind)) return;
  listLines();
  mapView->redraw();
}

namespace {
// The free area of a window's screen (what panels leave), and the outer
// rectangle of a window of `inner` size at `at`, framed as the main window is.
PixelRect freeArea(const QWidget* w) {
  const QScreen* s = w->screen();
  const QRect a = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
  return {a.left(), a.top(), a.width(), a.height()};
}
PixelRect outerRect(const QWidget* main, QPoint at, QSize inner) {
  const QSize decorations = main->frameGeometry().size() - main->geometry().size();
  return {at.x(), at.y(), inner.width() + decorations.width(), inner.height() + decorations.height()};
}
}  // namespace

QString MDIForm1::helpFilePath() const {
  for (const QString& dir : {QCoreApplication::applicationDirPath(), QDir::currentPath()}) {
    QFileInfo f(QDir(dir), helpFile_);
    if (f.isFile()) return f.absoluteFilePath();
  }
  return {};
}

void MDIForm1::reportMissingFiles() const {
  // The help file and the shape files live beside the program (an installed
  // editor started through a link in bin/ finds them in its own folder). A
  // missing one is noted on standard error; F1 and the Shape Wizard say so too.
  const QString dir = QCoreApplication::applicationDirPath();
  if (helpFilePath().isEmpty())
    qWarning("kv3dedit: the help file %s is neither beside the program (%s) nor in the current directory",
             qPrintable(helpFile_), qPrintable(dir));
  if (listShapeFiles(dir.toStdString()).empty())
    qWarning("kv3dedit: no shape files (*.xml) beside the program (%s)", qPrintable(dir));
}

void MDIForm1::itmHelpContents_Click() {
  const QString path = helpFilePath();
  if (path.isEmpty()) {
    ui_->msgBox(
        "The help file " + helpFile_.toStdString() + " was not found beside the program or in the current directory.",
        "Help", MsgIcon::Exclamation);
    return;
  }
  if (!help) {
    help = new frmHelp;
    // Centred on the main window, and no larger than the screen leaves free.
    const QSize decorations = frameGeometry().size() - geometry().size();
    const PixelRect area = freeArea(this);
    help->resize(help->size().boundedTo(QSize(area.width, area.height) - decorations));
    const QPoint at = frameGeometry().center() -
                      QPoint((help->width() + decorations.width()) / 2, (help->height() + decorations.height()) / 2);
    const PixelRect r = keepInside(outerRect(this, at, help->size()), area);
    help->move(r.left, r.top);
  }
  // The help file is HTML under its own name; its links are anchors in it.
  QUrl contents = QUrl::fromLocalFile(path);
  contents.setFragment("contents");
  help->browser->setSource(contents, QTextDocument::HtmlResource);
  help->show();
  help->raise();
  help->activateWindow();
}

void MDIForm1::itmAbout_Click() {
  if (!splash) splash = new frmSplash(this);
  splash->showSplash(false);
}

void MDIForm1::itmPropWin_Click() {
  if (!wallPanel)
    wallPanel = new frmProps(*sideDefs_, *ui_, [this] {
      mapView->redraw();
      doc_->commit("Set Properties");
    });
  // Just right of the main window and level with its top, moved back onto
  // the screen where that would leave the panel off it.
  const QRect g = frameGeometry();
  const PixelRect r = keepInside(outerRect(this, {g.left() + g.width(), g.top()}, wallPanel->size()), freeArea(this));
  wallPanel->move(r.left, r.top);
  wallPanel->show();
}

void MDIForm1::closeEvent(QCloseEvent* e) {
  // Closing the main window ends the program at once, without asking.
  e->accept();
  QCoreApplication::exit(0);
}

}  // namespace kv
