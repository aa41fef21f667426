#include "interaction/sample_bundle.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "display/display_state.h"
#include "display/palette.h"
#include "display/png_writer.h"
#include "display/sample_slots.h"
#include "files/recording_writer.h"
#include "interaction/measurements_table.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWavA = "sample-a.wav";
constexpr const char* kWavB = "sample-b.wav";

std::string Why(const std::error_code& ec) { return ec ? ec.message() : std::string("unknown error"); }

bool WriteHeldWave(int which, const std::string& path, std::string* error) {
  const std::vector<int16_t> frames = HeldFrames(which, false);
  const int channels = Samples.SampleChannels > 0 ? Samples.SampleChannels : 1;
  return SaveSampleFile(path, channels, Samples.SampleRateMade, 16, frames, error);
}

}  // namespace

bool WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    *error = std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int savedErrno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    *error = std::strerror(written ? errno : savedErrno);
    return false;
  }
  return true;
}

bool WriteFolderAtomically(const std::string& folder, const std::vector<BundleFile>& files,
                           std::string* error) {
  std::error_code ec;
  const fs::path target = fs::absolute(fs::path(folder), ec).lexically_normal();
  if (ec || target.filename().empty()) {
    *error = "Cannot use the folder name " + folder;
    return false;
  }
  if (fs::exists(target, ec) && !fs::is_directory(target, ec)) {
    *error = target.string() + " exists and is not a folder";
    return false;
  }
  const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid());
  const fs::path partial = target.parent_path() / (stem + ".partial");
  const fs::path previous = target.parent_path() / (stem + ".previous");
  fs::remove_all(partial, ec);  // a leftover of our own
  if (!fs::create_directory(partial, ec)) {
    *error = "Cannot create a folder in " + target.parent_path().string() + ": " + Why(ec);
    return false;
  }
  for (const BundleFile& f : files) {
    std::string why;
    if (!f.write((partial / f.name).string(), &why)) {
      fs::remove_all(partial, ec);
      *error = "Cannot write " + f.name + ": " + why;
      return false;
    }
  }
  // Into place: the previous folder steps aside first and comes back if the move fails.
  const bool replacing = fs::exists(target, ec);
  if (replacing) {
    fs::remove_all(previous, ec);
    fs::rename(target, previous, ec);
    if (ec) {
      const std::string why = Why(ec);
      fs::remove_all(partial, ec);
      *error = "Cannot replace " + target.string() + ": " + why;
      return false;
    }
  }
  fs::rename(partial, target, ec);
  if (ec) {
    const std::string why = Why(ec);
    if (replacing) fs::rename(previous, target, ec);
    fs::remove_all(partial, ec);
    *error = "Cannot move the files into " + target.string() + ": " + why;
    return false;
  }
  if (replacing) fs::remove_all(previous, ec);
  return true;
}

HeldFigures MeasureBothHeldSamples() {
  HeldFigures h;
  h.a = MeasureHeldSample(0, false);
  if (Mode.SampleBStored) h.b = MeasureHeldSample(1, false);
  return h;
}

std::string CyclesCsv(const HeldFigures& figures) {
  return CyclesCsvHeader() + CyclesCsvRows("A", kWavA, figures.a) + CyclesCsvRows("B", kWavB, figures.b);
}

std::string SpectrumCsv() {
  const double top = AnalysisSettings.AmplitudeScaleDb;
  const int rate = Samples.SampleRateMade > 0 ? Samples.SampleRateMade : AnalysisSettings.SampleRate;
  const bool b = Mode.SampleBStored != 0;
  std::string out = "bin,hz,a_db,b_db,b_minus_a_db\n";
  char line[96];
  for (int i = 0; i < kSpectrumLength; ++i) {
    const double a = Samples.SpectrumA[i] - top;
    const double hz = i * static_cast<double>(rate) / 2048.0;
    if (b) {
      const double bv = Samples.SpectrumB[i] - top;
      std::snprintf(line, sizeof line, "%d,%.2f,%.0f,%.0f,%.0f\n", i, hz, a, bv, bv - a);
    } else {
      std::snprintf(line, sizeof line, "%d,%.2f,%.0f,,\n", i, hz, a);
    }
    out += line;
  }
  return out;
}

std::string SummaryJson(const HeldFigures& figures, int referenceA4Hz) {
  const auto& st = AnalysisSettings;
  nlohmann::json j;
  j["program"] = "Taldrinex";
  j["version"] = TX_PROGRAM_VERSION;
  j["settings"] = {{"rate", Samples.SampleRateMade},
                   {"channels", Samples.SampleChannels},
                   {"sample_seconds", Samples.SampleSeconds},
                   {"glottogram_polarity", st.GlottogramPolarity == ID_GLOTTOGRAM_PLUS ? "plus" : "minus"},
                   {"bandwidth_hz", st.BandwidthHz},
                   {"freq_scale_hz", st.FreqScaleHz},
                   {"amplitude_scale_db", st.AmplitudeScaleDb},
                   {"reference_a4_hz", referenceA4Hz}};
  j["A"] = FiguresJson(figures.a, kWavA);
  j["B"] = FiguresJson(figures.b, kWavB);
  j["difference"] = DifferenceJson(j["A"], j["B"]);
  return j.dump(2) + "\n";
}

std::vector<BundleFile> SampleBundleFiles(const HeldFigures& figures, int referenceA4Hz) {
  std::vector<BundleFile> files;
  files.push_back({kWavA, [](const std::string& p, std::string* e) { return WriteHeldWave(0, p, e); }});
  if (Mode.SampleBStored)
    files.push_back({kWavB, [](const std::string& p, std::string* e) { return WriteHeldWave(1, p, e); }});
  const std::string cycles = CyclesCsv(figures);
  files.push_back(
      {"cycles.csv", [cycles](const std::string& p, std::string* e) { return WriteTextFile(p, cycles, e); }});
  const std::string spectrum = SpectrumCsv();
  files.push_back({"spectrum.csv", [spectrum](const std::string& p, std::string* e) {
                     return WriteTextFile(p, spectrum, e);
                   }});
  const std::string summary = SummaryJson(figures, referenceA4Hz);
  files.push_back({"summary.json",
                   [summary](const std::string& p, std::string* e) { return WriteTextFile(p, summary, e); }});
  files.push_back({"display.png", [](const std::string& p, std::string* e) {
                     const canvas::Rect region{0, 0, Display.PanelAreaWidth, Display.PanelAreaHeight};
                     if (WritePng8(p, Display.MainDC, Palette.DisplayPalette, region)) return true;
                     *e = "the picture could not be encoded or written";
                     return false;
                   }});
  return files;
}
