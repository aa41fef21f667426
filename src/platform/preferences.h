#pragma once
// The user's remembered choices on the desktop (window places, the folders of the file dialogs,
// the sound devices), kept between runs. Only the desktop program installs a store; without one
// (the headless runner, the tests) nothing is read or written, so every run starts from the start
// values. The analysis settings are never kept: they start as the program defines them.
//
// Keys are "group/name" ("MainWindow/taldrinex", "Folders/Save Bitmap"); values are text. Window
// places are in the desktop's own (logical) pixels.
#include <optional>
#include <string>

#include "platform/ui_model.h"

class PreferenceStore {
 public:
  virtual ~PreferenceStore() = default;
  // Nothing for a key never written (or a store whose file could not be read).
  virtual std::optional<std::string> Read(const std::string& key) = 0;
  virtual void Write(const std::string& key, const std::string& value) = 0;
  // True when `place` (outer frame, desktop pixels) lies wholly on one of the current screens.
  virtual bool FitsAScreen(const UiRect& place) = 0;
};

// The store of the running program; nullptr (the default) keeps nothing.
void SetPreferenceStore(PreferenceStore* store);

std::optional<std::string> ReadPreference(const std::string& key);
void WritePreference(const std::string& key, const std::string& value);

// A window place stored as "x y width height": nothing when absent, malformed, or not wholly on a
// current screen (a screen was unplugged, or the resolution changed).
std::optional<UiRect> ReadWindowPlace(const std::string& key);
void WriteWindowPlace(const std::string& key, const UiRect& place);
