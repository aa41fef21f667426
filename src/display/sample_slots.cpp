#include "display/sample_slots.h"
#include <algorithm>

SampleSlots Samples;

void AllocateSamples(int sampleRate, int seconds, int channels) {
  auto& s = Samples;
  s.SampleSeconds = seconds;
  s.SampleFrames = sampleRate * seconds;
  s.SampleBytes = s.SampleFrames * 2 * channels;
  s.SampleA.assign(static_cast<size_t>(s.SampleBytes), 0);
  s.SampleB.assign(static_cast<size_t>(s.SampleBytes), 0);
  s.SampleChannels = channels;
  s.SampleRateMade = sampleRate;
  s.SamplesAllocated = 1;
}

void FreeSamples() {
  auto& s = Samples;
  s.SampleA.clear();
  s.SampleA.shrink_to_fit();
  s.SampleB.clear();
  s.SampleB.shrink_to_fit();
  s.SamplesAllocated = 0;
}

void AllocateHistoryBuffers(int spectrumPoints) {
  size_t n = static_cast<size_t>(spectrumPoints) * kHistorySpectra;
  Samples.HistoryBuffer1.assign(n, 0);
  Samples.HistoryBuffer2.assign(n, 0);
  Samples.HistoryBuffer3.assign(n, 0);
  Samples.HistoryBuffersAllocated = 1;
}

void ZeroHistoryBuffers() {
  for (auto* h : {&Samples.HistoryBuffer1, &Samples.HistoryBuffer2, &Samples.HistoryBuffer3})
    std::fill(h->begin(), h->end(), 0);
}

void FreeHistoryBuffers() {
  for (auto* h : {&Samples.HistoryBuffer1, &Samples.HistoryBuffer2, &Samples.HistoryBuffer3}) {
    h->clear();
    h->shrink_to_fit();
  }
  Samples.HistoryBuffersAllocated = 0;
}
