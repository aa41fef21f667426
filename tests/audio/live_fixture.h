#pragma once
// Runs live analysis of the whole program in-process on the headless backend: a simulated
// microphone hearing a generated signal, a scripted user, and a hook at every presented frame so a
// test can look at what each step computed.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/window_state.h"
#include "audio/capture_device.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "display/sample_slots.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/sim_sound.h"
#include "platform/messages.h"
#include "scripting/session.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"
#include "signals/signals.h"

class ObservingBackend : public HeadlessBackend {
 public:
  using HeadlessBackend::HeadlessBackend;
  std::function<void()> onPresent;
  void PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                     UiRect changed) override {
    HeadlessBackend::PresentWindow(picture, palette, changed);
    if (onPresent) onPresent();
  }
};

class LiveRunTest : public ::testing::Test {
 protected:
  static constexpr int kRate = 22050;
  void SetUp() override {
    HeadlessConfig config;
    config.frameCostMs = 2;  // well inside a step period: in F4 every 20 ms step is drawn
    Start(config);
  }
  // A fresh program state on a new backend with `config`; the simulated devices go first, they
  // belong to the backend they were made for.
  void Start(const HeadlessConfig& config) {
    ResetProgramState();  // also the capture, loop, view, playback and output states
    sound.reset();
    backend = std::make_unique<ObservingBackend>(config);
    sound = std::make_unique<SimSoundSystem>(*backend);
    actions = std::make_unique<ProgramActions>(*backend, std::cout);  // `set` lines
    backend->SetProgramActions(actions.get());
    SetBackend(backend.get());
    SetSoundSystem(sound.get());
  }
  void TearDown() override {
    backend->onPresent = nullptr;
    for (int i = 0; i < 6 && Window.WindowExists; ++i) SendMainMessage(WM_CLOSE);
    SetSoundSystem(nullptr);
    SetBackend(nullptr);
    ResetMessageQueue();
    ResetProgramState();
  }
  // The microphone hears `frames` (interleaved, looped).
  void Hear(std::vector<int16_t> frames, int channels) {
    sound->source.samples = std::move(frames);
    sound->source.channels = channels;
  }
  void Open(int variant) { CreateMainWindow(variant); }
  // Clicks Run with the script's lines running from inside the loop; returns when the run ended
  // (the script must end it: Escape, or its end, where the user closes the window).
  void Run(const std::string& script) {
    ParsedScript parsed = ParseScript(script + "\nwait 1000000\n");
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    backend->SetScript(parsed.lines);
    SendMainMessage(WM_COMMAND, CMD_RUN, 0);
  }

  std::unique_ptr<ObservingBackend> backend;
  std::unique_ptr<SimSoundSystem> sound;
  std::unique_ptr<ProgramActions> actions;
};

// The value a frame carries in a recording of testsig::IndexRamp: its index mod 32768.
inline int16_t RampValue(int64_t frame) { return static_cast<int16_t>(frame % 32768); }
// Channel `c` of frame `f` in interleaved 16-bit bytes (a held sample, a recording's data).
inline int16_t SampleAt(const std::vector<uint8_t>& bytes, size_t f, int channels, int c = 0) {
  int16_t v;
  std::memcpy(&v, bytes.data() + (f * channels + c) * 2, 2);
  return v;
}
