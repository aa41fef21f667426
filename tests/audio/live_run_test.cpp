// Live analysis of the whole program on the headless backend with generated input: what the
// loop measures (spectral peak; F0 in playback_sample_test), freezing, the frozen view, the ring read at its
// buffer boundaries, and how a run starts, fails and ends.
#include <algorithm>
#include <cmath>

#include "app/options_dialog.h"
#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "platform/clock.h"
#include "platform/ui_model.h"

namespace {

int PeakBin(const int16_t* spectrum) {
  return static_cast<int>(std::max_element(spectrum + 4, spectrum + 1024) - spectrum);
}

template <class It>
bool AllAre(It from, It to, int16_t value) {
  return std::all_of(from, to, [&](int16_t v) { return v == value; });
}

bool FollowsIndex(int16_t a, int16_t b) { return b == RampValue(a + 1); }

// A device that stops delivering after a while (a microphone unplugged).
struct StallingInput : SoundInput {
  StallingInput(std::unique_ptr<SoundInput> inner, double stallAtMs)
      : inner_(std::move(inner)), stallAt_(stallAtMs) {}
  bool AddBuffer(int index, uint8_t* data, size_t bytes) override {
    return inner_->AddBuffer(index, data, bytes);
  }
  bool Start() override { return inner_->Start(); }
  void Stop() override { inner_->Stop(); }
  void Reset() override { inner_->Reset(); }
  void Close() override { inner_->Close(); }
  int64_t PositionFrames() override { return inner_->PositionFrames(); }
  bool Healthy() override { return NowMs() < stallAt_; }
  std::unique_ptr<SoundInput> inner_;
  double stallAt_;
};

struct StallingSystem : SoundSystem {
  StallingSystem(SimSoundSystem& sim, double stallAtMs) : sim_(sim), stallAt_(stallAtMs) {}
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat& f, const std::string& = {}) override {
    auto in = sim_.OpenInput(f);
    return in ? std::make_unique<StallingInput>(std::move(in), stallAt_) : nullptr;
  }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& f, const std::string& = {}) override {
    return sim_.OpenOutput(f);
  }
  SimSoundSystem& sim_;
  double stallAt_;
};

// The one-channel variant. First with no capture device, last with one that stops delivering 800 ms
// into the run with nobody touching anything: each of these runs ends by itself with its message,
// idle, everything released. In between, F0 on, a freeze 3 s after Run: the glottogram arrays are
// never written. (Its difference spectrum, the audio against silence: playback_sample_test.)
TEST_F(LiveRunTest, FreezingThreeSecondsAfterRunFillsThreeSecondsAndNoOrAStallingDeviceEndsTheRun) {
  Hear(testsig::IndexRamp(32768 * 8, 1), 1);
  Open(1);
  sound->failInput = true;
  Run("");
  sound->failInput = false;
  EXPECT_EQ(std::make_tuple(Mode.FrameReady, LiveLoop.StepsDrawn), std::make_tuple(0, 0));
  std::fill(Samples.TraceA2.begin(), Samples.TraceA2.end(), 1234);
  AnalysisSettings.F0Measurement = ID_F0_ON;
  bool movedView = false, emptyBeyond = false;
  backend->onPresent = [&] {
    if (!Mode.Frozen || Mode.FreezePending) return;
    if (!movedView) {
      // The user scrolls to 6 s, past the captured sound.
      LiveView.ViewPosition = 6000;
      movedView = true;
      return;
    }
    emptyBeyond = AllAre(Samples.TraceA1.begin() + 1, Samples.TraceA1.begin() + 2048, 0) &&
                  AllAre(Samples.SpectrumA.begin(), Samples.SpectrumA.end(), 0);
  };
  Run("wait 3000\nclick 105\nwait 300\nkey Escape");
  const float elapsed = Samples.FreezeElapsedA;
  ASSERT_TRUE(elapsed >= 3000 && elapsed < 3100) << elapsed;
  const size_t frames = (static_cast<size_t>(std::trunc(elapsed)) * kRate / 1000 * 2 & ~size_t{3}) / 2;
  const auto& a = Samples.SampleA;
  ASSERT_EQ(a.size(), 8u * kRate * 2);
  EXPECT_NE(SampleAt(a, frames - 1, 1, 0), 0);
  for (size_t i = 0; i + 1 < frames; ++i)
    ASSERT_TRUE(FollowsIndex(SampleAt(a, i, 1, 0), SampleAt(a, i + 1, 1, 0))) << "frame " << i;
  for (size_t i = frames; i < a.size() / 2; ++i) ASSERT_EQ(SampleAt(a, i, 1, 0), 0) << "frame " << i;
  EXPECT_EQ(
      std::make_tuple(Samples.HeldBytesA, MainUi.scrollBar.maximum, MainUi.scrollBar.position, movedView),
      std::make_tuple(Samples.SampleBytes, 8000, FreezeViewPosition(elapsed, 8), true));
  EXPECT_TRUE(emptyBeyond) << "a view after the captured 3 s shows empty traces and no spectrum";
  EXPECT_EQ(sound->Opens().at(0).format.channels, 1);
  EXPECT_TRUE(AllAre(Samples.TraceA2.begin(), Samples.TraceA2.end(), 1234));
  EXPECT_TRUE(AllAre(LiveLoop.EggSegment.begin(), LiveLoop.EggSegment.end(), 0));

  backend->onPresent = nullptr;
  StallingSystem stalling(*sound, NowMs() + 800);
  SetSoundSystem(&stalling);
  const double start = NowMs();
  Run("");
  SetSoundSystem(sound.get());
  EXPECT_LT(NowMs() - start, 2000);
  const auto& boxes = backend->MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(std::make_tuple(boxes[0].text, boxes[0].icon, boxes[1].text),
            std::make_tuple("Cannot Open Audio Device", MessageIcon::Stop,
                            "The audio device stopped delivering sound."));
  EXPECT_EQ(std::make_tuple(Mode.StopRequested, Mode.CaptureStarted, Mode.OpenBlockCount, Mode.IdleState),
            std::make_tuple(1, 0, 0, 1));
  EXPECT_EQ(sound->ActiveInput(), nullptr);
  EXPECT_TRUE(FindButton(CMD_RUN)->enabled);
}

// Stereo frames carrying their own index: ten seconds cross both buffer boundaries and the wrap,
// every segment read is continuous, and the freeze holds the newest eight seconds.
TEST_F(LiveRunTest,
       SegmentsAcrossTheBufferBoundariesAreContinuousAndAFreezeAfterTenSecondsHoldsTheNewestEight) {
  Hear(testsig::IndexRamp(32768 * 8, 2), 2);
  Open(0);
  int steps = 0, straddling = 0, broken = 0;
  int64_t positionAtFreeze = -1;
  backend->onPresent = [&] {
    if (Mode.Frozen) {
      if (positionAtFreeze < 0) positionAtFreeze = LiveLoop.LastDevicePosition;
      return;
    }
    ++steps;
    const int64_t p = LiveLoop.NewestStepPosition - 75 * kRate / 1000;
    if (p > 2048 && p % (4 * kRate) < 2048) ++straddling;
    const auto &t1 = Samples.TraceA1, &t2 = Samples.TraceA2;
    if (p <= 2048) return;  // the first segments still reach into the silence before the start
    int b = 0;
    for (int i = 0; i + 1 < 2048; ++i) b += !FollowsIndex(t1[i], t1[i + 1]) || t2[i] != t1[i];
    // The segment ends 75 ms behind the device at the step's time.
    b += t1[2047] != RampValue(p - 1);
    if (b && broken == 0) ADD_FAILURE() << "p " << p << " t1[0] " << t1[0] << " t1[2047] " << t1[2047];
    broken += b;
  };
  Run("wait 10000\nclick 105\nwait 300\nkey Escape");
  EXPECT_GT(steps, 300);
  EXPECT_GE(straddling, 4) << "some steps must read across a boundary";
  EXPECT_EQ(std::make_tuple(broken, LiveLoop.StepsAbandoned), std::make_tuple(0, 0));

  EXPECT_EQ(std::make_tuple(LiveView.ViewPosition, Samples.CursorX, MainUi.scrollBar.position),
            std::make_tuple(7800, 7800, 7800));
  const auto& a = Samples.SampleA;
  const size_t frames = 8u * kRate;
  ASSERT_EQ(std::make_tuple(a.size(), Samples.HeldBytesA),
            std::make_tuple(frames * 4, static_cast<int>(frames * 4)));
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i + 1 < frames; ++i)
      ASSERT_TRUE(FollowsIndex(SampleAt(a, i, 2, c), SampleAt(a, i + 1, 2, c)))
          << "channel " << c << " frame " << i;
  // The newest frame is the last the device had delivered when the freeze step read its position.
  ASSERT_GT(positionAtFreeze, 0);
  EXPECT_EQ(SampleAt(a, frames - 1, 2, 0), RampValue(positionAtFreeze - 1));
}

// A 3.7 kHz sine: its peak at its bin in every spectrum. The frequency scale changed while frozen
// (the options dialog's bar): the held spectrogram is computed again for the new range, so the
// tone sits where the new scale says. At the end the blocks are freed; a second run starts cleanly.
TEST_F(LiveRunTest,
       ASineShowsItsPeakAtItsBinAScaleChangeWhileFrozenRebuildsTheHeldSpectrogramAndTheEndFreesAll) {
  sound->source.sineHz = 3700;
  Open(0);
  SetSettingByName("DisplayModeButton", ID_DISPLAY_F1);
  // The mean frequency of the brightest rows of a held column, by the scale in force.
  auto toneHz = [] {
    const PanelRect p = Display.Panels.Spectrogram;
    const int plotHeight = p.height - Display.TextHeight - 4, top = p.bottom - p.height,
              x = p.x + p.width / 10;
    int best = 0;
    double sum = 0, count = 0;
    for (int y = top; y <= top + plotHeight; ++y) {
      const int v = Display.FrameDC.Row(y)[x];
      if (v > best) best = v, sum = count = 0;
      if (v == best) sum += top + plotHeight - y, ++count;
    }
    return sum / count / plotHeight * AnalysisSettings.FreqScaleHz;
  };
  const int bin = RoundHalfUp(3700 / (kRate / 2048.0));  // 343.6 -> 344
  double before = 0, after = 0;
  int during = -1, peaks = 0;
  backend->onPresent = [&] {
    during = Mode.OpenBlockCount;
    if (!Mode.Frozen) {
      peaks += PeakBin(Samples.SpectrumA.data()) == bin && PeakBin(LiveLoop.LatestSpectrum.data()) == bin &&
               PeakBin(DisplayInputs.SpectrogramColumnData.data()) == bin;
      return;
    }
    if (Mode.FreezePending) return;
    DialogModel* d = OpenOptionsDialogModel();
    if (!d) {
      before = toneHz();
    } else if (AnalysisSettings.FreqScaleHz == 5000) {
      for (int i = 0; i < 3; ++i) d->procedure(*d, WM_HSCROLL, SB_LINERIGHT, 1014);
    } else {
      after = toneHz();
    }
  };
  Run("wait 1500\nclick 105\nwait 300\nmenu 40007\nwait 300\nkey Escape");
  EXPECT_GT(LiveLoop.StepsDrawn, 20);
  EXPECT_GT(peaks, 20);
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 8000);
  EXPECT_NEAR(before, 3700, 100);
  EXPECT_NEAR(after, 3700, 100);
  EXPECT_EQ(during, 3);  // stream block and the two buffer headers
  EXPECT_EQ(std::make_tuple(Mode.StopRequested, Mode.OpenBlockCount, Mode.CaptureStarted, Mode.IdleState),
            std::make_tuple(1, 0, 0, 1));
  EXPECT_EQ(sound->ActiveInput(), nullptr);
  EXPECT_EQ(MainUi.cursor, CursorShape::Arrow);
  // With the options dialog closed, a second run starts cleanly from there.
  OpenOptionsDialogModel()->procedure(*OpenOptionsDialogModel(), WM_COMMAND, IDOK, 0);
  Run("wait 300\nkey Escape");
  EXPECT_EQ(std::make_tuple(Mode.OpenBlockCount, sound->Opens().size()), std::make_tuple(0, 2u));
}

}  // namespace
