#pragma once
// File playback: a recording streams through one 8-second play block made of two 4-second halves.
// The device plays the block in a loop while the playback loop refills the half just played with
// the next 4 seconds of the file, and analyses and draws the segment under the sound. Shortly
// before the end of the file (4 segments, about 0.37 s at 22050 Hz) the display freezes on the last
// seconds played, which are read again from the file into Sample A.
#include <cstdint>
#include <vector>

#include "files/recording_reader.h"

struct FilePlaybackState {
  RecordingPlayback Stream;           // the file being played (StreamFile) and the reader's place
  bool StreamOpen = false;            // Stream holds an open file
  std::vector<uint8_t> StreamBlock;   // the play block: first half, then the second from ReadAheadBytes / 2
  int ReadAheadBytes = 0;             // rate x 2 x channels x 8 + 8
  int64_t PlayDataBytes = 0;          // from the start offset to the end of the data
  int64_t PlayDataFrames = 0;
  int Channels = 1, SampleRate = 22050, BlockAlign = 2;
  uint8_t PlayingFirstHalf = 0;       // the device plays the first half
  uint8_t RefillArmed = 0;            // the half not playing waits for the next 4 s of the file
  double LoopStartTime = 0;           // ms
  bool EndedFrozen = false;           // the loop's last step showed the frozen view
  // The display froze near the end of the file: the last frame was copied into CanvasDC as the
  // held image, so the freeze that follows needs no rebuild of it. Cleared after that freeze.
  uint8_t NearEndFrozen = 0;
  // Counts for tests and measurements.
  long long HalvesRefilled = 0;
  long long StepsDrawn = 0;
  long long StepsAbandoned = 0;
  int64_t LastPosition = -1;          // device position (frames) of the newest playing step
};

extern FilePlaybackState FilePlay;

// Step 6 of Play File: the spectrogram's bin count for the file's rate. Half a low rate limits the
// range the panels show (ShownFreqScaleHz) while that rate is in force; FreqScaleHz and the two
// configured scales are not touched.
void LimitFrequencyScaleToRate(int sampleRate);

enum class FilePlaybackStart {
  Started,           // the device plays; StopRequested is 0
  NoMemory,          // the play block could not be made: "Not enough memory"; the file is closed
  CannotOpenDevice,  // open, prepare or write failed: "Cannot Open Audio Device"; all freed
};

// The opening steps after the file was accepted and the settings hold its format: the play block,
// its first half from the file, the device with the variant's volume. Takes the file over.
// `maxBlockBytes` limits the block (0 = no limit; tests use it to fail the allocation).
FilePlaybackStart BeginFilePlayback(RecordingPlayback&& playback, int64_t maxBlockBytes = 0);

// What the loop needs from the window, which it may not reach itself.
struct FilePlaybackHooks {
  void (*presentFrame)(int width, int height) = nullptr;  // copy the frame to the window
  void (*setViewScrollBar)(int range, int position) = nullptr;
  void (*afterFreezeCopy)() = nullptr;   // the automatic Store of the signals variant
  void (*showFrozenControls)() = nullptr;  // the near-end freeze
  void (*focusMainWindow)() = nullptr;
  uint8_t* resumeMarker = nullptr;    // set when Freeze was released: the loop is to play again
  long long* playStartOffset = nullptr;  // bytes into the data where playing starts
};

// The playback loop. resumeFrozen = 1 starts frozen without a freeze copy (the return from sample
// playback). Ends when StopRequested is set: by the user, near the end of the file, or when the
// device cannot tell its position.
void RunFilePlaybackLoop(const FilePlaybackHooks& hooks, int resumeFrozen);

// MM_WOM_DONE of the file's device (finished, or reset by a freeze): closes the device and, the
// file being done with, frees the block and closes the file. Not frozen, the playback is over:
// the next start plays from the file's start.
void OnFilePlaybackDone(const FilePlaybackHooks& hooks);

// Frees the play block and closes the file (nothing when neither exists).
void ReleaseFileStream();
