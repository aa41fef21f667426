#pragma once
// The analysis half of one loop step, on the segments the step copied into LiveLoop: the F0
// estimate, the averaged audio spectrum and the displayed spectrum, the difference spectrum.
// Needs the FFT tables and the history blocks; allocates nothing.

// Allocates (once more) and zeroes the work arrays of LiveLoop.
void AllocateLiveWorkArrays();

struct SegmentView {
  bool frozen = false;        // a held sample is viewed: histories are not advanced
  int viewedSample = 0;       // 0 A, 1 B (frozen only)
  bool inCapturedPart = true; // frozen only: the view lies in the part of the sample holding sound
  int channels = 1;
};

// Steps 9 to 11: F0 (when on, or in %F0 bandwidth mode), the audio spectrum and its average, the
// displayed spectrum, the difference spectrum (Difference type only).
void AnalyseSegment(const SegmentView& view);
