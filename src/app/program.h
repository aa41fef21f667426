#pragma once
// Entry of the program, for every front end (desktop variants, taldrinex-cli run, tests).
#include <string>

// Runs the program of a variant with the current backend (and sound system, if any): creates the
// main window, applies the idle state, plays `commandLine` as a recording when it is not empty, and
// runs the message loop until the window is closed in the idle state. Returns the exit code.
int RunTaldrinex(int variant, const std::string& commandLine);

// Creates and shows the main window of a variant and applies the idle control state: the part of
// RunTaldrinex before the command line and the message loop.
void CreateMainWindow(int variant);

// Puts every program-wide value back to its start value (each test starts from here).
void ResetProgramState();

// The text log of the last composed frame (every text drawn into it, in drawing order).
#include <vector>
namespace canvas {
struct DrawnText;
}
const std::vector<canvas::DrawnText>& LastFrameTexts();
