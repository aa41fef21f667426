#pragma once
// Runs file playback and held-sample playback of the whole program in-process on the headless
// backend: recordings written to a scratch folder, a scripted user, and the simulated output that
// keeps what a user would have heard.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/activities.h"
#include "audio/file_playback.h"
#include "audio/output_device.h"
#include "audio/signal_playback.h"
#include "files/recording_writer.h"
#include "live_fixture.h"

class PlaybackTest : public LiveRunTest {
 protected:
  void SetUp() override {
    LiveRunTest::SetUp();
    dir = std::filesystem::temp_directory_path() /
          ("tx-playback-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    LiveRunTest::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // Writes interleaved frames as a recording; returns its path.
  std::string Recording(const std::string& name, const std::vector<int16_t>& frames, int channels,
                        int rate = 22050) {
    const std::string path = (dir / name).string();
    std::string error;
    EXPECT_TRUE(SaveSampleFile(path, channels, rate, 16, frames, &error)) << error;
    return path;
  }
  // Clicks Play File choosing `path`, with the script's lines running from inside the playback.
  void PlayFile(const std::string& path, const std::string& script) {
    // The leading answers are queued now: the file dialog comes before the first pump.
    ParsedScript parsed = ParseScript("answer file " + path + "\n" + script + "\nwait 1000000\n");
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    auto rest = parsed.lines.begin();
    for (; rest != parsed.lines.end() && rest->text.rfind("answer", 0) == 0; ++rest) backend->Execute(*rest);
    backend->SetScript(std::vector<ScriptLine>(rest, parsed.lines.end()));
    SendMainMessage(WM_COMMAND, CMD_PLAY_FILE, 0);
  }
  // Sample A holds the recording's frames from `first` on (each `step`-th frame looked at).
  void ExpectHeldRamp(int64_t first, int step, const SampleSlots& s = Samples) {
    for (int f = 0; f < s.HeldBytesA / (2 * s.SampleChannels); f += step)
      ASSERT_EQ(SampleAt(s.SampleA, f, s.SampleChannels), RampValue(first + f)) << f;
  }
  // The value of channel `c` in frame `f` of what write `w` sounded.
  int16_t Heard(size_t w, size_t f, int c = 0) const {
    const auto& write = sound->Writes().at(w);
    return write.heard.at(f * write.format.channels + c);
  }

  std::filesystem::path dir;
};
