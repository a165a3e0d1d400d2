// MDIForm1, the main window: menus, toolbar, status bar and the child
// windows, and the load sequence that creates the one map object.
#pragma once
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <memory>

#include "bsp/sidedef.h"
#include "io/document.h"
#include "io/log.h"
#include "io/recent.h"
#include "ui/frmmap.h"
#include "ui/frmproject.h"
#include "ui/frmproperties.h"
#include "ui/frmwallpanel.h"
#include "ui/listwindows.h"
#include "ui/qtdialogs.h"
#include "ui/wizarddialogs.h"

namespace kv {

inline constexpr const char* kHelpFileName = "kv3d.hlp";

class MDIForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // `log` is written during the load and closed at its end (null: no log).
  // `dialogs` answers the message boxes and file dialogs; null means the
  // desktop's own.
  explicit MDIForm1(StartupLog* log = nullptr, Dialogs* dialogs = nullptr);
  ~MDIForm1() override;

  // --- state -----------------------------------------------------------------
  clsMap& map() { return *map_; }
  MapDocument& document() { return *doc_; }
  Dialogs& dialogs() { return *ui_; }
  SideDefTable& sideDefs() { return *sideDefs_; }
  RecentFiles recent;

  // --- windows -----------------------------------------------------------------
  QMdiArea* mdiArea;
  frmMap* mapView = nullptr;
  frmProject* project = nullptr;
  frmProperties* properties = nullptr;
  frmSelect* select = nullptr;
  frmDragDrop* dragDrop = nullptr;
  QWidget* render = nullptr;   // frmRender
  QWidget* control = nullptr;  // frmControl
  frmProps* wallPanel = nullptr;
  frmSplash* splash = nullptr;
  frmHelp* help = nullptr;
  QToolBar* Toolbar1;
  QLabel* insertionPanel;  // first panel of StatusBar1
  QLabel* messagePanel;    // second panel: what a command could not do
  QLabel* filePanel;       // the map file's name and whether the map changed

  // The sub-window that holds a child window.
  QMdiSubWindow* frameOf(QWidget* child) const;
  // Where the help file is looked for: beside the program, then the current
  // directory. Empty when it is in neither.
  QString helpFilePath() const;
  // Notes on standard error a help file or shape files that cannot be found.
  void reportMissingFiles() const;

  // --- load, arrangement, commands ------------------------------------------
  void MDIForm_Load();
  void adjustWindows();
  void setRecentCaptions();
  void Toolbar1_ButtonClick(const QString& key);
  void itmExportMap_Click();
  void itmZoomIn_Click();
  void itmZoomOut_Click();
  void itmRoomWizard_Click();
  void itmColWizard_Click();
  void itmStairWizard_Click();
  void itmSplitWall_Click();
  void itmPassageWizard_Click();
  void itmShapeWizard_Click();
  void pieceCommand(PieceKind kind);

  // The wizards' fields, kept between uses, and their dialogs.
  RoomWizardForm roomForm;
  ColWizardForm colForm;
  StairWizardForm stairForm;
  SplitWallForm splitForm;
  PassageWizardForm passageForm;
  frmRoomWizard* roomWizard = nullptr;
  ShapeWizardForm shapeForm;
  frmShapeWizard* shapeWizard = nullptr;
  void itmHelpContents_Click();
  void itmAbout_Click();
  void itmPropWin_Click();
  void showMessage(const QString& text);

  // Edit > Undo and Redo.
  void itmUndo_Click();
  void itmRedo_Click();

  // --- the Test menu: switched off for users, its commands run all the same --
  void itmWZSwitch_Click();
  void itmShowCtl_Click();
  void itmCreateBSP_Click();
  void itmReadNewMap_Click();
  void itmTestMapObj_Click();
  void itmCheckerBoard_Click();
  void itmViewAngle_Click();
  void itmTestPoly_Click();
  void itmDrawRoom_Click();
  void itmMultiPoly_Click();
  void itmBuildBSP_Click();
  void itmIntersect_Click();
  void itmWalkTree_Click();
  // "Draw Tree" of the View menu, switched off like the Test menu.
  void itmDrawTree_Click();
  // The offsets, in map units, of the main window's own line drawing.
  float lineOffsetX = 0, lineOffsetY = 0;
  // A line in map units drawn on the map view through those offsets.
  void drawMapLine(Long x1, Long y1, Long x2, Long y2, Long colour);
  // The fixed point "Find View Angle" measures towards.
  static constexpr float kViewAngleX = 0, kViewAngleY = 0;

  // Lists the map in the project tree.
  void listLines();

 protected:
  void closeEvent(QCloseEvent*) override;

 private:
  QAction* item(QMenu* menu, const char* name, const char* caption, const std::function<void()>& f = {});
  void separator(QMenu* menu, const char* name);
  void buildMenus();
  void connectWindows();
  void buildFileEditViewMenus();
  void buildWizardAndTestMenus();
  void buildWindowAndHelpMenus();
  QMenu* topMenu(const char* name, const char* title);
  void buildToolbar();
  QMdiSubWindow* addChild(QWidget* w);
  void showChild(QWidget* w, bool toFront);
  void nyaCommand();
  void zoom(bool (*step)(clsMap&, std::string&));
  QString zoomRefusal_;  // the status text of the last refused zoom
  // Runs a wizard's dialog; afterwards the tree and the view show the result.
  // `redraw`: the map view is drawn again too (the split wall command
  // leaves it as it is).
  void runWizard(WizardDialog* d, std::function<void()> activate, std::function<bool()> finish, bool redraw = true);
  std::vector<std::string> selectionList() const;
  frmColWizard* colWizard_ = nullptr;
  frmStairWizard* stairWizard_ = nullptr;
  frmSplitWall* splitWall_ = nullptr;
  frmPassageWizard* passageWizard_ = nullptr;
  bool passageLoaded_ = false;
  void logLine(const char* text);
  // The undo items' state and the file panel, after anything that may
  // change them.
  void showDocumentState();

  StartupLog* log_;
  QtDialogs qtDialogs_;
  Dialogs* ui_;
  std::unique_ptr<clsMap> map_;
  std::unique_ptr<MapDocument> doc_;
  std::unique_ptr<SideDefTable> sideDefs_;  // the older segment table of the tree tools
  QString helpFile_;
};

}  // namespace kv
