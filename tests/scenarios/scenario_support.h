#pragma once
// Runs a script against the whole program on the headless backend and hands back its dumps.
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "scripting/session.h"

struct ScenarioResult {
  int status = 0;
  std::vector<nlohmann::json> dumps;
  std::string errors;
};

inline ScenarioResult RunScenario(const std::string& script, int variant = 1, HeadlessConfig config = {},
                                  const std::string& commandLine = "") {
  std::ostringstream out, err;
  SessionOptions options;
  options.script = script;
  options.variant = variant;
  options.config = config;
  options.commandLine = commandLine;
  options.out = &out;
  options.err = &err;
  ScenarioResult r;
  r.status = RunHeadlessSession(options);
  r.errors = err.str();
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) r.dumps.push_back(nlohmann::json::parse(line));
  return r;
}
