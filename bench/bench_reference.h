#pragma once
// What the analysis benchmarks compare against: the power spectrum a user would write with FFTW (a
// real-to-complex double transform of the same windowed 2048-sample block, then power, 10 log10 and
// conversion to 16 bits), and a reporter that keeps the medians of the repetitions so that a
// program can print ratios of two benchmarks measured in the same run.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/fft_tables.h"

namespace benchref {

inline constexpr int kN = 2048;

// A voice-like block: harmonics of 180 Hz at 22050 Hz with a little noise.
inline std::vector<int16_t> VoiceBlock() {
  std::vector<int16_t> block(kN);
  uint32_t noise = 12345;
  for (int n = 0; n < kN; ++n) {
    double v = 0;
    for (int k = 1; k <= 25; ++k) v += std::sin(2 * 3.14159265358979 * 180.0 * k * n / 22050.0) / k;
    noise = noise * 1664525u + 1013904223u;
    v = v * 9000 + (static_cast<double>(noise >> 16) - 32768.0) / 64.0;
    block[n] = static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
  }
  return block;
}

// The reference path, one spectrum per iteration (register it as BM_FftwReference).
inline void FftwReference(benchmark::State& state) {
  ResetAnalysisState();
  if (!EnsureFftTables()) {
    state.SkipWithError(kFftSetupFailedText);
    return;
  }
  const std::vector<double> window = Analysis.BlockWindow;
  const std::vector<int16_t> input = VoiceBlock();
  double* in = fftw_alloc_real(kN);
  fftw_complex* out = fftw_alloc_complex(kN / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
  std::vector<int16_t> spectrum(kN / 2);
  const double scale = 4.0 / (double(kN) * kN);  // the program's scale: (2 |X| / N)^2
  for (auto _ : state) {
    for (int i = 0; i < kN; ++i) in[i] = input[i] * window[i];
    fftw_execute(plan);
    for (int k = 0; k < kN / 2; ++k) {
      const double power = (out[k][0] * out[k][0] + out[k][1] * out[k][1]) * scale;
      const double value = power > 0 ? 10.0 * std::log10(power) : 0.0;
      spectrum[k] = static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
    }
    benchmark::DoNotOptimize(spectrum.data());
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  fftw_free(out);
  fftw_free(in);
}

// Passes everything on to the reporter the command line chose and keeps the medians.
class MedianKeeper : public benchmark::BenchmarkReporter {
 public:
  explicit MedianKeeper(benchmark::BenchmarkReporter* display) : display_(display) {}
  bool ReportContext(const Context& context) override {
    display_->SetOutputStream(&GetOutputStream());
    display_->SetErrorStream(&GetErrorStream());
    return display_->ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.run_name.function_name;
      if (run.error_occurred) continue;
      for (bool cpu : {true, false}) {
        const std::string key = name + (cpu ? "/cpu" : "/real");
        const double t = cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
          medians_[key] = t;
        else if (run.run_type == Run::RT_Iteration)
          samples_[key].push_back(t);
      }
    }
    display_->ReportRuns(runs);
  }
  void Finalize() override { display_->Finalize(); }

  // Median time ("BM_x/cpu" or "BM_x/real") in the benchmark's time unit; negative when it did not run.
  double Median(const std::string& name) const {
    if (auto it = medians_.find(name); it != medians_.end()) return it->second;
    auto it = samples_.find(name);
    if (it == samples_.end() || it->second.empty()) return -1;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }

 private:
  benchmark::BenchmarkReporter* display_;
  std::map<std::string, double> medians_;
  std::map<std::string, std::vector<double>> samples_;
};

// Prints "ratio A / B (medians, cpu time): r" and the same in real time; both benchmarks must use the
// same time unit.
inline void PrintRatios(std::ostream& out, const MedianKeeper& keeper, const std::string& ours,
                        const std::string& reference) {
  for (const char* clock : {"cpu", "real"}) {
    const double a = keeper.Median(ours + "/" + clock);
    const double b = keeper.Median(reference + "/" + clock);
    out << "ratio " << ours << " / " << reference << " (medians, " << clock << " time): ";
    if (a > 0 && b > 0)
      out << a / b << "\n";
    else
      out << "not available (both benchmarks must run)\n";
  }
}

// main() of a benchmark program that compares `ours` with `reference`: runs what the command line
// selects (10 repetitions unless --benchmark_repetitions or the benchmark itself says otherwise),
// then prints their ratios. JSON and CSV output stay parseable: the ratios then go to the error stream.
inline int RunAndPrintRatios(int argc, char** argv, const std::string& ours, const std::string& reference) {
  std::vector<char*> args(argv, argv + argc);
  bool repetitionsGiven = false, consoleOutput = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    repetitionsGiven |= a.rfind("--benchmark_repetitions", 0) == 0;
    if (a.rfind("--benchmark_format=", 0) == 0) consoleOutput = a == "--benchmark_format=console";
  }
  std::string repetitions = "--benchmark_repetitions=10";
  if (!repetitionsGiven) args.push_back(repetitions.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  MedianKeeper keeper(benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&keeper);
  benchmark::Shutdown();
  PrintRatios(consoleOutput ? std::cout : std::cerr, keeper, ours, reference);
  return 0;
}

}  // namespace benchref
