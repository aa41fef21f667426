#pragma once
// The modeless analysis options dialogs. In the real-time variant the first one is the simple
// dialog (114: display layout F1..F4 and comparison); its "Advanced Analysis Options" button
// switches to the advanced dialog (112). Every click writes AnalysisSettings at once; the display
// follows at its next frame. Mode.OptionsDialogOpen tells that one of them is shown, and
// Mode.AdvancedOptionsActive which one the real-time variant uses.
#include <cstdint>

#include "platform/ui_model.h"

enum OptionsDialogIds : int {
  kFullOptionsDialog = 111,
  kAdvancedOptionsDialog = 112,
  kSimpleOptionsDialog = 114,
  kAdvancedOptionsButton = 1111,  // in the simple dialog
  kSimpleOptionsButton = 1116,    // in the advanced dialog
};

struct OptionsDialogState {
  // One slot per template family, so that a dialog whose button opens the other one keeps its
  // model alive while its own procedure returns.
  DialogModel Simple;
  DialogModel Full;  // 111 or 112
};

extern OptionsDialogState OptionsDialogs;

// Start values (program reset, tests): forgets the models; closes nothing.
void ResetOptionsDialogState();

// The open options dialog, or null.
DialogModel* OpenOptionsDialogModel();

// The simple dialog (114): opened by the Analysis Options command in the real-time variant.
void OpenSimpleOptionsDialog();
// Closes an open options dialog without applying anything more (the model stays for the caller).
void CloseOptionsDialog(DialogModel& d);

// Shared by the dialogs: a click on a display radio 1094..1101 or a comparison radio 1029..1031.
void ApplyComparisonRadio(int radioId);
// Overlay only where the layout can show it: in F1, F2, F3 and F5 it becomes Above/Below and the
// Overlay radio is disabled; elsewhere the radio is enabled.
void ApplyOverlayRule(DialogModel& d);
// Sets the radio group lo..hi so that only `checked` is checked.
void CheckRadioGroup(DialogModel& d, int lo, int hi, int checked);
// Rebuilds the held images with every column computed: Sample A for comparison 0, both for 1,
// none for Overlay.
void RebuildImagesForComparison();
