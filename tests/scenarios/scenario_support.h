#pragma once
// Runs a script against the whole program on the headless backend and hands back its dumps, and
// what the scenario tests share: a scratch folder, recordings written there, the texts of a frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "files/recording_writer.h"
#include "scripting/session.h"

struct ScenarioResult {
  int status = 0;
  std::vector<nlohmann::json> dumps;
  std::string errors;
};

// `inputFile`: a recording the simulated microphone hears; `commandLine`: one the program plays at start.
inline ScenarioResult RunScenario(const std::string& script, int variant = 1, HeadlessConfig config = {},
                                  const std::string& commandLine = "", const std::string& inputFile = "") {
  std::ostringstream out, err;
  SessionOptions options;
  options.script = script;
  options.variant = variant;
  options.config = config;
  options.commandLine = commandLine;
  options.inputFile = inputFile;
  options.out = &out;
  options.err = &err;
  ScenarioResult r;
  r.status = RunHeadlessSession(options);
  r.errors = err.str();
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) r.dumps.push_back(nlohmann::json::parse(line));
  return r;
}

// A folder of its own per test process, removed with everything in it.
struct ScratchDir {
  std::filesystem::path dir;
  explicit ScratchDir(const std::string& name)
      : dir(std::filesystem::temp_directory_path() / ("tx-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir);
  }
  ~ScratchDir() { std::filesystem::remove_all(dir); }
  // Writes interleaved 16-bit frames at 22050 Hz as `name`; returns its path.
  std::string Wav(const std::string& name, int channels, const std::vector<int16_t>& frames) const {
    const std::string path = (dir / name).string();
    std::string error;
    EXPECT_TRUE(SaveSampleFile(path, channels, 22050, 16, frames, &error)) << error;
    return path;
  }
};

// The texts of a dump's last frame in the upper half (0), the lower half (1) or all of the panel
// area (-1); the legend strip's text lies just below that area.
inline std::string Texts(const nlohmann::json& dump, int half = -1) {
  const int middle = dump["texts"].back()["y"].get<int>() / 2;
  std::string all;
  for (const auto& t : dump["texts"])
    if (half < 0 || (t["y"].get<int>() > middle) == (half == 1)) all += t["text"].get<std::string>() + "\n";
  return all;
}

// The first number matched by pattern's group, NaN when there is none.
inline double Number(const std::string& texts, const char* pattern) {
  std::smatch m;
  return std::regex_search(texts, m, std::regex(pattern)) ? std::stod(m[1].str()) : NAN;
}
