// The three analysis loops share their step but differ in a few rules: where the F0 peak search
// stops, whether sound without an EGG channel gets a difference spectrum, and whether negative
// spectrum averages are kept. One mono sine through each loop of the whole program.
#include <algorithm>

#include "playback_fixture.h"

namespace {

struct Seen {
  int f0 = -1;
  int differenceSteps = 0;  // SpectrumA held the difference average, not the audio average
  int lowest = 0;           // lowest averaged level of the bins 0..9
  int steps = 0;
};

void Note(Seen& s) {
  const auto& L = LiveLoop;
  s.f0 = Samples.F0A;
  s.differenceSteps +=
      std::equal(L.DifferenceAverage.begin(), L.DifferenceAverage.begin() + 1024,
                 Samples.SpectrumA.begin()) &&
      !std::equal(L.AveragedSpectrum.begin(), L.AveragedSpectrum.begin() + 1024, Samples.SpectrumA.begin());
  s.lowest = *std::min_element(L.AveragedSpectrum.begin(), L.AveragedSpectrum.begin() + 10);
  ++s.steps;
}

TEST_F(PlaybackTest, EachLoopKeepsItsOwnPeakDifferenceAndAveragingRules) {
  // 18.55 bins: bin 18 is the first clear peak and bin 19 is higher. The live and the stored-signal
  // loops move to 19 (204.6 Hz), the file loop stays at 18 (193.8 Hz).
  const double hz = 18.55 * kRate / 2048;
  const std::vector<int16_t> sine = testsig::Sine(hz, 8000, kRate, 4 * kRate);
  Open(1);
  AnalysisSettings.F0Measurement = ID_F0_ON;
  AnalysisSettings.SpectrumType = ID_SPECTRUM_DIFFERENCE;
  AnalysisSettings.SpectrumAverageCount = 4;
  Seen live, signals, file;
  backend->onPresent = [&] {
    if (Mode.Frozen && !Mode.PlayingSignals) return;
    Note(Mode.PlayingSignals ? signals : Mode.FileSource ? file : live);
  };
  Hear(sine, 1);
  Run("wait 1500\nclick 105\nwait 300\nclick 102\nwait 2000\nkey Escape");
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

}  // namespace
