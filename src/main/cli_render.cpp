// taldrinex-cli render [--input FILE --at SECONDS] --display F1..F8 --comparison 0..2 --size WxH
// --out FILE.bmp: one display frame drawn without a window, written as an 8-bit bitmap through
// the palette. The frame shows the seconds before --at of the recording analysed as the live loop
// would, or, without --input, a synthetic voice (a vowel gliding in pitch, with its glottogram).
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/window_state.h"
#include "display/bitmap_writer.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/render_scene.h"
#include "files/recording_file.h"
#include "main/cli_commands.h"
#include "resources/resources.h"
#include "settings/analysis_settings.h"

namespace {

struct RenderOptions {
  std::string input;
  double atSeconds = -1;
  std::string display = "F1";
  int comparison = 0;
  std::string size = "800x600";
  std::string out;
};

constexpr int kSyntheticRate = 22050;
constexpr double kSyntheticSeconds = 10.0;
constexpr double kPi = 3.14159265358979323846;

// A vowel-like voice whose pitch glides between 110 and 220 Hz every few seconds, with an
// EGG-like glottogram in the second channel; silent for the first half second.
std::vector<int16_t> SyntheticVoice() {
  const int frames = static_cast<int>(kSyntheticSeconds * kSyntheticRate);
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 0);
  double phase = 0;
  for (int n = kSyntheticRate / 2; n < frames; ++n) {
    const double t = static_cast<double>(n) / kSyntheticRate;
    const double f0 = 165 + 55 * std::sin(2 * kPi * t / 3.0);
    phase += 2 * kPi * f0 / kSyntheticRate;
    double audio = 0;
    for (int k = 1; k <= 20; ++k) {
      // Formant-like emphasis near 700 Hz and 1200 Hz.
      const double f = k * f0;
      const double gain = 1.0 / k + 0.8 * std::exp(-std::pow((f - 700) / 150, 2)) +
                          0.5 * std::exp(-std::pow((f - 1200) / 200, 2));
      audio += gain * std::sin(k * phase);
    }
    const double cycle = std::fmod(phase / (2 * kPi), 1.0);
    const double egg = cycle < 0.45 ? 1.0 : -1.0;
    const double envelope = 0.6 + 0.4 * std::sin(2 * kPi * t / 1.7);
    out[static_cast<size_t>(n) * 2] = static_cast<int16_t>(std::lround(6000 * envelope * audio));
    out[static_cast<size_t>(n) * 2 + 1] = static_cast<int16_t>(std::lround(12000 * egg));
  }
  return out;
}

bool ParseSize(const std::string& text, int* w, int* h) {
  char x = 0;
  char extra = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", w, &x, h, &extra) == 3 && (x == 'x' || x == 'X') && *w >= 64 &&
         *h >= 64 && *w <= 8192 && *h <= 8192;
}

int Run(const RenderOptions& o) {
  int w = 0, h = 0;
  if (!ParseSize(o.size, &w, &h)) {
    std::fprintf(stderr, "--size: expected WxH between 64x64 and 8192x8192, got %s\n", o.size.c_str());
    return 1;
  }
  ResetSettingsState();
  ApplyVariantStartValues(1);
  Companions.VariantTitle = VariantTitleText(1);
  // Set as asked, even Overlay over a layout without a spectrum (the frame then shows only the
  // legend strip), which the options dialog would not offer.
  AnalysisSettings.DisplayModeButton = ID_DISPLAY_F1 + (o.display[1] - '1');
  AnalysisSettings.ComparisonModeButton = ID_COMPARISON_DISABLED + o.comparison;
  DeriveModesFromSettings();

  // The window layout's rules: the panel font follows the client width, the panel area is what
  // the button row, the scroll bar and the legend strip leave (system text 16 pixels high).
  RenderSurfaceSpec surfaces;
  surfaces.clientWidth = w;
  surfaces.clientHeight = h;
  surfaces.fontHeight = PanelFontHeight(w, 96);
  const auto probe = canvas::Font::Create(surfaces.fontHeight);
  if (!probe) {
    std::fprintf(stderr, "the panel font cannot be loaded\n");
    return 1;
  }
  constexpr int kSystemTextHeight = 16;
  surfaces.panelAreaHeight = ComputePanelAreaHeight(h, kSystemTextHeight + 4, probe->Height(), kSystemTextHeight);
  if (surfaces.panelAreaHeight < 16 || !SetUpRenderSurfaces(surfaces)) {
    std::fprintf(stderr, "--size %s leaves no room for the panels\n", o.size.c_str());
    return 1;
  }

  RenderSignal signal;
  std::vector<int16_t> synthetic;
  double at = o.atSeconds;
  std::string error;
  std::optional<LoadedRecording> recording;
  if (!o.input.empty()) {
    recording = LoadRecording(o.input, &error);
    if (!recording) {
      std::fprintf(stderr, "%s: %s\n", o.input.c_str(), error.c_str());
      return 1;
    }
    signal = {&recording->samples, recording->channels, recording->sampleRate};
    if (at < 0) at = static_cast<double>(recording->samples.size()) / recording->channels / recording->sampleRate;
  } else {
    synthetic = SyntheticVoice();
    signal = {&synthetic, 2, kSyntheticRate};
    if (at < 0) at = kSyntheticSeconds;
  }
  if (!RenderScene(signal, at, at / 2, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const canvas::Rect region{0, 0, Display.PanelAreaWidth, Display.PanelAreaHeight + Display.TextHeight + 6};
  if (!WriteBitmap8(o.out, Display.FrameDC, Palette.DisplayPalette, region)) {
    std::fprintf(stderr, "%s: cannot write the bitmap\n", o.out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

void AddRenderCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("render", "Draw one display frame without a window and write it as an 8-bit BMP");
  auto o = std::make_shared<RenderOptions>();
  cmd->add_option("--input", o->input, "Recording to analyse (.wav, .tdx or headerless); default a synthetic voice")
      ->check(CLI::ExistingFile);
  cmd->add_option("--at", o->atSeconds, "Moment shown at the right of the spectrogram, seconds (default: the end)")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--display", o->display, "Display layout F1..F8")
      ->check(CLI::IsMember({"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8"}))
      ->capture_default_str();
  cmd->add_option("--comparison", o->comparison, "0 Disabled, 1 Above/Below, 2 Overlay (Sample B: the same input at half the time)")
      ->check(CLI::Range(0, 2))
      ->capture_default_str();
  cmd->add_option("--size", o->size, "Client area WxH")->capture_default_str();
  cmd->add_option("--out", o->out, "Bitmap file to write")->required();
  cmd->callback([o, &status] { status = Run(*o); });
}
