// taldrinex-cli spectrum FILE --at SECONDS [--window band|block] [--bandwidth HZ]: the 1024 whole-dB
// values of one power spectrum of channel 0, one per line, for the 2048 frames from that time on.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <string>

#include "analysis/segment_spectrum.h"
#include "files/recording_file.h"
#include "main/cli_commands.h"

namespace {
struct SpectrumOptions {
  std::string path;
  double atSeconds = 0.0;
  std::string window = "band";
  int bandwidthHz = 10;  // the program's start value of the analysis bandwidth
};
}  // namespace

void AddSpectrumCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("spectrum", "Print the 1024 dB values of one power spectrum of a recording");
  auto options = std::make_shared<SpectrumOptions>();
  cmd->add_option("FILE", options->path, "Recording (.wav, .tdx or headerless 16-bit data)")->required();
  cmd->add_option("--at", options->atSeconds,
                  "Start of the 2048-frame block, seconds from the start of the data")
      ->required()
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--window", options->window, "band: the bandwidth window; block: the whole-block window")
      ->check(CLI::IsMember({"band", "block"}))
      ->capture_default_str();
  cmd->add_option("--bandwidth", options->bandwidthHz, "Analysis bandwidth of the band window, Hz")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  cmd->callback([options, &status] {
    std::string error;
    const auto recording = LoadRecording(options->path, &error);
    if (!recording) {
      std::fprintf(stderr, "%s: %s\n", options->path.c_str(), error.c_str());
      status = 1;
      return;
    }
    SegmentSpectrumRequest request;
    request.atSeconds = options->atSeconds;
    request.blockWindow = options->window == "block";
    request.bandwidthHz = options->bandwidthHz;
    std::vector<int16_t> spectrum;
    if (!SegmentSpectrum(recording->samples, recording->channels, recording->sampleRate, request, &spectrum,
                         &error)) {
      std::fprintf(stderr, "%s: %s\n", options->path.c_str(), error.c_str());
      status = 1;
      return;
    }
    for (int16_t v : spectrum) std::printf("%d\n", v);
    status = std::fflush(stdout) == 0 ? 0 : 1;
  });
}
