// Speed of the live analysis. BM_AnalysisStep: one step's analysis (segment copy out of the ring,
// audio spectrum, F0 spectrum, averaging over 10 spectra, difference spectrum) per call, stereo.
// BM_LiveRun: the whole program running live for 3 s on the headless backend with the real clock,
// a 1920 x 1080 window in F1: steps per second and CPU time per step (counters). Medians of the
// repetitions are printed at the end, then the ratio of BM_AnalysisStep to BM_FftwReference (the
// FFTW power spectrum of bench_analysis, measured in the same run) in CPU and in real time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <iostream>
#include <thread>
#include <vector>

#include "analysis/fft_tables.h"
#include "app/program.h"
#include "app/window_state.h"
#include "audio/analysis_step.h"
#include "audio/capture_device.h"
#include "audio/live_loop.h"
#include "audio/ring_segment.h"
#include "bench_reference.h"
#include "display/sample_slots.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/sim_sound.h"
#include "platform/messages.h"
#include "scripting/script.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kRate = 22050;
constexpr int kBufferFrames = 4 * kRate;

// Two ring buffers of voice-like stereo sound: harmonics of 180 Hz and a pulse-like glottogram.
std::vector<uint8_t> VoiceRing() {
  std::vector<uint8_t> ring(2 * kBufferFrames * 4);
  for (int n = 0; n < 2 * kBufferFrames; ++n) {
    double v = 0;
    for (int k = 1; k <= 25; ++k) v += std::sin(2 * 3.14159265358979 * 180.0 * k * n / kRate) / k;
    const auto audio = static_cast<int16_t>(std::clamp(std::lround(v * 9000), -32768L, 32767L));
    const auto egg = static_cast<int16_t>(std::fmod(n * 180.0 / kRate, 1.0) < 0.45 ? 12000 : -12000);
    std::memcpy(ring.data() + 4 * n, &audio, 2);
    std::memcpy(ring.data() + 4 * n + 2, &egg, 2);
  }
  return ring;
}

void BM_AnalysisStep(benchmark::State& state) {
  ResetProgramState();
  ResetAnalysisState();
  if (!EnsureFftTables()) {
    state.SkipWithError(kFftSetupFailedText);
    return;
  }
  SetBandwidth(10, kRate);
  AllocateHistoryBuffers(1024);
  AnalysisSettings.F0Measurement = ID_F0_ON;
  AnalysisSettings.SpectrumType = ID_SPECTRUM_DIFFERENCE;
  AnalysisSettings.SpectrumAverageCount = 10;
  AllocateLiveWorkArrays();
  const std::vector<uint8_t> ring = VoiceRing();
  const uint8_t* b1 = ring.data();
  const uint8_t* b2 = ring.data() + kBufferFrames * 4;
  SegmentView view;
  view.channels = 2;
  int64_t position = kBufferFrames + 500;  // straddles the boundary on the first calls
  auto& L = LiveLoop;
  for (auto _ : state) {
    const RingSegment s = LocateByPosition(position, 75, kRate, kBufferFrames);
    CopyRingSegment(b1, b2, s, kBufferFrames, 2, 0, L.AudioSegment.data(), Samples.TraceA1.data(),
                    L.EggSegment.data(), Samples.TraceA2.data());
    AnalyseSegment(view);
    benchmark::DoNotOptimize(Samples.SpectrumA.data());
    benchmark::ClobberMemory();
    position += 441;  // 20 ms
    if (position >= 2 * kBufferFrames) position = kBufferFrames / 2;
  }
  FreeHistoryBuffers();
}

// The headless backend on the real clock: time is the steady clock, sleeps sleep, and the
// simulated microphone is brought up to the present whenever the program reads the time.
class RealClockBackend : public HeadlessBackend {
 public:
  explicit RealClockBackend(HeadlessConfig config) : HeadlessBackend(config), start_(std::chrono::steady_clock::now()) {}
  double NowMs() override {
    const double t = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    if (t > VirtualNowMs()) Advance(t - VirtualNowMs());
    return VirtualNowMs();
  }
  void SleepMs(double ms) override {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
    NowMs();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

void BM_LiveRun(benchmark::State& state) {
  for (auto _ : state) {
    ResetProgramState();
    Capture = CaptureState{};
    LiveLoop = LiveLoopState{};
    HeadlessConfig config;
    config.screen.width = 1920;
    config.screen.height = 1080;
    config.resizeClientWidth = 1920;
    config.resizeClientHeight = 1080;
    config.pumpCostMs = 0;  // the real clock charges what pumps and frames really cost
    config.frameCostMs = 0;
    RealClockBackend backend(config);
    SimSoundSystem sound(backend);
    sound.source.sineHz = 180;
    SetBackend(&backend);
    SetSoundSystem(&sound);
    CreateMainWindow(1);
    SetDisplayModeButton(ID_DISPLAY_F1);
    ParsedScript script = ParseScript("wait 3000\nkey Escape\nwait 1000000\n");
    backend.SetScript(script.lines);
    const double wall0 = backend.NowMs(), cpu0 = CpuMs();
    SendMainMessage(WM_COMMAND, CMD_RUN, 0);
    const double wall = backend.NowMs() - wall0, cpu = CpuMs() - cpu0;
    const auto steps = static_cast<double>(LiveLoop.StepsDrawn);
    state.counters["steps_per_s"] = steps / (wall / 1000.0);
    state.counters["cpu_ms_per_step"] = steps > 0 ? cpu / steps : 0;
    state.counters["client_w"] = Window.ClientWidth;
    state.counters["display_mode"] = Companions.DisplayMode;
    for (int i = 0; i < 6 && Window.WindowExists; ++i) SendMainMessage(WM_CLOSE);
    SetSoundSystem(nullptr);
    SetBackend(nullptr);
    ResetMessageQueue();
  }
}

void BM_FftwReference(benchmark::State& state) { benchref::FftwReference(state); }

BENCHMARK(BM_AnalysisStep)->Repetitions(10)->ReportAggregatesOnly(false);
BENCHMARK(BM_FftwReference)->Repetitions(10);
BENCHMARK(BM_LiveRun)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchref::RunAndPrintRatios(argc, argv, "BM_AnalysisStep", "BM_FftwReference");
}
