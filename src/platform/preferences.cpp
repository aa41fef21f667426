// The remembered choices: the installed store, and window places as text.
#include "platform/preferences.h"

#include <sstream>

namespace {
PreferenceStore* installedStore = nullptr;
}  // namespace

void SetPreferenceStore(PreferenceStore* store) { installedStore = store; }

std::optional<std::string> ReadPreference(const std::string& key) {
  if (!installedStore) return std::nullopt;
  return installedStore->Read(key);
}

void WritePreference(const std::string& key, const std::string& value) {
  if (installedStore) installedStore->Write(key, value);
}

std::optional<UiRect> ReadWindowPlace(const std::string& key) {
  const auto text = ReadPreference(key);
  if (!text) return std::nullopt;
  std::istringstream in(*text);
  UiRect place;
  std::string rest;
  if (!(in >> place.x >> place.y >> place.width >> place.height) || (in >> rest)) return std::nullopt;
  if (place.width <= 0 || place.height <= 0 || !installedStore->FitsAScreen(place)) return std::nullopt;
  return place;
}

void WriteWindowPlace(const std::string& key, const UiRect& place) {
  WritePreference(key, std::to_string(place.x) + ' ' + std::to_string(place.y) + ' ' +
                           std::to_string(place.width) + ' ' + std::to_string(place.height));
}
