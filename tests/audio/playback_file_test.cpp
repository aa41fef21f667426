// Play File on the whole program: what is heard, when the display freezes, what Sample A holds,
// where playing resumes, a low rate, another format, and an output that cannot be opened. (A header
// claiming more than the file holds is cut to what is there by the reader: tests/files.)
#include "app/options_dialog.h"
#include "playback_fixture.h"

// An output that cannot be opened ends Play File with a message; then the file plays.
TEST_F(PlaybackTest, ATwoSecondStereoFilePlaysAboutOnePointSixSecondsAndFreezesWithThePlayedPartInSampleA) {
  Open(0);
  const std::string path = Recording("two.wav", testsig::IndexRamp(2 * kRate, 2), 2);
  sound->failOutput = true;
  PlayFile(path, "");
  const auto& boxes = backend->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(std::make_tuple(boxes[0].text, boxes[0].icon, Mode.IdleState, FilePlay.StreamOpen,
                            FilePlay.StreamBlock.empty()),
            std::make_tuple("Cannot Open Audio Device", MessageIcon::Stop, 1, false, true));
  sound->failOutput = false;
  int64_t heardAtFreeze = -1;
  backend->onPresent = [&] {
    if (Mode.Frozen && heardAtFreeze < 0 && !sound->Writes().empty())
      heardAtFreeze = static_cast<int64_t>(sound->Writes()[0].heard.size() / 2);
  };
  PlayFile(path, "wait 3000\nkey Escape");
  ASSERT_EQ(sound->Writes().size(), 1u);
  const auto& w = sound->Writes()[0];
  // The device got the whole 8-second block once, the Audio side only (the freeze cut it short).
  EXPECT_EQ(std::make_tuple(w.data.size(), w.loops, w.left, w.right, w.completed),
            std::make_tuple(size_t{kRate * 2 * 2 * 8 + 8}, 1, kPlaybackLevel, uint16_t{0}, false));
  // Heard: the file from its start, frame for frame, until 4 segments before its end.
  const int64_t heard = static_cast<int64_t>(w.heard.size() / 2);
  EXPECT_TRUE(heard >= 2 * kRate - 4 * 2048 && heard < 2 * kRate - 3 * 2048) << heard;
  EXPECT_NEAR(heard * 1000.0 / kRate, 1630, 30);
  for (int64_t f = 0; f < heard; f += 97) ASSERT_EQ(Heard(0, f), RampValue(f)) << f;
  EXPECT_EQ(heardAtFreeze, heard);
  // Sample A holds what was played, from the file's start; nothing beyond.
  EXPECT_EQ(std::make_tuple(Samples.SampleChannels, Samples.SampleStartMs), std::make_tuple(2, 0));
  EXPECT_NEAR(Samples.HeldBytesA, heard * 4, 4 * 64);
  ExpectHeldRamp(0, 101);
  EXPECT_EQ(Samples.SampleA[Samples.HeldBytesA + 8], 0);
  // The file is closed and the device gone once the freeze's end notice came; Escape reset it.
  EXPECT_EQ(std::make_tuple(FilePlay.StreamOpen, Output.PlaybackDevice == nullptr, Mode.StopRequested,
                            Mode.IdleState),
            std::make_tuple(false, true, 1, 1));
}

// Then releasing the near-end freeze plays again from the start of the held part.
TEST_F(PlaybackTest, AThirtySecondFileStartedAtTwentySecondsPlaysItsLastTenSecondsAndResumesAtTheHeldPart) {
  Open(1);
  const std::string path = Recording("thirty.wav", testsig::IndexRamp(30 * kRate, 1), 1);
  long long offsetWhenFrozen = -1;
  int refilled = 0;
  SampleSlots held;  // as the near-end freeze left them
  backend->onPresent = [&] {
    if (Mode.Frozen && sound->Writes().size() == 1)
      offsetWhenFrozen = Activity.PlayStartOffset, refilled = FilePlay.HalvesRefilled, held = Samples;
  };
  // The Starting Point dialog comes up (the file is longer than 8 s): 20 s.
  PlayFile(path,
           "answer scroll 1110 thumb 20\nanswer dialog ok\nwait 12000\nclick 105\nwait 1000\nkey Escape");
  ASSERT_EQ(sound->Writes().size(), 2u);
  const auto& w = sound->Writes()[0];
  EXPECT_EQ(std::make_pair(w.left, w.right),
            std::make_pair(kPlaybackLevel, kPlaybackLevel));  // one channel: both
  const int64_t heard = static_cast<int64_t>(w.heard.size());
  EXPECT_TRUE(heard >= 10 * kRate - 4 * 2048 && heard < 10 * kRate - 3 * 2048) << heard;
  // Every frame heard is the file's, from 20 s on: the halves were refilled in time and in order.
  for (int64_t f = 0; f < heard; ++f) ASSERT_EQ(Heard(0, f), RampValue(20 * kRate + f)) << f;
  EXPECT_GE(refilled, 2);
  // Sample A: the last 8 s played, less 1024 frames, from the file; playing resumes there.
  const int64_t start = offsetWhenFrozen / 2;
  EXPECT_NEAR(held.SampleStartMs, start * 1000.0 / kRate, 1);
  EXPECT_NEAR(start, 20 * kRate + heard - 8 * kRate - 1024, 4);
  EXPECT_EQ(held.HeldBytesA, held.SampleBytes);
  ExpectHeldRamp(start, 113, held);
  const auto& again = sound->Writes()[1];
  ASSERT_GT(again.heard.size(), 1000u);
  const int64_t first = Heard(1, 0);
  EXPECT_NEAR(first, RampValue(start), 4);
  for (size_t f = 0; f < again.heard.size(); f += 89) ASSERT_EQ(Heard(1, f), RampValue(first + f)) << f;
}

// A file freeze with a sample length change pending; then low-rate files.
TEST_F(PlaybackTest, AFileFreezeCopiesByTheAllocatedLengthAndALowRateFileLimitsTheShownRangeWhileAnalysed) {
  Open(1);
  // The freeze reads back as much as the samples hold, not what the Time History setting says while
  // its change waits for an OK: the held part starts where the sample's length puts it.
  Run("wait 300\nkey Escape");  // the samples are made: 8 s
  ASSERT_EQ(Samples.SampleBytes, 8 * kRate * 2);
  AnalysisSettings.StoredSeconds = 4;
  OptionsDialogs.StoredSecondsChanged = 1;
  PlayFile(Recording("six.wav", testsig::IndexRamp(6 * kRate, 1), 1),
           "wait 5000\nclick 105\nwait 200\nkey Escape");
  EXPECT_EQ(Samples.SampleStartMs, 0);
  EXPECT_NEAR(Samples.HeldBytesA, 5 * kRate * 2, kRate / 5);
  ExpectHeldRamp(0, 997);

  // A low-rate file limits the range shown while it is analysed; the user's scales stay in their
  // 2000..10000 range, and live input shows them again.
  std::string title;
  backend->onPresent = [&] {
    for (const auto& t : LastFrameTexts())
      if (t.text.find("kHz") != std::string::npos) title = t.text;
  };
  for (auto [rate, shown] : {std::pair{8000, 4000}, {3000, 1000}, {1500, 1000}}) {
    SCOPED_TRACE(rate);
    const std::string path =
        Recording("low.wav", testsig::IndexRamp(8 * rate, 2), 2, rate);  // 8 s, 44100 bytes or more
    title.clear();
    PlayFile(path, "wait 500\nkey Escape");
    const auto& st = AnalysisSettings;
    EXPECT_EQ(std::make_tuple(sound->Writes().back().format.sampleRate, st.FreqScaleHz, st.Config1FreqScaleHz,
                              st.Config2FreqScaleHz, ShownFreqScaleHz(), st.SpectrogramBins),
              std::make_tuple(rate, 5000, 5000, 8000, shown, ComputeSpectrogramBins(shown, rate)));
    EXPECT_NE(title.find(std::to_string(shown / 1000) + " kHz"), std::string::npos) << title;
  }
  // Configuration 2 (Shift+F1) and live input at 22050 Hz: the user's 8 kHz.
  title.clear();
  Run("key shift+F1\nwait 300\nkey Escape");
  EXPECT_EQ(std::make_tuple(AnalysisSettings.FreqScaleHz, ShownFreqScaleHz()), std::make_tuple(8000, 8000));
  EXPECT_NE(title.find("8 kHz"), std::string::npos) << title;
}

// A mono file after a stereo run: the stored Sample B cannot stay, both samples are made anew in
// the file's format, and that remake also settles a sample length changed earlier, so a later OK
// of the options dialog leaves the next stored sample alone.
TEST_F(PlaybackTest, AFileOfAnotherFormatDropsSampleBOnceAndSettlesAPendingSampleLength) {
  Open(0);
  Run("wait 1500\nclick 105\nwait 200\nclick 106\nwait 200\nkey Escape");
  ASSERT_EQ(Mode.SampleBStored, 1);
  ASSERT_EQ(Samples.SampleChannels, 2);
  OptionsDialogs.StoredSecondsChanged = 1;  // the Time History bar moved while something ran
  PlayFile(Recording("mono.wav", testsig::IndexRamp(3 * kRate, 1), 1),
           "wait 3000\nclick 106\nwait 200\nkey Escape");
  ASSERT_EQ(backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(backend->MessageBoxes()[0].text, "Delete Incompatible Stored Sample");
  // Made anew in the file's format, the pending length settled; stored again from the frozen file view.
  ASSERT_EQ(std::make_tuple(Samples.SampleChannels, Samples.SampleRateMade,
                            OptionsDialogs.StoredSecondsChanged, Mode.SampleBStored),
            std::make_tuple(1, kRate, 0, 1));

  SendMainMessage(WM_COMMAND, MENU_ANALYSIS_OPTIONS, 0);
  DialogModel* d = OpenOptionsDialogModel();
  ASSERT_NE(d, nullptr);
  d->procedure(*d, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(std::make_tuple(Mode.SampleBStored, backend->MessageBoxes().size()), std::make_tuple(1, 1u));
}

// On a desktop the sound starts a while before the loop does (the device takes its time to open):
// after the near-end freeze the view still lies in the held part, so the traces and the spectrum
// at the cursor show the sound the spectrogram shows, for mono files too.
TEST_F(PlaybackTest, AfterTheNearEndFreezeTheViewShowsTheHeldSoundWhenTheDeviceStartedEarly) {
  Open(0);
  for (auto [channels, display] : {std::pair{2, ID_DISPLAY_F1}, {1, ID_DISPLAY_F5}}) {
    SCOPED_TRACE(channels);
    SetSettingByName("DisplayModeButton", display);
    const std::vector<int16_t> sine = testsig::Sine(440, 8000, kRate, 3 * kRate);
    const std::vector<int16_t> frames = channels == 2 ? testsig::Interleave(sine, sine) : sine;
    bool started = false;
    int frozenSteps = 0, audioSteps = 0, spectrumSteps = 0;
    backend->onPresent = [&] {
      if (!Mode.FileSource) return;
      if (!started) Output.LastBufferTime -= 150;  // the sound began 150 ms before the loop
      started = true;
      if (!Mode.Frozen || Mode.FreezePending || Output.PlaybackDevice) return;
      ++frozenSteps;
      audioSteps += *std::max_element(Samples.TraceA1.begin() + 1, Samples.TraceA1.begin() + 2048) > 4000;
      spectrumSteps += *std::max_element(Samples.SpectrumA.begin(), Samples.SpectrumA.end()) > 60;
    };
    PlayFile(Recording("sine.wav", frames, channels), "wait 4000\nkey Escape");
    EXPECT_GT(frozenSteps, 3);  // a frozen view nobody touches is drawn every 250 ms
    EXPECT_EQ(std::make_tuple(audioSteps, spectrumSteps), std::make_tuple(frozenSteps, frozenSteps));
  }
}
