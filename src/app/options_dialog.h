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
  // Where the full/advanced dialog stood when it was closed last (screen pixels); PositionSet 0
  // until then, and the dialog opens centred.
  int Left = 0, Top = 0;
  uint8_t PositionSet = 0;
  // The Time History bar moved; the next OK given while no activity runs makes the samples anew.
  uint8_t StoredSecondsChanged = 0;
};

extern OptionsDialogState OptionsDialogs;

// Start values (program reset, tests): forgets the models; closes nothing.
void ResetOptionsDialogState();

// The open options dialog, or null.
DialogModel* OpenOptionsDialogModel();

// The simple dialog (114): opened by the Analysis Options command in the real-time variant.
void OpenSimpleOptionsDialog();
// The full dialog (111, full variant) or the advanced dialog (112, real-time variant).
void OpenFullOptionsDialog(int resourceId);
// Closes an open options dialog without applying anything more (the model stays for the caller).
void CloseOptionsDialog(DialogModel& d);

// Shared by the dialogs: a click on a display radio 1094..1101 or a comparison radio 1029..1031.
void ApplyComparisonRadio(int radioId);
// Overlay only in F4 (power spectrum alone), as the Ctrl+F3 key: in any other layout an Overlay
// comparison becomes Above/Below and the Overlay radio is disabled; in F4 it is enabled.
void ApplyOverlayRule(DialogModel& d);
// Sets the radio group lo..hi so that only `checked` is checked.
void CheckRadioGroup(DialogModel& d, int lo, int hi, int checked);
// Rebuilds the held images with every column computed: Sample A for comparison 0, both for 1,
// none for Overlay.
void RebuildImagesForComparison();
