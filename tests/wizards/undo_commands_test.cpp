// Undo and redo of the kinds of command, checked on the bytes a save would
// write and on the side-def table the tree tools use.
#include <gtest/gtest.h>

#include "bsp/commands.h"
#include "io/document.h"
#include "io/mapfile.h"
#include "testutil.h"
#include "wizards/polytools.h"
#include "wizards/wizardforms.h"

TEST(Undo, EveryKindOfCommandGivesBackTheSavedBytes) {
  kvtest::TempDir dir;
  auto map = kvtest::newMap();
  kv::clsMap& m = *map;
  kv::ScriptedDialogs ui;
  kv::MapDocument doc{m, ui};
  auto sides = std::make_unique<kv::SideDefTable>();
  kv::watchSideDefs(doc.history, *sides);
  doc.history.reset();
  auto state = [&] {
    std::vector<unsigned char> b = kv::encodeMap(m, false);
    const auto* p = reinterpret_cast<const unsigned char*>(sides.get());
    return b.insert(b.end(), p, p + sizeof *sides), b;
  };
  std::vector<std::vector<unsigned char>> states{state()};
  // One command, which must change something: undo gives back every byte,
  // redo the command's result.
  auto command = [&](const std::string& label, const std::function<void()>& run) {
    const auto before = state();
    run();
    doc.commit(label);  // New and Open have made their step already
    states.push_back(state());
    EXPECT_TRUE(states.back() != before && doc.history.undoLabel() == label) << label;
    EXPECT_TRUE(doc.undo() && state() == before) << label;
    EXPECT_TRUE(doc.redo() && state() == states.back()) << label;
  };
  command("Room Wizard", [&] { ASSERT_TRUE(kv::RoomWizardForm().finish(m, ui)); });
  ui.fileAnswers = {dir.file("a.map")};
  doc.saveMapAs();
  command("Split Wall", [&] { m.splitWall(1, 3); });
  EXPECT_EQ(doc.fileStatusText(), "File: a.map (changed)");
  command("Compile, DrawRoom and Build BSP", [&] {
    EXPECT_TRUE(kv::createClassBSP(m, ui));
    kv::drawRoom(*sides);
    EXPECT_TRUE(sides->buildBSP().ok);
  });
  command("New Map", [&] { doc.newMap(); });
  // Saved under another name, then the first file opened over it: the undo
  // gives back the name too, so a Save cannot write this map over a.map.
  ui.fileAnswers = {dir.file("b.map")};
  doc.saveMapAs();
  command("Open Map", [&] { ASSERT_TRUE(doc.openMapFile(dir.file("a.map"))); });
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.fileStatusText(), "File: b.map (unchanged)");
  ASSERT_TRUE(doc.redo());

  for (size_t k = states.size() - 1; k-- > 0;) {  // all the way back, in order
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(state(), states[k]) << k;
  }
  EXPECT_FALSE(doc.undo());
  while (doc.redo()) {
  }
  EXPECT_EQ(state(), states.back());
  // A refused command leaves no step behind.
  const size_t steps = doc.history.undoCount();
  doc.newMap();
  EXPECT_FALSE(kv::createClassBSP(m, ui));
  EXPECT_FALSE(doc.commit("Create class BSP"));
  EXPECT_EQ(doc.history.undoCount(), steps + 1);
}
