#pragma once
// The mode flags of the program and the bookkeeping of the two sample slots.
#include <cstdint>

struct ModeState {
  uint8_t StopRequested = 1;       // 1 asks the running activity loop to end
  uint8_t Frozen = 0;              // display frozen, Sample A held
  uint8_t FreezePending = 0;       // the loop copies the newest seconds into Sample A on its next step
  uint8_t PlayingSignals = 0;      // stored-signal playback requested or running
  int PlaySelection = 0;           // 0 plays Sample A, 1 plays Sample B
  int SampleBStored = 0;           // Sample B holds a stored copy
  uint8_t Recording = 0;
  uint8_t RecordArmed = 0;
  uint8_t RecordStopRequested = 0;
  uint8_t RecordFileOpen = 0;
  uint8_t CaptureStarted = 0;      // the input device is started
  uint8_t FileSource = 0;          // the current activity plays a file
  uint8_t FileResumePending = 0;   // a file activity ended; unfreezing restarts the file
  int IdleState = 0;               // 1 only in the idle state
  int ActivityActive = 0;          // 0 idle, 1 in every other state
  uint8_t OptionsDialogOpen = 0;
  uint8_t AdvancedOptionsActive = 0;
  uint8_t FrameReady = 0;          // FrameDC exists
  int OpenBlockCount = 0;          // activity blocks allocated and not yet freed
  int SpectrogramColumn = 0;
  int SpectrogramLag = 0;
  int EnvelopeColumn = 0;
  int EnvelopeLag = 0;
  uint8_t SignalPlaybackDone = 0;  // a stored-signal playback over a file has ended
};

extern ModeState Mode;

// Calls fn(name, value) for every flag, in declaration order (dumps and tests).
template <typename Fn>
void ForEachModeFlag(const ModeState& m, Fn&& fn) {
  fn("StopRequested", m.StopRequested);
  fn("Frozen", m.Frozen);
  fn("FreezePending", m.FreezePending);
  fn("PlayingSignals", m.PlayingSignals);
  fn("PlaySelection", m.PlaySelection);
  fn("SampleBStored", m.SampleBStored);
  fn("Recording", m.Recording);
  fn("RecordArmed", m.RecordArmed);
  fn("RecordStopRequested", m.RecordStopRequested);
  fn("RecordFileOpen", m.RecordFileOpen);
  fn("CaptureStarted", m.CaptureStarted);
  fn("FileSource", m.FileSource);
  fn("FileResumePending", m.FileResumePending);
  fn("IdleState", m.IdleState);
  fn("ActivityActive", m.ActivityActive);
  fn("OptionsDialogOpen", m.OptionsDialogOpen);
  fn("AdvancedOptionsActive", m.AdvancedOptionsActive);
  fn("FrameReady", m.FrameReady);
  fn("OpenBlockCount", m.OpenBlockCount);
  fn("SpectrogramColumn", m.SpectrogramColumn);
  fn("SpectrogramLag", m.SpectrogramLag);
  fn("EnvelopeColumn", m.EnvelopeColumn);
  fn("EnvelopeLag", m.EnvelopeLag);
  fn("SignalPlaybackDone", m.SignalPlaybackDone);
}
