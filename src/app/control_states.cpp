#include "app/control_states.h"

#include "app/activities.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// A state set as a table: -1 leaves an item alone.
struct ItemState {
  int id;
  int on;
};

struct ButtonState {
  int id;
  int on;               // -1 unchanged
  const char* caption;  // nullptr unchanged
};

int Variant() { return AnalysisSettings.ProductVariant; }

void ApplyMenu(std::initializer_list<ItemState> items) {
  for (const auto& i : items) {
    // Items 40007, 40015, 40018, 40021 exist only in variants 0 and 1, 40017 only in variant 1;
    // a missing item is simply not found.
    if (i.on >= 0) EnableMenuItem(i.id, i.on != 0);
  }
}

void ApplyButtons(std::initializer_list<ButtonState> buttons) {
  for (const auto& b : buttons) {
    if (b.caption) SetButtonCaption(b.id, b.caption);
    if (b.on >= 0) EnableButton(b.id, b.on != 0);
  }
}

// Every set starts the same way: the two flags, all six push-like buttons released, and an open
// options dialog painted again, since what it locks depends on the activity.
void BeginSet(int idle) {
  Mode.IdleState = idle;
  Mode.ActivityActive = idle ? 0 : 1;
  for (int id = CMD_RUN; id <= CMD_RESET; ++id) SetButtonPressed(id, false);
  RepaintOptionsDialog();
}

// Variant 2 keeps "&Run" on the Run button in every set.
const char* RunCaptionPlayA() { return Variant() == 2 ? "&Run" : "Play &A"; }
const char* PlayFileCaptionPlayB() { return Variant() == 2 ? "&Play Zizivuv" : "Play &B"; }

// Export Measurements and Save Sample Bundle need a still frozen view.
void NoHeldSampleExports() { ApplyMenu({{40031, 0}, {40032, 0}}); }

}  // namespace

void ShowIdleControls() {
  BeginSet(1);
  NoHeldSampleExports();
  ApplyMenu({{40003, 0}, {40004, 0}, {40005, 1}, {40007, 1}, {40017, 1}, {40011, 1}, {40012, 1}, {40013, 0},
             {40014, 0}, {40015, 0}, {40018, 0}, {40021, 0}});
  // The Play File button is captioned "&Play" and then "&Play File"; the last one stays.
  ApplyButtons({{CMD_ANALYSIS, 1, nullptr}, {CMD_RUN, 1, "&Run"}, {CMD_PLAY_FILE, 1, "&Play"},
                {CMD_PLAY_FILE, -1, "&Play File"}, {CMD_RECORD, 0, nullptr}, {CMD_FREEZE, 0, nullptr},
                {CMD_STORE, 0, nullptr}, {CMD_RESET, 1, "&Exit"}});
  SetMainFocus();
}

void ShowLiveControls() {
  BeginSet(0);
  NoHeldSampleExports();
  ApplyMenu({{40003, 0}, {40004, 0}, {40005, 0}, {40007, 0}, {40017, 0}, {40011, 0}, {40012, 0}, {40013, 1},
             {40014, 1}, {40015, 0}, {40018, 0}, {40021, 0}});
  ApplyButtons({{CMD_ANALYSIS, 0, nullptr}, {CMD_RUN, 0, RunCaptionPlayA()},
                {CMD_PLAY_FILE, 0, PlayFileCaptionPlayB()}, {CMD_RECORD, 1, nullptr}, {CMD_FREEZE, 1, nullptr},
                {CMD_STORE, 0, nullptr}, {CMD_RESET, 0, nullptr}});
  SetMainFocus();
}

void ShowFileControls() {
  BeginSet(0);
  NoHeldSampleExports();
  ApplyMenu({{40003, 0}, {40004, 0}, {40005, 0}, {40007, 0}, {40017, 0}, {40011, 0}, {40012, 0}, {40013, 0},
             {40014, 1}, {40015, 0}, {40018, 0}, {40021, 0}});
  ApplyButtons({{CMD_ANALYSIS, 0, nullptr}, {CMD_RUN, 0, RunCaptionPlayA()},
                {CMD_PLAY_FILE, 0, PlayFileCaptionPlayB()}, {CMD_RECORD, 0, nullptr}, {CMD_FREEZE, 1, nullptr},
                {CMD_STORE, 0, nullptr}, {CMD_RESET, 0, "R&eset"}});
  SetMainFocus();
}

void ShowFrozenControls() {
  const int variant = Variant();
  BeginSet(0);
  ApplyMenu({{40003, 1}, {40004, 1}, {40005, 1}, {40031, 1}, {40032, 1}});
  SetButtonPressed(CMD_FREEZE, true);
  if (variant != 2) {
    EnableButton(CMD_ANALYSIS, true);
    ApplyMenu({{40007, 1}, {40017, 1}});
  }
  ApplyButtons({{CMD_RUN, 0, nullptr}, {CMD_PLAY_FILE, 0, nullptr}, {CMD_RECORD, 0, nullptr}, {CMD_FREEZE, 1, nullptr}});
  ApplyMenu({{40011, 0}, {40012, 0}, {40013, 0}, {40014, 1}});
  const bool storeOn = variant != 2 && Companions.ComparisonMode != 0;
  EnableButton(CMD_STORE, storeOn);
  EnableMenuItem(40015, storeOn);
  ApplyButtons({{CMD_RESET, 1, "R&eset"}});

  const bool sampleBAvailable =
      Mode.SampleBStored == 1 && (Companions.ComparisonMode == 1 || Companions.ComparisonMode == 2);
  if (sampleBAvailable || variant == 2) {
    ApplyButtons({{CMD_PLAY_FILE, 1, PlayFileCaptionPlayB()}});
    ApplyMenu({{40012, 1}, {40021, 1}});
  }
  if (variant != 2 && Mode.Frozen) {
    ApplyButtons({{CMD_RUN, 1, "Play &A"}, {CMD_PLAY_FILE, sampleBAvailable ? 1 : 0, "Play &B"}});
    ApplyMenu({{40018, 1}, {40021, sampleBAvailable ? 1 : 0}});
  }
  SetMainFocus();
}

void ShowPlaySignalsControls() {
  BeginSet(0);
  NoHeldSampleExports();
  ApplyMenu({{40003, 0}, {40004, 0}, {40005, 0}, {40007, 0}, {40017, 0}, {40011, 0}, {40012, 0}, {40013, 0},
             {40014, 1}, {40015, 0}});
  ApplyButtons({{CMD_ANALYSIS, 0, nullptr}, {CMD_RUN, 0, nullptr}, {CMD_PLAY_FILE, 0, nullptr},
                {CMD_RECORD, 0, nullptr}, {CMD_FREEZE, 1, nullptr}, {CMD_STORE, 0, nullptr},
                {CMD_RESET, 0, nullptr}});
  SetMainFocus();
}
