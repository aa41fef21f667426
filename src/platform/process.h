#pragma once
// Starting and ending helper programs (the volume mixer), the same for every backend.
#include <string>
#include <vector>

struct LaunchedProgram {
  long long id = 0;  // process id; 0 when nothing was started
};

// Starts the first of `candidates` found on PATH, with no arguments, detached from our input.
// Returns id 0 when none could be started.
LaunchedProgram LaunchFirstProgramOnPath(const std::vector<std::string>& candidates);

// Ends a program started above (terminate, then reap); harmless when it has already ended.
void EndLaunchedProgram(LaunchedProgram program);
