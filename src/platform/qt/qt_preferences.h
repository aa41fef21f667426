#pragma once
// The desktop's store of remembered choices: an INI file in the user's config folder
// ($XDG_CONFIG_HOME/taldrinex/taldrinex.conf), read at start and written when the store ends. A
// file that cannot be read or parsed is ignored with a note on stderr: the run starts from the
// start values, and the file is replaced by this run's choices at the end. Names no Qt type.
#include <memory>
#include <string>

#include "platform/preferences.h"

class QtPreferenceStore final : public PreferenceStore {
 public:
  QtPreferenceStore();                                  // the user's config folder
  explicit QtPreferenceStore(const std::string& file);  // a given file (tests)
  ~QtPreferenceStore() override;
  QtPreferenceStore(const QtPreferenceStore&) = delete;
  QtPreferenceStore& operator=(const QtPreferenceStore&) = delete;

  std::optional<std::string> Read(const std::string& key) override;
  void Write(const std::string& key, const std::string& value) override;
  bool FitsAScreen(const UiRect& place) override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
