// Undo and redo of every kind of command, checked on the bytes a save would
// write (and on the side-def table the tree tools use).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "bsp/commands.h"
#include "bsp/sidedef.h"
#include "io/document.h"
#include "io/mapfile.h"
#include "testutil.h"
#include "view/mapeditor.h"
#include "view/properties.h"
#include "wizards/polytools.h"
#include "wizards/wizardforms.h"

namespace {

struct Editor {
  kvtest::TempDir dir;
  std::unique_ptr<kv::clsMap> m = kvtest::newMap();
  kv::ScriptedDialogs ui;
  kv::MapDocument doc{*m, ui};
  std::unique_ptr<kv::SideDefTable> sides = std::make_unique<kv::SideDefTable>();
  Editor() {
    kv::watchSideDefs(doc.history, *sides);
    doc.history.reset();
  }
  // What a save would write and the side-def table.
  std::vector<unsigned char> state() const {
    std::vector<unsigned char> b = kv::encodeMap(*m, false);
    const auto* p = reinterpret_cast<const unsigned char*>(sides.get());
    b.insert(b.end(), p, p + sizeof *sides);
    return b;
  }
  std::vector<std::vector<unsigned char>> states{state()};
  // Runs one command, which must change something, and checks that undo
  // gives back every byte and redo the command's result.
  void command(const std::string& label, const std::function<void()>& run) {
    SCOPED_TRACE(label);
    const auto before = state();
    run();
    doc.commit(label);  // New and Open have made their step already
    const auto after = state();
    ASSERT_NE(after, before);
    EXPECT_EQ(doc.history.undoLabel(), label);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(state(), before);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(state(), after);
    states.push_back(after);
  }
};

TEST(Undo, EveryCommandKindGivesBackTheSavedBytes) {
  Editor e;
  kv::clsMap& m = *e.m;
  m.insertX = 0, m.insertY = 0;
  kv::RoomWizardForm room;
  e.command("Room Wizard", [&] {
    room.activate(m);
    ASSERT_TRUE(room.finish(m, e.ui));
  });
  e.ui.fileAnswers = {e.dir.file("a.map")};
  e.doc.saveMapAs();
  EXPECT_EQ(e.doc.fileStatusText(), "File: a.map (unchanged)");

  kv::PropertiesLogic props(m);
  props.redraw = [&] { e.doc.commit("Properties OK"); };
  e.command("Properties OK", [&] {
    m.selectedWall = 1;
    props.showProps(kv::kPropWall, 1);
    props.grd_Props_Click(1);
    props.editorText = "-77";
    props.cmd_PropOK_Click();
  });
  EXPECT_EQ(e.doc.fileStatusText(), "File: a.map (changed)");

  e.command("Set Properties", [&] { e.sides->rec[0].backCeilTx = 5; });

  kv::RasterSurface surface(400, 300);
  kv::MapEditor ed(m, surface, e.ui);
  ed.hooks.edited = [&](const std::string& label) { e.doc.commit(label); };
  for (kv::Integer mode : {kv::kModeScale, kv::kModeMove})
    e.command(mode == kv::kModeScale ? "Scale Selection" : "Move Selection", [&] {
      m.selectedArea = 0;
      m.getArea(0);
      m.editMode = mode;
      ed.mouseDown(kv::kLeftButton, 0, 60, 60);
      ed.mouseMove(kv::kLeftButton, 0, 90, 75);
      ed.mouseUp(kv::kLeftButton, 0, 90, 75);
    });

  kv::SplitWallForm split;
  e.command("Split wall", [&] {
    m.selectedWall = 2;
    ASSERT_TRUE(split.finish(m, e.ui));
  });
  kv::PassageWizardForm passage;
  const std::vector<std::string> sel{"Wall #0", "Wall #2"};
  e.command("Passage Wizard", [&] {
    passage.load(m, sel);
    ASSERT_TRUE(passage.finish(m, e.ui, sel));
  });
  e.command("Compile and save map binary", [&] {
    EXPECT_TRUE(kv::exportMapBinary(m, e.ui, [] { return 0.0; }).compiled);
  });
  e.command("DrawRoom", [&] { kv::drawRoom(*e.sides); });
  e.command("Build BSP", [&] { EXPECT_TRUE(e.sides->buildBSP().ok); });
  e.command("New Map", [&] { e.doc.newMap(); });
  // Saved under another name, then the first file opened over it: the undo
  // gives back the name too, so a Save cannot write this map over a.map.
  e.ui.fileAnswers = {e.dir.file("b.map")};
  e.doc.saveMapAs();
  e.command("Open Map", [&] { ASSERT_TRUE(e.doc.openMapFile(e.dir.file("a.map"))); });
  EXPECT_EQ(e.doc.fileStatusText(), "File: a.map (unchanged)");
  ASSERT_TRUE(e.doc.undo());
  EXPECT_EQ(e.doc.fileStatusText(), "File: b.map (unchanged)");
  ASSERT_TRUE(e.doc.redo());

  // All the way back, in order, and forward again.
  for (size_t k = e.states.size() - 1; k-- > 0;) {
    ASSERT_TRUE(e.doc.undo());
    EXPECT_EQ(e.state(), e.states[k]) << k;
  }
  EXPECT_FALSE(e.doc.undo());
  // A Save As is no step: the name it gave stays.
  EXPECT_EQ(e.doc.fileStatusText(), "File: b.map (changed)");
  while (e.doc.redo()) {
  }
  EXPECT_EQ(e.state(), e.states.back());

  // A refused command leaves no step behind.
  const size_t steps = e.doc.history.undoCount();
  e.doc.newMap();
  EXPECT_FALSE(kv::createClassBSP(m, e.ui));  // nothing to compile
  EXPECT_FALSE(e.doc.commit("Create class BSP"));
  EXPECT_EQ(e.doc.history.undoCount(), steps + 1);
}

}  // namespace
