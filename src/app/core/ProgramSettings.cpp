#include "app/core/ProgramSettings.h"

#include "platform/Registry.h"

void ProgramSettings::Join(std::string key, Hook load, Hook save)
{
  members_.push_back({std::move(key), std::move(load), std::move(save)});
}

bool ProgramSettings::Run(Hook Member::*hook) const
{
  try {
    for (const Member& member : members_) {
      if (member.*hook) (member.*hook)(member.key);
    }
  } catch (const ERegistryException&) {
    // The settings are a convenience: a store that cannot be read or written must not
    // keep the program from starting or ending.
    return false;
  }
  return true;
}

bool ProgramSettings::Load() const { return Run(&Member::load); }

bool ProgramSettings::Save() const { return Run(&Member::save); }

void LoadProgramSettings(const ProgramSettings& settings, const std::function<void()>& loadUpdates,
                         const ErrorBox& showError)
{
  settings.Load();
  try {
    loadUpdates();
  } catch (const Exception& e) {
    showError(e.Message());
  }
}

void SaveProgramSettings(const ProgramSettings& settings) { settings.Save(); }
