#pragma once
// The mouse and the position scroll bar over the frozen view. A left click chooses the sample
// (the lower half is Sample B in Above/Below), puts the frequency cursor under the mouse, jumps
// the displayed time to the clicked column of the spectrogram or envelope and starts an interval
// mark in the signal panels; dragging moves all of them but the sample. The right button is a
// shortcut for Freeze. The scroll bar moves the view position, which the frozen step of the
// running loop copies into the viewed sample's CursorX or CursorXB and reads its segment at.
//
// Coordinates are client pixels of the main window. Every handler that acts leaves the frame
// filled with background, so the next display step draws it all again.

struct MouseInputState {
  // The time jump's position before truncation, 0..ScrollRange (single precision).
  float ViewPositionExact = 0;
};

extern MouseInputState MouseInput;

// Start values (program reset, tests).
void ResetMouseInputState();

// Right button down: Freeze (command 105) while an activity runs and nothing is being recorded.
void OnRightButtonDown();

// Left button down and up, and mouse moves; only over a frozen view (down and up not while a
// held sample plays; moves only while the button is held).
void OnLeftButtonDown(int x, int y);
void OnLeftButtonUp();
void OnMouseMove(int x, int y);

// A notification of the position scroll bar: code is a ScrollCode (messages.h), thumb the
// reported thumb position for SB_THUMBPOSITION and SB_THUMBTRACK. Lines move the view by 1,
// pages by 4, within 0..ScrollRange. Ignored in the Overlay comparison.
void OnPositionScroll(unsigned code, int thumb);
// The same step in every comparison mode (the Left and Right keys).
void StepViewPosition(unsigned code, int thumb);

// The time-jump position of window x over a spectrogram panel at `left` of `width` pixels, in
// 0..scrollRange units: (x - left) * scrollRange / width in single precision. False (and
// nothing written) when the panel has no width or the truncated position lies outside
// 0..scrollRange.
bool TimeJumpPosition(int x, int left, int width, int scrollRange, float* exact, int* position);
