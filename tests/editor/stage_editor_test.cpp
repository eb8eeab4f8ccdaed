#include "editor/stage_editor.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_tools.h"
#include "editor/edited_pack.h"
#include "editor/stage_faults.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

const PaletteItem& Item(char key) {
  return Palette()[static_cast<size_t>(PaletteIndexOfKey(key))];
}

// A stage that keeps every rule: the new hall with a key chest, an exit
// door and two enemies, one of them a wraith inside the wall.
EditedStage GoodStage() {
  EditedStage stage = NewStage("Good Hall");
  PutItem(stage, 13, 11, Item('K'));
  PutItem(stage, 25, 5, Item('E'));
  PutItem(stage, 15, 8, Item('1'));
  PutItem(stage, 20, 11, Item('6'));
  return stage;
}

EditorOptions OptionsFor(EditedStage stage) {
  EditorOptions options;
  options.folder = "/packs/halls";
  options.opened.pack.info = {"Halls", "Me", ""};
  options.opened.pack.stages.push_back(std::make_shared<const EditedStage>(std::move(stage)));
  return options;
}

TEST(EditedStage, TextReadsBackAsTheSameStage) {
  const EditedStage stages[] = {NewStage("New"), GoodStage()};
  for (const EditedStage& stage : stages) {
    std::vector<std::string> problems;
    EXPECT_EQ(ReadStageText(StageText(stage), problems), stage) << StageText(stage);
    EXPECT_TRUE(problems.empty());
  }
  // The wraith in the wall needs a line of its own; the rest are digits.
  EXPECT_NE(StageText(GoodStage()).find("enemy: 6 20 11\n"), std::string::npos);
  EXPECT_TRUE(FindStageFaults(GoodStage()).empty());
}

// The keys of the editor's commands are no stage text character: typing
// one never picks a tile instead.
TEST(StageEditorKeys, CommandsAndPaletteKeysDiffer) {
  for (const char key : std::string("prcezytnwvauhmk<>[]? ")) {
    EXPECT_EQ(PaletteIndexOfKey(key), -1) << "'" << key << "' is a command and a tile";
  }
  StageEditor editor(OptionsFor(GoodStage()));
  editor.Type("v");
  EXPECT_TRUE(editor.TakePlayRequest());
  editor.Type("e");
  EXPECT_EQ(editor.tool(), Tool::kEraser);
  editor.Type("E");
  EXPECT_EQ(Palette()[static_cast<size_t>(editor.item())].code, kExitDoor);
}

TEST(StageFaults, NameTheCellAtFault) {
  EditedStage near_start = GoodStage();
  PutItem(near_start, 3, 2, Item('2'));
  EditedStage no_exit = GoodStage();
  PutItem(no_exit, 25, 5, Item('#'));
  const struct {
    EditedStage stage;
    std::string words;
    int column, row;
  } cases[] = {
      {near_start, "within 4 cells of the start door", 3, 2},
      {no_exit, "no exit door", -1, -1},
  };
  for (const auto& c : cases) {
    const std::vector<StageFault> faults = FindStageFaults(c.stage);
    ASSERT_EQ(faults.size(), 1u) << c.words;
    EXPECT_NE(faults[0].message.find(c.words), std::string::npos) << faults[0].message;
    EXPECT_EQ(faults[0].column, c.column) << c.words;
    EXPECT_EQ(faults[0].row, c.row) << c.words;
  }
}

TEST(EditTools, PutRectangleFillAndErase) {
  EditedStage stage = GoodStage();
  // A second start door moves the first: the old one becomes a wall.
  PutItem(stage, 0, 5, Item('S'));
  EXPECT_EQ(stage.Tile(0, 5), kStartDoor);
  EXPECT_EQ(stage.Tile(0, 1), 16);
  // An enemy on a wall stands on floor; the wraith stays in the wall.
  PutItem(stage, 25, 2, Item('3'));
  EXPECT_EQ(stage.Tile(25, 2), kFloor);
  EXPECT_EQ(stage.Enemy(20, 11), kWraith);
  EXPECT_EQ(stage.Tile(20, 11), 16);
  // A tile takes the enemy away.
  PutItem(stage, 15, 8, Item('~'));
  EXPECT_EQ(stage.Enemy(15, 8), kNoEnemy);
  // Fill runs over the hall's floor and stops at the walls.
  FillFrom(stage, 5, 5, Item('i'));
  EXPECT_EQ(stage.Tile(1, 1), 68);
  EXPECT_EQ(stage.Tile(24, 10), 68);
  EXPECT_EQ(stage.Tile(0, 2), 16);
  EXPECT_EQ(stage.Tile(15, 8), 34);  // the water was no floor
  PutRectangle(stage, 4, 4, 2, 2, Item('.'));
  for (int row = 2; row <= 4; ++row)
    for (int column = 2; column <= 4; ++column) EXPECT_EQ(stage.Tile(column, row), kFloor);
  EXPECT_EQ(stage.Tile(5, 4), 68);
  EraseCell(stage, 25, 2);
  EXPECT_EQ(stage.Tile(25, 2), kDarkness);
  EXPECT_EQ(stage.Enemy(25, 2), kNoEnemy);
}

// Keys alone: each change is one step back, and every step comes back.
TEST(StageEditorHistory, UndoAndRedoRoundTrip) {
  StageEditor editor(OptionsFor(NewStage("Start")));
  std::vector<EditedStage> seen = {editor.stage()};
  const std::string items = "#~.iO";
  for (int step = 0; step < 150; ++step) {
    editor.Type(std::string(1, items[static_cast<size_t>(step) % items.size()]));
    editor.Arrow(step % 24 == 23 ? Key::Down : Key::Right);
    if (step % 24 == 23) {
      for (int back = 0; back < 23; ++back) editor.Arrow(Key::Left);
    }
    editor.Type(" ");
    if (!(editor.stage() == seen.back())) seen.push_back(editor.stage());
  }
  ASSERT_GT(seen.size(), 100u);
  EXPECT_EQ(editor.history().undo_steps(), seen.size() - 1);
  for (size_t i = seen.size() - 1; i-- > 0;) {
    editor.Type("z");
    ASSERT_EQ(editor.stage(), seen[i]) << "undo back to step " << i;
  }
  for (size_t i = 1; i < seen.size(); ++i) {
    editor.Type("Ctrl+y");
    ASSERT_EQ(editor.stage(), seen[i]) << "redo to step " << i;
  }
  // A new change after undoing forgets what could be redone.
  editor.Type("z");
  editor.Type("K");
  editor.Type("Return");
  EXPECT_EQ(editor.history().redo_steps(), 0u);
}

// A drag draws every cell it passes, even cells skipped between two looks,
// as one step; the title and the pack's stages are steps too.
TEST(StageEditorHistory, StrokesTitlesAndStagesAreOneStepEach) {
  StageEditor editor(OptionsFor(NewStage("Start")));
  const EditedStage before = editor.stage();
  const auto at = [](int column, int row, bool down, bool pressed, bool released) {
    PointerState p;
    p.seen = down || pressed || released;
    p.x = kMapViewLeft + column * kEditCellPixels + 3;
    p.y = kMapViewTop + row * kEditCellPixels + 3;
    p.down = down;
    p.pressed = pressed;
    p.released = released;
    return p;
  };
  editor.Type("~");
  editor.Pointer(at(2, 3, true, true, false));
  editor.Pointer(at(6, 3, true, false, false));
  editor.Pointer(at(6, 3, false, false, true));
  for (int column = 2; column <= 6; ++column) EXPECT_EQ(editor.stage().Tile(column, 3), 34);
  EXPECT_EQ(editor.history().undo_steps(), 1u);

  editor.Type("t");
  for (int i = 0; i < 5; ++i) editor.Type("Backspace");
  editor.Type("H");
  editor.Type("i");
  editor.Type("Return");
  EXPECT_EQ(editor.stage().title, "Hi");
  editor.StageCommand(StageButton::kDuplicate);
  editor.StageCommand(StageButton::kAdd);
  editor.StageCommand(StageButton::kMoveEarlier);
  EXPECT_EQ(editor.stage_index(), 1);
  EXPECT_EQ(editor.stage().title, "Stage 3");
  editor.StageCommand(StageButton::kDelete);
  ASSERT_EQ(editor.pack().stages.size(), 2u);
  EXPECT_EQ(editor.stage().title, "Hi");
  EXPECT_EQ(editor.history().undo_steps(), 6u);
  for (int i = 0; i < 6; ++i) editor.Undo();
  EXPECT_EQ(editor.stage(), before);
  EXPECT_EQ(editor.pack().stages.size(), 1u);
}

TEST(StageEditorSave, WritesThePackOrTellsWhyNot) {
  std::string written_to;
  std::vector<std::pair<std::string, std::string>> files;
  EditorOptions options = OptionsFor(GoodStage());
  options.save = [&](const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& saved) {
    written_to = folder;
    files = saved;
    return std::string();
  };
  options.read_only = true;
  options.copy_folder = "/mine/halls-copy";
  StageEditor editor(std::move(options));
  editor.Type("~");
  editor.Type(" ");
  ASSERT_TRUE(editor.changed_since_save());
  editor.Type("w");
  // The game's own pack is never written: its copy is, and is the pack
  // from then on.
  EXPECT_EQ(written_to, "/mine/halls-copy");
  EXPECT_EQ(editor.folder(), "/mine/halls-copy");
  EXPECT_FALSE(editor.read_only());
  EXPECT_FALSE(editor.changed_since_save());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0],
            std::make_pair(std::string("pack.txt"), std::string("name: Halls\nauthor: Me\n")));
  EXPECT_EQ(files[1].first, "stage01.txt");
  EXPECT_EQ(files[1].second, StageText(editor.stage()));

  EditorOptions failing = OptionsFor(GoodStage());
  failing.save = [](const std::string&, const std::vector<std::pair<std::string, std::string>>&) {
    return std::string("/packs/halls/stage01.txt: cannot write: No space left on device");
  };
  StageEditor full(std::move(failing));
  full.Type("~");
  full.Type(" ");
  full.Save();
  EXPECT_EQ(full.message(),
            "NOT SAVED: /packs/halls/stage01.txt: cannot write: No space left on device");
  EXPECT_TRUE(full.changed_since_save());
}

// Saving at each change (the browser): a change is saved once it is whole,
// never in the middle of a stroke, a rectangle or a title being typed; the
// message line keeps what it said; a failed save says so and waits for the
// next change.
TEST(StageEditorSave, EachChangeOnceItIsWhole) {
  int saves = 0;
  bool disk_full = false;
  EditorOptions options = OptionsFor(NewStage("Start"));
  options.save_each_change = true;
  options.save = [&](const std::string&, const std::vector<std::pair<std::string, std::string>>&) {
    ++saves;
    return disk_full ? std::string("no room left") : std::string();
  };
  StageEditor editor(std::move(options));
  const auto at = [](int column, bool pressed, bool released) {
    PointerState p;
    p.seen = true;
    p.x = kMapViewLeft + column * kEditCellPixels + 3;
    p.y = kMapViewTop + 3 * kEditCellPixels + 3;
    p.down = !released;
    p.pressed = pressed;
    p.released = released;
    return p;
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    int saves;
  };
  const Step steps[] = {
      {"a stroke begun", [&] { editor.Type("~"), editor.Pointer(at(2, true, false)); }, 0},
      {"the stroke drawn on", [&] { editor.Pointer(at(5, false, false)); }, 0},
      {"the stroke ended", [&] { editor.Pointer(at(5, false, true)); }, 1},
      {"nothing changed", [] {}, 1},
      {"a title typed", [&] { editor.Type("t"), editor.Type("X"); }, 1},
      {"the title kept", [&] { editor.Type("Return"); }, 2},
      {"a rectangle's first corner", [&] { editor.Type("r"), editor.Type(" "); }, 2},
      {"its other corner", [&] { editor.Arrow(Key::Right), editor.Type(" "); }, 3},
      {"a save that fails", [&] { disk_full = true, editor.Type("a"); }, 4},
      {"not tried again unchanged", [] {}, 4},
      {"tried at the next change", [&] { editor.Type("a"); }, 5},
  };
  for (const Step& step : steps) {
    step.act();
    editor.SaveEachChange();
    EXPECT_EQ(saves, step.saves) << step.what;
  }
  EXPECT_EQ(editor.message(), "NOT SAVED: no room left");
  disk_full = false;
  editor.Undo();
  editor.SaveEachChange();
  EXPECT_FALSE(editor.changed_since_save());
  EXPECT_EQ(editor.message(), "Undone; 4 more to undo") << "the line keeps what it said";
}

// The list of packs opens another pack (the one being edited is saved
// first) or starts a new one.
TEST(StageEditorPacks, TheListOpensAnotherPackOrANewOne) {
  testing::ScratchFolder other("kolvar-other-pack");
  other.Write("pack.txt", "name: Other\nauthor: Them\n");
  other.Write("stage01.txt", StageText(NewStage("Other Hall")));
  std::vector<std::string> saved_to;
  EditorOptions options = OptionsFor(GoodStage());
  options.save = [&](const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>&) {
    saved_to.push_back(folder);
    return std::string();
  };
  options.shelf.author = "Me";
  options.shelf.list = [&] {
    return std::vector<ShelfPack>{{"halls", "/packs/halls"}, {"other", other.str()}};
  };
  options.shelf.make_new = [] {
    return ShelfPack{"my-stages", "/packs/my-stages", false, "", false};
  };
  StageEditor editor(std::move(options));
  editor.Type("~");
  editor.Type(" ");
  editor.Type("l");
  ASSERT_TRUE(editor.pack_list_shown());
  EXPECT_EQ(editor.pack_list_choice(), 1);  // the pack being edited
  editor.Arrow(Key::Down);
  editor.Type("Return");
  EXPECT_EQ(saved_to, std::vector<std::string>{"/packs/halls"});
  EXPECT_EQ(editor.folder(), other.str());
  EXPECT_EQ(editor.stage().title, "Other Hall");
  EXPECT_EQ(editor.pack().info.author, "Them");
  EXPECT_EQ(editor.history().undo_steps(), 0u);
  EXPECT_FALSE(editor.changed_since_save());

  editor.Type("l");
  editor.Arrow(Key::Down);  // from the last line round to "New pack"
  editor.Type("Return");
  EXPECT_EQ(editor.folder(), "/packs/my-stages");
  EXPECT_EQ(editor.pack().info.name, "my-stages");
  EXPECT_EQ(editor.pack().info.author, "Me");
  EXPECT_TRUE(editor.changed_since_save());  // closing saves it
  EXPECT_EQ(saved_to.size(), 1u);            // the other pack had no changes
}

// A pack whose stages cannot all be read opens with what can be, and is
// saved as a copy, never over what the editor could not read.
TEST(EditedPackReading, WhatCannotBeReadKeepsThePackFromBeingOverwritten) {
  const struct {
    const char* stage01;
    const char* stage03;
    bool whole;
  } cases[] = {
      {nullptr, nullptr, true},
      {"title: Broken\nmap:\n###\n", nullptr, false},
      {nullptr, "title: After a gap\n", false},
  };
  for (const auto& c : cases) {
    testing::ScratchFolder folder("kolvar-edited-pack");
    folder.Write("pack.txt", "name: Halls\nauthor: Me\n");
    folder.Write("stage01.txt", c.stage01 ? c.stage01 : StageText(GoodStage()));
    if (c.stage03) folder.Write("stage03.txt", c.stage03);
    const OpenedPack opened = ReadEditedPack(folder.str());
    EXPECT_EQ(opened.stages_whole, c.whole);
    EXPECT_EQ(opened.problems.empty(), c.whole);
    EXPECT_EQ(opened.pack.info.name, "Halls");
    ASSERT_EQ(opened.pack.stages.size(), 1u);
    EditorOptions options;
    options.folder = folder.str();
    options.opened = opened;
    EXPECT_EQ(StageEditor(std::move(options)).read_only(), !c.whole);
  }
}

}  // namespace
}  // namespace kolvar
