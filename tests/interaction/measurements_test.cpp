// The Measurements window's pieces without the program: note names and the cursor readout, the
// harmonic levels, the table's empty and flagged cells, the JSON difference, and the folder that
// is written whole or not at all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "interaction/measurements_table.h"
#include "interaction/musical_readout.h"
#include "interaction/sample_bundle.h"

namespace fs = std::filesystem;

namespace {

TEST(MusicalReadout, NotesAtTheEdgesOfTheVoiceAndTheReferencePitch) {
  // Frequency, the reference A4, the note and its cents.
  const std::tuple<double, double, std::string, int> cases[] = {
      {440, 440, "A4", 0},  {27.5, 440, "A0", 0},    {4186, 440, "C8", 0},   {415, 415, "A4", 0},      {440, 415, "A#4", 1},
      {196.4, 440, "G3", 4}, {261.63, 440, "C4", 0}, {466.16, 466, "A4", 1}, {452.9, 440, "A#4", -50}};
  for (const auto& [hz, reference, name, cents] : cases) {
    const NoteReading n = NearestNote(hz, reference);
    EXPECT_TRUE(n.valid && n.name == name && n.cents == cents) << hz << " Hz at A4 = " << reference << ": " << n.name;
  }
  EXPECT_FALSE(NearestNote(0, 440).valid);
  EXPECT_EQ(FormatCursorReadout(1046, 209.3, 440), "1046 Hz  C6 -1 c  H5");
  EXPECT_EQ(FormatCursorReadout(1046, 0, 440), "1046 Hz  C6 -1 c");
  EXPECT_EQ(HarmonicNumber(50, 200), 1);
}

TEST(HarmonicLevels, EachHarmonicIsItsStrongestBinRelativeToH1) {
  const int rate = 22050;
  const double f0 = 200;
  std::array<int16_t, 1024> spectrum{};
  spectrum.fill(10);
  for (int k = 1; k <= 10; ++k)
    spectrum[static_cast<int>(k * f0 * 2048 / rate + 0.5)] = static_cast<int16_t>(70 - 4 * k);
  const auto levels = HarmonicLevels(spectrum.data(), 1024, f0, rate);
  for (int k = 0; k < 10; ++k) EXPECT_DOUBLE_EQ(levels[k], -4.0 * k) << "H" << k + 1;
  // No F0, no harmonics; a harmonic beyond the spectrum is not read.
  EXPECT_TRUE(std::isnan(HarmonicLevels(spectrum.data(), 1024, 0, rate)[1]));
  EXPECT_TRUE(std::isnan(HarmonicLevels(spectrum.data(), 1024, 1500, rate)[9]));
}

SampleFigures Figures(double f0, bool egg, int cycles = 100, int flagged = 0) {
  SampleFigures f;
  f.present = true;
  f.report.channels = egg ? 2 : 1, f.report.rate = 22050;
  f.report.f0Hz.mean = f0, f.report.f0Hz.sd = 1;
  f.report.jitterLocalPercent = 0.5, f.report.shimmerLocalPercent = 3;
  if (egg) {
    EggReport e;
    e.cycles = cycles, e.flagged = flagged, e.snrDbMean = 30;
    for (auto& s : e.cq) s.mean = 0.5, s.sd = 0.01;
    f.report.egg = e;
  }
  f.harmonicsDb.fill(-6);
  f.harmonicsDb[0] = 0;
  return f;
}

const MeasurementsRow& Row(const std::vector<MeasurementsRow>& t, const std::string& name) {
  for (const auto& r : t)
    if (r[0] == name) return r;
  static MeasurementsRow none;
  ADD_FAILURE() << "no row " << name;
  return none;
}

// (The header, the note names and the JSON difference of two real vowels: the measurements scenario.)
TEST(MeasurementsTable, DifferencesAndTheCellsThatStayEmpty) {
  const SampleFigures a = Figures(196, true), b = Figures(220, true, 100, 60), mono = Figures(220, false),
                      none;
  auto t = BuildMeasurementsTable(a, b, 440);
  ASSERT_EQ(t.size(), MeasurementsRowNames().size() + 1);
  EXPECT_EQ(Row(t, "F0 mean")[3], "+24.0 Hz  +200 c");
  EXPECT_EQ(Row(t, "H1-H2")[1], "6.0 dB");
  EXPECT_EQ(Row(t, "CQ criterion 50 %")[1], "0.500 (SD 0.010)");
  // B has more than half of its cycles flagged: its CQ rows say so and have no difference.
  EXPECT_EQ(Row(t, "CQ DEGG")[2] + Row(t, "CQ DEGG")[3], "noisy EGG: 60 of 100");
  EXPECT_EQ(Row(t, "Cycles (flagged)")[3], "+0 (+60)");
  // A difference that rounds to zero carries no minus sign.
  SampleFigures c = a;
  c.report.shimmerLocalPercent -= 1e-4;
  EXPECT_EQ(Row(BuildMeasurementsTable(a, c, 440), "Shimmer (local)")[3], "+0.00 %");
  // No Sample B: its column and the difference are empty. Mono: no EGG rows.
  t = BuildMeasurementsTable(a, none, 440);
  EXPECT_EQ(Row(t, "F0 mean")[2] + Row(t, "F0 mean")[3], "");
  t = BuildMeasurementsTable(mono, none, 415);
  EXPECT_EQ(Row(t, "F0 mean")[1], "220.0 Hz  A#3 +1 c");
  EXPECT_EQ(Row(t, "CQ hybrid 3/7")[1] + Row(t, "EGG SNR")[1], "");
  EXPECT_EQ(Row(t, "Jitter (local)")[1], "0.50 %");
  // The JSON difference: what neither side measured is null, texts such as the file name are left out.
  const nlohmann::json d = DifferenceJson(FiguresJson(a, "a.wav"), FiguresJson(b, "b.wav"));
  EXPECT_DOUBLE_EQ(d["f0"]["mean_hz"].get<double>(), 24);
  EXPECT_TRUE(!d.contains("file") && d["hnr_db"].is_null());
  EXPECT_TRUE(DifferenceJson(FiguresJson(a, "a.wav"), nullptr).is_null());
}

BundleFile Text(const std::string& name, const std::string& text) {
  return {name, [text](const std::string& p, std::string* e) { return WriteTextFile(p, text, e); }};
}

TEST(BundleFolder, AFolderIsWrittenWholeOrNotAtAll) {
  const fs::path root = fs::temp_directory_path() / ("tx-bundle-" + std::to_string(::getpid()));
  fs::create_directories(root);
  const auto entries = [&] { return std::distance(fs::directory_iterator(root), fs::directory_iterator()); };
  const fs::path folder = root / "bundle";
  std::string error;
  ASSERT_TRUE(WriteFolderAtomically(folder.string(), {Text("one.txt", "1"), Text("two.txt", "2")}, &error))
      << error;
  EXPECT_EQ(entries(), 1);
  // Replaced as a whole: the old file is gone, the new ones are there.
  ASSERT_TRUE(WriteFolderAtomically(folder.string(), {Text("three.txt", "3")}, &error)) << error;
  EXPECT_TRUE(!fs::exists(folder / "one.txt") && fs::exists(folder / "three.txt"));
  // A file that cannot be written: the previous contents stay and nothing else is left behind.
  const BundleFile failing{"four.txt", [](const std::string&, std::string* e) {
                             *e = "No space left on device";
                             return false;
                           }};
  EXPECT_FALSE(WriteFolderAtomically(folder.string(), {Text("x.txt", "x"), failing}, &error));
  EXPECT_EQ(error, "Cannot write four.txt: No space left on device");
  EXPECT_TRUE(fs::exists(folder / "three.txt") && !fs::exists(folder / "x.txt"));
  EXPECT_EQ(entries(), 1);
  // A file is never replaced. (A folder under a regular file: the measurements scenario.)
  std::ofstream(root / "plain") << "data";
  EXPECT_FALSE(WriteFolderAtomically((root / "plain").string(), {Text("a", "a")}, &error));
  EXPECT_NE(error.find("is not a folder"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(root / "plain"), 4u);
  fs::remove_all(root);
}

}  // namespace
