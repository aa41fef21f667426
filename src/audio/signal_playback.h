#pragma once
// Playback of a held sample (Play A, Play B, the signals variant's play of the stored copy): the
// whole sample buffer goes to the output device in one piece, and a loop analyses and draws the
// 2048 frames centred on the sound being heard, with its own fresh spectrum histories, so the
// displays move in step with what is heard. The loop ends when the device announces the end
// (MM_WOM_DONE, also after Freeze resets it) or when Reset cancels the playback.
#include <cstdint>
#include <vector>

struct SignalPlaybackState {
  double LoopStartTime = 0;  // ms
  int Target = 0;            // 0: the loop writes TraceA1/A2 and SpectrumA; 1: the B traces and SpectrumB
  int Channels = 1;          // of the sample played
  int SampleRate = 22050;
  // The live histories, kept aside while the loop averages over histories of its own.
  std::vector<int16_t> KeptHistory1, KeptHistory2, KeptHistory3;
  // Counts for tests: steps that analysed and drew, steps past the held sound.
  long long StepsDrawn = 0;
  long long StepsPastHeld = 0;
  int64_t LastSegmentStart = -1;  // frame of the played sample the newest analysed segment began at
};

extern SignalPlaybackState SignalPlay;

// Opens the output for the sample chosen by PlaySelection (its format is the samples' format) and
// hands it the whole buffer, with the variant's volume. false: the device cannot be opened or
// refused the buffer ("Cannot Open Audio Device"); nothing is left open.
bool OpenSignalPlaybackDevice();

struct SignalPlaybackHooks {
  void (*presentFrame)(int width, int height) = nullptr;
  void (*focusMainWindow)() = nullptr;
};

// The playback loop; returns when SignalPlaybackDone is set or PlayingSignals was cleared. Closes a
// device still open, puts the live histories back and, after playing B over A, SpectrumB back.
void RunSignalPlaybackLoop(const SignalPlaybackHooks& hooks);

// MM_WOM_DONE of the sample's device: closes it and ends the loop.
void OnSignalPlaybackDone();
