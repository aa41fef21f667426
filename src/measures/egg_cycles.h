#pragma once
// EGG cycles of a glottogram drawn contact-up (the caller has applied the polarity).
//
// Closing instants: the trace less its running mean over one floor period crosses zero upward (with
// hysteresis of a quarter of its RMS); each such rise holds one closing instant, the positive peak
// of the central-difference derivative between the falls before and after it, interpolated. A cycle
// runs from one closing instant to the next when that period lies between the ceiling's and the
// floor's. Per cycle the five closed quotients of CqMethod, with the levels taken from the cycle's
// own minimum and peak-to-peak amplitude and the crossings interpolated linearly, and the cycle's
// SNR from its correlation (mean removed) with the period that follows it (precedes it, at the end).
#include <span>

#include "measures/voice_report.h"

EggReport MeasureEggCycles(std::span<const float> contact, double rate, const VoiceMeasureOptions& options);
