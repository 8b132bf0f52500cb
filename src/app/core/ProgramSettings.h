#pragma once

#include <functional>
#include <string>
#include <vector>

// The program's own key: the main window's hooks get it; nothing is stored under it.
inline constexpr const char* kProgramKey = "\\SOFTWARE\\Nordwick\\Kestrel\\1.0";
// The sibling configuration program's key, shared with it: the connection settings,
// the serial scan's settings and both scan windows' placement.
inline constexpr const char* kSettingsKey = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

// The windows whose settings live in the registry, in the order they are loaded and
// saved. A window joins with its key and its two hooks:
//
//   settings.Join(kSettingsKey, scanRSDialog);  // calls LoadSettings(key) / SaveSettings(key)
//
// The entry joins them in this order: the main window, TScanRSDialog, TScanEthDialog,
// TMBSetupDialog2.
class ProgramSettings {
public:
  using Hook = std::function<void(const std::string& key)>;

  void Join(std::string key, Hook load, Hook save);
  template <typename Window>
  void Join(std::string key, Window& window)
  {
    Join(std::move(key), [&window](const std::string& k) { window.LoadSettings(k); },
         [&window](const std::string& k) { window.SaveSettings(k); });
  }

  // Each runs its hooks in order inside one guard for the registry's errors (and only
  // them): such an error ends the step silently, the hooks after it do not run and their
  // windows keep what they had. False when that happened. The store is read once for a
  // Load, and what a Save's hooks write reaches it in one write at the end.
  bool Load() const;
  bool Save() const;

private:
  struct Member {
    std::string key;
    Hook load;
    Hook save;
  };
  bool Run(Hook Member::*hook) const;

  std::vector<Member> members_;
};

using ErrorBox = std::function<void(const std::string& message)>;

// Start-up: the settings, then the firmware images (loadUpdates, into the main window's
// log); an error of the images (outside the store's own per-image handling) is shown and
// start-up goes on.
void LoadProgramSettings(const ProgramSettings& settings, const std::function<void()>& loadUpdates,
                         const ErrorBox& showError);
// Exit: the settings' save hooks.
void SaveProgramSettings(const ProgramSettings& settings);
