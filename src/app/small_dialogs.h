#pragma once
// The two small modal dialogs: "Bitmap Magnification" (110) and "Starting Point" (113).

constexpr int kMagnificationDialog = 110;
constexpr int kStartingPointDialog = 113;
constexpr int kMagnificationBar = 1040;
constexpr int kMagnificationEdit = 1041;
constexpr int kStartBar = 1110;
constexpr int kStartEdit = 1109;

struct SmallDialogState {
  int StartSeconds = 0;       // whole seconds into the file's data where playing begins
  int PlayLengthSeconds = 0;  // the file's playing length, rounded half up
};
extern SmallDialogState SmallDialogs;

// Shows dialog 110; the factor changes live while the bar moves (BitmapMagnification) and stays
// whatever the dialog returns. Returns 1 for OK, 0 for Cancel.
int RunMagnificationDialog();

// Shows dialog 113 for a file of `playLengthSeconds`; StartSeconds holds the choice. Returns 1 for
// OK (go on playing from StartSeconds), 0 for Cancel (end Play File).
int RunStartingPointDialog(int playLengthSeconds);
