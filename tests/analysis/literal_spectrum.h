#pragma once
// The power spectrum written out step by step, the plain way: interleaved work array, bit-reversed
// indexing, divisions, log10 per bin. Slow and obvious; the program's fast PowerSpectrum must give
// the same numbers for every input.
#include <cstdint>

void LiteralPowerSpectrum(int16_t* block, int16_t windowSelector);
