// Whole frames of every display layout at 800 x 600, drawn from a synthetic voice and compared
// with palette-index dumps under tests/golden/. A mismatch writes <name>.rle.actual and
// <name>.actual.bmp into the build tree; TX_UPDATE_GOLDEN=1 rewrites the dumps instead.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "display/bitmap_writer.h"
#include "display/display_frame.h"
#include "display_fixture.h"
#include "signals/signals.h"
#include "support/spectrum_signals.h"

namespace {

constexpr int kRate = 22050;

// One second of silence, four of a 150 Hz vowel, five of a chirp from 200 Hz to 3 kHz; the
// glottogram pulses at 150 Hz throughout.
std::vector<int16_t> Voice() {
  std::vector<int16_t> audio = testsig::Constant(0, kRate);
  for (const auto& part : {testsig::HarmonicSeries(150, 20, 12000, kRate, 4 * kRate),
                           testsig::Chirp(200, 3000, 8000, kRate, 5 * kRate)})
    audio.insert(audio.end(), part.begin(), part.end());
  const auto egg = testsig::EggPulses(1000.0 / 150, 0.5, 12000, kRate, static_cast<int>(audio.size()));
  return testsig::Interleave(audio, egg);
}

// Run-length dump: "TXRLE w h\n", then runs of (palette index, count 1..65535 little-endian).
std::string Encode(const canvas::Surface& s, int height) {
  std::string out = "TXRLE " + std::to_string(s.Width()) + " " + std::to_string(height) + "\n";
  const uint8_t* p = s.Pixels().data();
  const size_t n = static_cast<size_t>(s.Width()) * height;
  for (size_t i = 0; i < n;) {
    size_t run = 1;
    while (i + run < n && p[i + run] == p[i] && run < 65535) ++run;
    out.push_back(static_cast<char>(p[i]));
    out.push_back(static_cast<char>(run & 0xFF));
    out.push_back(static_cast<char>(run >> 8));
    i += run;
  }
  return out;
}

std::filesystem::path Dir(const char* variable, const std::filesystem::path& otherwise) {
  const char* d = std::getenv(variable);
  return d ? d : otherwise;
}

struct GoldenCase {
  const char* name;
  int displayMode, comparisonMode;
};

class GoldenFrameTest : public DisplayTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenFrameTest, MatchesTheDump) {
  const GoldenCase c = GetParam();
  Companions.DisplayMode = c.displayMode, Companions.ComparisonMode = c.comparisonMode;
  const std::vector<int16_t> voice = Voice();
  std::string error;
  ASSERT_TRUE(RenderScene({&voice, 2, kRate}, 6.5, 3.0, &error)) << error;

  const int height = Display.PanelAreaHeight + Display.TextHeight + 6;
  const std::string actual = Encode(Display.FrameDC, height);
  const auto golden = Dir("TX_SOURCE_DIR", ".") / "tests" / "golden" / (std::string(c.name) + ".rle");
  if (std::getenv("TX_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << actual;
    GTEST_SKIP() << "wrote " << golden;
  }
  std::ifstream in(golden, std::ios::binary);
  const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (actual != expected) {
    const auto dir = Dir("TX_BUILD_DIR", std::filesystem::temp_directory_path()) / "golden-actual";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / (std::string(c.name) + ".rle.actual"), std::ios::binary) << actual;
    WriteBitmap8((dir / (std::string(c.name) + ".actual.bmp")).string(), Display.FrameDC, Palette.DisplayPalette,
                 {0, 0, Display.PanelAreaWidth, height});
    FAIL() << c.name << " differs from " << golden << " (" << expected.size() << " bytes); the frame is in " << dir;
  }
}

const GoldenCase kGoldenCases[] = {{"frame_f1", 0, 0}, {"frame_f2", 1, 0}, {"frame_f3", 2, 0}, {"frame_f4", 3, 0},
                                   {"frame_f5", 4, 0}, {"frame_f6", 5, 0}, {"frame_f7", 6, 0}, {"frame_f8", 7, 0},
                                   {"frame_f1_above_below", 0, 1}, {"frame_f4_overlay", 3, 2}};
INSTANTIATE_TEST_SUITE_P(Layouts, GoldenFrameTest, ::testing::ValuesIn(kGoldenCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
