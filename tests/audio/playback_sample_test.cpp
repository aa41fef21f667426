// Play A and Play B of held samples on the whole program: what is heard, the target arrays, the
// return to the frozen view it came from, ending early, the signals variant's channel choice and
// an output device that cannot be opened. With them, the rules in which the three analysis loops
// differ though they share their step.
#include <algorithm>

#include "playback_fixture.h"

namespace {

// What one loop showed: where the F0 peak search stops, whether sound without an EGG channel gets
// a difference spectrum, and whether negative spectrum averages are kept.
struct Seen {
  int f0 = -1;
  int differenceSteps = 0;  // SpectrumA held the difference average, not the audio average
  int lowest = 0;           // lowest averaged level of the bins 0..9
  int steps = 0;
  void Note() {
    const auto& L = LiveLoop;
    f0 = Samples.F0A;
    differenceSteps +=
        std::equal(L.DifferenceAverage.begin(), L.DifferenceAverage.begin() + 1024,
                   Samples.SpectrumA.begin()) &&
        !std::equal(L.AveragedSpectrum.begin(), L.AveragedSpectrum.begin() + 1024, Samples.SpectrumA.begin());
    lowest = *std::min_element(L.AveragedSpectrum.begin(), L.AveragedSpectrum.begin() + 10);
    ++steps;
  }
};

}  // namespace

// Play A of a sample frozen 3 s after Run: first with an output that cannot be opened (a message,
// the frozen view comes back), then for real, then again ended early by a freeze. Then the sample
// is stored and Play B in the overlay comparison draws into the B traces and restores Spectrum B.
// Last a file of the same sound is played: each loop keeps its own rules.
TEST_F(PlaybackTest,
       PlayAOfAFrozenSampleSoundsThreeSecondsThenSilencePlayBInOverlayAndEachLoopKeepsItsRules) {
  // 18.55 bins: bin 18 is the first clear peak and bin 19 is higher. The live and the stored-signal
  // loops move to 19 (204.6 Hz), the file loop stays at 18 (193.8 Hz).
  const std::vector<int16_t> sine = testsig::Sine(18.55 * kRate / 2048, 8000, kRate, 4 * kRate);
  Open(1);
  Hear(sine, 1);
  AnalysisSettings.F0Measurement = ID_F0_ON;
  AnalysisSettings.SpectrumType = ID_SPECTRUM_DIFFERENCE;
  AnalysisSettings.SpectrumAverageCount = 4;
  Seen live, signals, file;
  long long stepsPlaying = 0, lastStart = 0;
  bool frozenWithCapture = false, backFrozen = false, bMoved = false, aKept = true;
  std::array<int16_t, kSpectrumLength> spectrumA{};
  std::array<int16_t, kTraceLength> traceB{};
  backend->onPresent = [&] {
    if (!Mode.Frozen || (Mode.PlayingSignals && SignalPlay.Target == 0))
      (Mode.PlayingSignals ? signals : Mode.FileSource ? file : live).Note();
    if (Mode.PlayingSignals && SignalPlay.Target == 0)
      ++stepsPlaying, lastStart = std::max<long long>(lastStart, SignalPlay.LastSegmentStart);
    if (Mode.PlayingSignals && SignalPlay.Target == 1 && SignalPlay.StepsDrawn >= 5) {
      bMoved = bMoved || (Samples.SpectrumB != Samples.SpectrumStored && Samples.TraceB1 != traceB);
      aKept = aKept && Samples.SpectrumA == spectrumA;
      return;
    }
    spectrumA = Samples.SpectrumA;
    traceB = Samples.TraceB1;
    if (!Mode.Frozen || Mode.PlayingSignals || !Mode.CaptureStarted) return;
    backFrozen = !backend->MessageBoxes().empty();
    if (sound->Writes().size() == 1 && sound->Writes()[0].completed)
      frozenWithCapture = Capture.CaptureDevice != nullptr;
  };
  Run("wait 3000\nclick 105\nwait 300\ndevice output fail\nclick 102\nwait 1000\ndevice output ok\n"
      "click 102\nwait 9000\nclick 102\nwait 1000\nclick 105\nwait 500\n"
      "click 106\nset DisplayModeButton 1097\nset ComparisonModeButton 1031\nwait 300\nclick 103\nwait "
      "9000\nkey Escape");
  const auto& boxes = backend->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(std::make_tuple(boxes[0].text, boxes[0].icon, backFrozen),
            std::make_tuple("Cannot Open Audio Device", MessageIcon::Stop, true));
  ASSERT_EQ(sound->Writes().size(), 3u);
  const auto& w = sound->Writes()[0];
  // The whole buffer, once, to its end.
  EXPECT_EQ(std::make_tuple(w.completed, w.loops, w.data.size()),
            std::make_tuple(true, 1, static_cast<size_t>(Samples.SampleBytes)));
  ASSERT_EQ(w.heard.size(), static_cast<size_t>(8 * kRate));
  // About 3 s of the sine, then silence to the end of the buffer.
  auto loud = [&](size_t from, size_t count) {
    int peak = 0;
    for (size_t f = from; f < from + count; ++f)
      peak = std::max(peak, std::abs(static_cast<int>(w.heard[f])));
    return peak;
  };
  EXPECT_GT(std::min(loud(kRate / 2, kRate), loud(2 * kRate, kRate / 2)), 7000);
  EXPECT_EQ(loud(3 * kRate + kRate / 10, 4 * kRate), 0);
  // The analysis ran on over the silent part (the held length of a live sample is the buffer).
  EXPECT_GT(stepsPlaying, 8 * 40);
  EXPECT_GT(lastStart, 7 * kRate);
  // Back in the frozen live view, the capture device running again only after the whole buffer.
  EXPECT_TRUE(frozenWithCapture);
  const auto& opens = sound->Opens();
  const auto back =
      std::find_if(opens.begin(), opens.end(), [&](const auto& o) { return o.input && o.atMs > w.atMs; });
  ASSERT_NE(back, opens.end());
  EXPECT_GT(back->atMs, w.atMs + 7900);
  // The second Play A, frozen after a second.
  const auto& early = sound->Writes()[1];
  EXPECT_FALSE(early.completed);
  EXPECT_NEAR(static_cast<double>(early.heard.size()), kRate, kRate / 10);
  EXPECT_EQ(Output.PlaybackDevice, nullptr);
  // Play B: only the B side moved while it played, and Spectrum B is the stored one again after.
  EXPECT_EQ(std::make_tuple(SignalPlay.Target, bMoved, aKept), std::make_tuple(1, true, true));
  EXPECT_EQ(Samples.SpectrumB, Samples.SpectrumStored);

  PlayFile(Recording("sine.wav", sine, 1), "wait 1500\nkey Escape");
  const struct {
    const char* loop;
    const Seen& seen;
    int f0;
    bool difference;
    bool negativeKept;
  } rows[] = {{"live", live, 205, true, false},
              {"file", file, 194, false, true},
              {"signals", signals, 205, false, true}};
  for (const auto& r : rows) {
    EXPECT_GT(r.seen.steps, 20) << r.loop;
    EXPECT_EQ(std::make_tuple(r.seen.f0, r.seen.differenceSteps > 0, r.seen.lowest < 0),
              std::make_tuple(r.f0, r.difference, r.negativeKept))
        << r.loop << ", lowest " << r.seen.lowest;
  }
}

TEST_F(PlaybackTest, TheSignalsVariantSoundsOnlyTheChosenChannel) {
  Open(2);
  Hear(testsig::Interleave(testsig::Sine(440, 8000, kRate, kRate), testsig::Sine(125, 6000, kRate, kRate)),
       2);
  // Every frozen sample goes to Sample B at once; "&Play Zizivuv" plays it.
  Run("set ListenChannel 0\nwait 2000\nclick 105\nwait 300\nclick 103\nwait 500\nclick 105\nwait 300\n"
      "set ListenChannel 1\nclick 103\nwait 500\nclick 105\nwait 300\nkey Escape");
  const auto& w = sound->Writes();
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(std::make_tuple(w[0].format.channels, w[0].left, w[0].right, w[1].left, w[1].right),
            std::make_tuple(2, uint16_t{0}, kPlaybackLevel, kPlaybackLevel, uint16_t{0}));
}

// Keys reach commands whose buttons are disabled; each handler refuses what its button would not
// allow. Play A cycles over the live view come back to it without going one call deeper each time.
TEST_F(PlaybackTest, KeysOfDisabledButtonsDoNothingAndPlayCyclesOverALiveViewKeepTheStackFlat) {
  Open(0);
  bool storedWhileLive = false;
  size_t seenWrites = 0;
  std::vector<uintptr_t> depthAfterPlay;  // stack position of the first frozen step after each playback
  backend->onPresent = [&] {
    if (!Mode.Frozen && Mode.CaptureStarted && Mode.SampleBStored) storedWhileLive = true;
    if (Mode.Frozen && !Mode.PlayingSignals && Mode.CaptureStarted && sound->Writes().size() > seenWrites) {
      seenWrites = sound->Writes().size();
      depthAfterPlay.push_back(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
    }
  };
  // A and S while live, R while frozen, A and P while A plays: all refused.
  std::string script = "wait 1000\nkey A\nkey S\nwait 200\nkey Space\nwait 300\nkey R\n";
  for (int cycle = 0; cycle < 4; ++cycle) script += "key A\nwait 200\nkey A\nkey P\nwait 8500\n";
  Run(script + "key Escape");
  // Neither a record file nor a file to play was asked for.
  EXPECT_EQ(std::make_tuple(storedWhileLive, backend->FileDialogs().empty()), std::make_tuple(false, true));
  ASSERT_EQ(sound->Writes().size(), 4u);
  for (const auto& w : sound->Writes()) EXPECT_TRUE(w.completed);
  // One input open for the run and one after each playback, nothing nested in between.
  EXPECT_EQ(
      std::count_if(sound->Opens().begin(), sound->Opens().end(), [](const auto& o) { return o.input; }), 5);
  ASSERT_EQ(depthAfterPlay.size(), 4u);
  for (uintptr_t d : depthAfterPlay) EXPECT_EQ(d, depthAfterPlay[0]);
  EXPECT_EQ(Mode.IdleState, 1);
}

// A file frozen half a second in holds half a second: Play A and Play B sound that part only. Run
// and Record are refused while the file plays (no capture, no record file).
TEST_F(PlaybackTest, PlayAAndPlayBOfAFileFrozenEarlySoundOnlyTheHeldPart) {
  Open(0);
  const std::string path = Recording("five.wav", testsig::IndexRamp(5 * kRate, 2), 2);
  PlayFile(path,
           "wait 200\nkey A\nkey R\nwait 300\nkey Space\nwait 200\nkey ctrl+F2\nkey S\nkey A\nwait 1500\n"
           "key B\nwait 1500\nkey Escape");
  EXPECT_EQ(backend->FileDialogs().size(), 1u);  // the Open dialog only
  for (const auto& o : sound->Opens()) EXPECT_FALSE(o.input);
  ASSERT_EQ(sound->Writes().size(), 3u);  // the file, Play A, Play B
  const int held = Samples.HeldBytesA;
  EXPECT_TRUE(held > kRate * 4 / 4 && held < kRate * 4) << held;
  EXPECT_EQ(Samples.HeldBytesB, held);
  for (size_t w = 1; w < 3; ++w) {
    EXPECT_EQ(std::make_tuple(sound->Writes()[w].data.size(), sound->Writes()[w].completed),
              std::make_tuple(static_cast<size_t>(held), true))
        << w;
    EXPECT_EQ(Heard(w, 100), RampValue(Samples.SampleStartMs * kRate / 1000 + 100)) << w;
  }
  EXPECT_EQ(Mode.IdleState, 1);
}
