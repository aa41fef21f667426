// Speed of one power spectrum (2048 samples in, 1024 whole-dB values out) beside the reference a user
// would pick: FFTW's real-to-complex double transform of the same windowed block, then power,
// 10 log10 and conversion to 16 bits (bench_reference.h). Prints the ratio ours / reference of the medians of the
// repetitions (10 unless --benchmark_repetitions says otherwise), in CPU time (the figure that
// holds on a busy machine) and in real time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "bench_reference.h"

namespace {

using benchref::kN;

void BM_PowerSpectrum(benchmark::State& state) {
  ResetAnalysisState();
  if (!EnsureFftTables()) {
    state.SkipWithError(kFftSetupFailedText);
    return;
  }
  SetBandwidth(10, 22050);
  const std::vector<int16_t> input = benchref::VoiceBlock();
  std::vector<int16_t> block(kN);
  for (auto _ : state) {
    // The spectrum overwrites the first half of its block: every call starts from the samples.
    std::memcpy(block.data(), input.data(), kN * sizeof(int16_t));
    PowerSpectrum(block.data(), kBandWindowSelector);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
}

void BM_FftwReference(benchmark::State& state) { benchref::FftwReference(state); }

BENCHMARK(BM_PowerSpectrum);
BENCHMARK(BM_FftwReference);

}  // namespace

int main(int argc, char** argv) {
  return benchref::RunAndPrintRatios(argc, argv, "BM_PowerSpectrum", "BM_FftwReference");
}
