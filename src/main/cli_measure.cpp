// taldrinex-cli measure FILE... [--from S] [--to S] [--json | --csv] [--per-cycle] [--jobs N]
//                             [--egg-polarity plus|minus]
// The voice report of each recording: one JSON object per line (or CSV rows), in the order the
// files were given, measured on --jobs threads. A file that cannot be read gives {"file", "error"}
// (a CSV row with the error column) and makes the exit status 1; the others are still measured.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "files/recording_file.h"
#include "main/cli_commands.h"
#include "measures/voice_report.h"

namespace {

struct MeasureOptions {
  std::vector<std::string> files;
  double fromS = 0;
  double toS = -1;  // the end
  bool json = false;
  bool csv = false;
  bool perCycle = false;
  int jobs = 0;  // all cores
  std::string eggPolarity = "plus";
};

struct Outcome {
  std::string text;
  bool failed = false;
  std::string error;  // the reader's message when failed
};

Outcome MeasureFile(const std::string& path, const MeasureOptions& o) {
  auto failure = [&](const std::string& message) {
    // Per-cycle CSV rows have no place for it: the message goes to stderr then.
    return Outcome{o.csv ? (o.perCycle ? "" : VoiceErrorCsv(path, message)) : VoiceErrorJson(path, message) + "\n",
                   true, message};
  };
  // The format first, so that a file the measures refuse is never read whole.
  {
    const RecordingPlayback opened = OpenRecordingForMeasure(path);
    if (!opened.ok) return failure(opened.message);
    const std::string why = CheckMeasurable(opened.info.channels, opened.info.sampleRate);
    if (!why.empty()) return failure(why);
  }
  std::string error;
  std::optional<MeasuredRecording> recording = LoadRecordingForMeasure(path, o.fromS, o.toS, &error);
  if (!recording) return failure(error);
  VoiceMeasureOptions options;
  options.glottogramPolarity = o.eggPolarity == "minus" ? ID_GLOTTOGRAM_MINUS : ID_GLOTTOGRAM_PLUS;
  options.keepRows = o.perCycle;
  VoiceReport report = MeasureVoice(std::span<const float>(recording->samples), recording->channels,
                                    recording->sampleRate, options);
  // Times in the report count from the start of the stretch; the rows say where they are in the file.
  const double offset = double(recording->firstFrame) / recording->sampleRate;
  recording.reset();  // the samples go before the text is kept
  for (auto& row : report.periodRows) row.startS += offset;
  if (report.egg)
    for (auto& row : report.egg->rows) row.startS += offset;
  if (o.csv) return {VoiceReportCsv(path, report, o.perCycle), false};
  return {VoiceReportJson(path, report, o.perCycle) + "\n", false};
}

// Measures every file on `jobs` threads and prints the results in input order as they come. A
// thread starts a file only while fewer than 2 x jobs results wait to be printed, so memory stays
// bounded by the files in flight.
int MeasureAll(const MeasureOptions& o) {
  const size_t count = o.files.size();
  unsigned jobs = o.jobs > 0 ? static_cast<unsigned>(o.jobs) : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<size_t>(jobs, std::max<size_t>(count, 1)));
  std::vector<std::optional<Outcome>> results(count);
  std::mutex mutex;
  std::condition_variable ready, room;
  size_t next = 0, printed = 0;
  auto worker = [&] {
    while (true) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex);
        room.wait(lock, [&] { return next >= count || next < printed + 2 * jobs; });
        if (next >= count) return;
        index = next++;
      }
      Outcome outcome = MeasureFile(o.files[index], o);
      {
        std::lock_guard<std::mutex> lock(mutex);
        results[index] = std::move(outcome);
      }
      ready.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < jobs; ++i) threads.emplace_back(worker);

  int status = 0;
  if (o.csv) std::printf("%s\n", VoiceCsvHeader(o.perCycle).c_str());
  for (size_t i = 0; i < count; ++i) {
    Outcome outcome;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return results[i].has_value(); });
      outcome = std::move(*results[i]);
      results[i].reset();
      printed = i + 1;
    }
    room.notify_all();
    if (outcome.failed) {
      status = 1;
      if (o.csv && o.perCycle) std::fprintf(stderr, "%s: %s\n", o.files[i].c_str(), outcome.error.c_str());
    }
    std::fwrite(outcome.text.data(), 1, outcome.text.size(), stdout);
    std::fflush(stdout);
  }
  for (auto& t : threads) t.join();
  return status;
}

}  // namespace

void AddMeasureCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("measure", "Voice report of recordings: F0, jitter, shimmer, HNR, CPPS, EGG CQ");
  auto o = std::make_shared<MeasureOptions>();
  cmd->add_option("FILE", o->files, "Recordings (.wav, .tdx or headerless 16-bit data)")->required();
  cmd->add_option("--from", o->fromS, "Start of the stretch measured, seconds")->check(CLI::NonNegativeNumber);
  cmd->add_option("--to", o->toS, "End of the stretch measured, seconds (default: the end)")
      ->check(CLI::NonNegativeNumber);
  auto* json = cmd->add_flag("--json", o->json, "One JSON object per file and line (the default)");
  auto* csv = cmd->add_flag("--csv", o->csv, "CSV: a summary row per file, or with --per-cycle a row per cycle");
  json->excludes(csv);
  cmd->add_flag("--per-cycle", o->perCycle, "Every EGG cycle (audio period for mono files) as well");
  cmd->add_option("--jobs", o->jobs, "Files measured at once (default: all cores)")->check(CLI::PositiveNumber);
  cmd->add_option("--egg-polarity", o->eggPolarity, "EGG orientation, as the glottogram polarity setting")
      ->check(CLI::IsMember({"plus", "minus"}))
      ->capture_default_str();
  cmd->callback([o, &status] { status = MeasureAll(*o); });
}
