#pragma once
// The one spectral estimator of the program: a block of N = FftSize 16-bit samples in, N/2 whole-dB
// values out, on the program's own scale (every stage of the transform halves its values; a bin
// shows truncate(20 log10(2 |X_k| / N)) for the DFT X of the windowed block). Bin k belongs to
// k * rate / N Hz. Needs the tables of fft_tables.h.
#include <cstdint>

// Window selector values.
inline constexpr int16_t kBandWindowSelector = 0;   // BandWindow (audio and glottogram spectra)
inline constexpr int16_t kBlockWindowSelector = 1;  // BlockWindow (any value other than 0; F0 spectrum)

// block: N samples, oldest first. Elements 0..N/2-1 receive the spectrum (clamped to -32768..32767,
// 0 for a bin without power, bins 0..9 lowered by the low-bin taper, bins 0 and 1 rebuilt from bin 2);
// elements N/2..N-1 keep their samples. Returns false and leaves the block alone when no tables
// exist. Allocates nothing; not re-entrant (it works in Analysis.FftWork).
bool PowerSpectrum(int16_t* block, int16_t windowSelector);
