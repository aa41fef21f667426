// The five control-state sets in the three variants, against the tables a user sees.
#include <map>

#include "app/control_states.h"
#include "app/shell_fixture.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

struct ButtonExpect {
  bool enabled;
  bool pressed;
  const char* caption;  // nullptr: any
};

using ButtonTable = std::map<int, ButtonExpect>;
using MenuTable = std::map<int, bool>;

void ExpectButtons(const ButtonTable& table, const char* where) {
  for (const auto& [id, e] : table) {
    SCOPED_TRACE(std::string(where) + " button " + std::to_string(id));
    const ButtonModel* b = FindButton(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->enabled, e.enabled);
    EXPECT_EQ(b->pressed, e.pressed);
    if (e.caption) {
      EXPECT_EQ(b->caption, e.caption);
    }
  }
}

void ExpectMenu(const MenuTable& table, const char* where) {
  for (const auto& [id, on] : table) {
    SCOPED_TRACE(std::string(where) + " menu " + std::to_string(id));
    const MenuItemModel* item = FindMenuItem(id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->enabled, on);
  }
}

class ControlStatesTest : public ShellTest, public ::testing::WithParamInterface<int> {};

TEST_P(ControlStatesTest, IdleLiveFileAndPlaySignalsSets) {
  const int v = GetParam();
  Start(v);
  const bool full = v != 2;

  ShowIdleControls();
  EXPECT_EQ(Mode.IdleState, 1);
  EXPECT_EQ(Mode.ActivityActive, 0);
  ButtonTable idle = {{CMD_RUN, {true, false, "&Run"}},       {CMD_PLAY_FILE, {true, false, "&Play File"}},
                      {CMD_RECORD, {false, false, nullptr}}, {CMD_FREEZE, {false, false, nullptr}},
                      {CMD_RESET, {true, false, "&Exit"}}};
  MenuTable idleMenu = {{40003, false}, {40004, false}, {40005, true},  {40011, true},
                        {40012, true},  {40013, false}, {40014, false}};
  if (full) {
    idle[CMD_ANALYSIS] = {true, false, "A&nalysis"};
    idle[CMD_STORE] = {false, false, "&Store"};
    idleMenu.insert({{40007, true}, {40015, false}, {40018, false}, {40021, false}});
  }
  if (v == 1) idleMenu[40017] = true;
  ExpectButtons(idle, "idle");
  ExpectMenu(idleMenu, "idle");

  ShowLiveControls();
  EXPECT_EQ(Mode.IdleState, 0);
  EXPECT_EQ(Mode.ActivityActive, 1);
  ButtonTable live = {{CMD_RUN, {false, false, full ? "Play &A" : "&Run"}},
                      {CMD_PLAY_FILE, {false, false, full ? "Play &B" : "&Play Zizivuv"}},
                      {CMD_RECORD, {true, false, nullptr}},
                      {CMD_FREEZE, {true, false, nullptr}},
                      {CMD_RESET, {false, false, "&Exit"}}};  // keeps the caption it had
  MenuTable liveMenu = {{40003, false}, {40004, false}, {40005, false}, {40011, false},
                        {40012, false}, {40013, true},  {40014, true}};
  if (full) {
    live[CMD_ANALYSIS] = {false, false, nullptr};
    live[CMD_STORE] = {false, false, nullptr};
    liveMenu.insert({{40007, false}, {40015, false}, {40018, false}, {40021, false}});
  }
  ExpectButtons(live, "live");
  ExpectMenu(liveMenu, "live");

  ShowFileControls();
  ButtonTable file = live;
  file[CMD_RECORD] = {false, false, nullptr};
  file[CMD_RESET] = {false, false, "R&eset"};
  MenuTable fileMenu = liveMenu;
  fileMenu[40013] = false;
  ExpectButtons(file, "file");
  ExpectMenu(fileMenu, "file");

  ShowPlaySignalsControls();
  ButtonTable play = {{CMD_RUN, {false, false, nullptr}},    {CMD_PLAY_FILE, {false, false, nullptr}},
                      {CMD_RECORD, {false, false, nullptr}}, {CMD_FREEZE, {true, false, nullptr}},
                      {CMD_RESET, {false, false, "R&eset"}}};
  if (full) play[CMD_ANALYSIS] = play[CMD_STORE] = {false, false, nullptr};
  ExpectButtons(play, "play signals");
  ExpectMenu({{40003, false}, {40004, false}, {40005, false}, {40011, false}, {40012, false}, {40013, false},
              {40014, true}},
             "play signals");
}

TEST_P(ControlStatesTest, FrozenSetFollowsComparisonAndSampleB) {
  const int v = GetParam();
  Start(v);
  const bool full = v != 2;
  Mode.Frozen = 1;

  // Comparison disabled, nothing stored.
  ShowFrozenControls();
  ButtonTable frozen = {{CMD_RUN, {full, false, full ? "Play &A" : nullptr}},
                        {CMD_PLAY_FILE, {!full, false, full ? "Play &B" : "&Play Zizivuv"}},
                        {CMD_RECORD, {false, false, nullptr}},
                        {CMD_FREEZE, {true, true, nullptr}},
                        {CMD_RESET, {true, false, "R&eset"}}};
  MenuTable frozenMenu = {{40003, true}, {40004, true}, {40005, true}, {40011, false}, {40013, false}, {40014, true}};
  if (full) {
    frozen[CMD_ANALYSIS] = {true, false, nullptr};
    frozen[CMD_STORE] = {false, false, nullptr};
    frozenMenu.insert({{40007, true}, {40012, false}, {40015, false}, {40018, true}, {40021, false}});
  } else {
    frozenMenu[40012] = true;  // Play Zizivuv from the menu too
  }
  ExpectButtons(frozen, "frozen");
  ExpectMenu(frozenMenu, "frozen");
  if (!full) return;

  // Above/Below enables Store; after a Store, Play B and Save Sample B.
  SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
  ShowFrozenControls();
  EXPECT_TRUE(FindButton(CMD_STORE)->enabled);
  EXPECT_TRUE(FindMenuItem(40015)->enabled);
  EXPECT_FALSE(FindButton(CMD_PLAY_FILE)->enabled);
  Mode.SampleBStored = 1;
  ShowFrozenControls();
  EXPECT_TRUE(FindButton(CMD_PLAY_FILE)->enabled);
  EXPECT_EQ(FindButton(CMD_PLAY_FILE)->caption, "Play &B");
  EXPECT_TRUE(FindMenuItem(40021)->enabled);
  EXPECT_TRUE(FindMenuItem(40012)->enabled);
}

INSTANTIATE_TEST_SUITE_P(Variants, ControlStatesTest, ::testing::Values(0, 1, 2));

}  // namespace
