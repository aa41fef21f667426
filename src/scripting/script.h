#pragma once
// The scripted user's language: one action per line. Parsing checks every line before the run
// starts, so a typo on the last line fails at once instead of after a minute of virtual time.
// The language is described for users in docs/scripting.md.
#include <string>
#include <vector>

#include "platform/headless/script.h"

struct ParsedScript {
  std::vector<ScriptLine> lines;  // actions only: blank and comment lines are dropped
  std::string error;              // empty when every line was understood
};

// Parses a whole script. On the first line it does not understand, returns with `error` set to
// "line N: <reason>: <the line>" (lines parsed so far are kept).
ParsedScript ParseScript(const std::string& text);

// Parses one key name ("R", "shift+C", "ctrl+F2", "Escape", "Left", ...). False when unknown.
bool ParseKeyName(const std::string& name, uint32_t* key, uint32_t* modifiers);
