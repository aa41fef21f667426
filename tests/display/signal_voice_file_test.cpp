// A sung vowel with its glottogram written as a stereo WAV, read back as Play File reads it,
// analysed up to a moment as the loop would and held: the signal panel's readouts give the
// generator's closed quotient, period and F0.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "display/signal_panels.h"
#include "display_fixture.h"
#include "files/recording_file.h"
#include "support/egg_signals.h"
#include "support/signals.h"

namespace {

class SignalVoiceFileTest : public DisplayTest {};

TEST_F(SignalVoiceFileTest, HeldVowelReadsTheGeneratorsValues) {
  testsig::EggShape shape;  // 8 ms, CQ 0.45
  const int rate = 22050, frames = 2 * rate;
  const auto path = (std::filesystem::temp_directory_path() / "tx_signal_voice_test.wav").string();
  std::string error;
  ASSERT_TRUE(SaveSampleFile(path, 2, rate, 16,
                             testsig::Interleave(testsig::SungVowel(shape, 16000, rate, frames),
                                                 testsig::EggCycles(shape, rate, frames)),
                             &error))
      << error;
  const auto recording = LoadRecording(path, &error);
  std::filesystem::remove(path);
  ASSERT_TRUE(recording) << error;
  ASSERT_EQ(recording->channels, 2);

  ResetSignalPanelState();
  Mode.Frozen = 1;
  Companions.DisplayMode = 6;  // F7: audio and glottogram over the whole width
  const RenderSignal signal{&recording->samples, recording->channels, recording->sampleRate};
  ASSERT_TRUE(RenderScene(signal, 1.5, 0.75, &error)) << error;

  double cq = -1, cl = -1, period = -1;
  unsigned f0 = 0;
  for (const auto& t : Display.FrameTexts) {
    std::sscanf(t.text.c_str(), "CQ %lf, CL %lf", &cq, &cl);
    std::sscanf(t.text.c_str(), "Period %lf ms, F0 %u Hz", &period, &f0);
  }
  const double columnMs = 20.0 / Display.PanelAreaWidth;
  EXPECT_NEAR(cq, 0.45, columnMs / 8 + 0.005);
  EXPECT_NEAR(period, 8.0, columnMs + 0.005);
  EXPECT_EQ(f0, 125u);
  std::printf("read: CQ %.2f, period %.2f ms, F0 %u Hz (generator: CQ 0.45, 8.00 ms, 125 Hz)\n", cq, period,
              f0);
}

}  // namespace
