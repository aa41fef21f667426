#pragma once
// The signal and spectrum arrays written by the activity loops and read by the panels, and the two
// sample slots: Sample A (the last seconds held when frozen) and Sample B (the stored copy).
#include <array>
#include <cstdint>
#include <vector>

constexpr int kSpectrumLength = 1024;  // entries of SpectrumA/B/Stored, whole dB
constexpr int kTraceLength = 8192;     // the loops fill the first half and copy it into the second
constexpr int kHistorySpectra = 256;   // spectra held by one averaging history

struct SampleSlots {
  // Interleaved 16-bit frames in the capture format; SampleBytes long each.
  std::vector<uint8_t> SampleA, SampleB;
  int SampleSeconds = 0;   // sample length in force, s
  int SampleFrames = 0;    // sample rate x SampleSeconds
  int SampleBytes = 0;     // SampleFrames x bytes per sample x channels
  int SampleChannels = 0;  // the format the samples were made for
  int SampleRateMade = 0;
  uint8_t SamplesAllocated = 0;

  // Spectrum-averaging histories: 256 spectra of SpectrumPoints int16 values each.
  std::vector<int16_t> HistoryBuffer1, HistoryBuffer2, HistoryBuffer3;
  uint8_t HistoryBuffersAllocated = 0;

  std::array<int16_t, kSpectrumLength> SpectrumA{}, SpectrumB{}, SpectrumStored{};
  std::array<int16_t, kTraceLength> TraceA1{}, TraceA2{}, TraceB1{}, TraceB2{};  // 1 audio, 2 glottogram
  int F0A = 0, F0B = 0;  // Hz

  // A-side bookkeeping and its B twins (Store copies A to B).
  float FreezeElapsedA = 0, FreezeElapsedB = 0;  // ms of sound in the sample
  int CursorX = 0, CursorXB = 0;                 // view position, 1/8000 of the sample length
  int AudioDelayA = 0, AudioDelayB = 0;          // audio-to-glottogram delay, 0.05 ms units
  float AudioDelayMsA = 0, AudioDelayMsB = 0;
  int AudioDelayFramesA = 0, AudioDelayFramesB = 0;
  int HeldBytesA = 0, HeldBytesB = 0;            // bytes of the sample that hold sound
  float SampleStartMs = 0, SampleStartMsB = 0;   // freeze position of file playback, ms
  int StoredSecondsB = 0;                        // the B sample's length, s
};

extern SampleSlots Samples;

// Allocates SampleA and SampleB for rate x seconds frames of channels x 2 bytes (zeroed).
void AllocateSamples(int sampleRate, int seconds, int channels);
void FreeSamples();
void AllocateHistoryBuffers(int spectrumPoints);
void ZeroHistoryBuffers();
void FreeHistoryBuffers();
