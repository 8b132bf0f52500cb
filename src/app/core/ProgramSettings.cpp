#include "app/core/ProgramSettings.h"

#include "platform/Registry.h"

void ProgramSettings::Join(std::string key, Hook load, Hook save)
{
  members_.push_back({std::move(key), std::move(load), std::move(save)});
}

bool ProgramSettings::Run(Hook Member::*hook) const
{
  // One reading of the store for all the windows' loads, one locked write for all their
  // saves, rather than one per value.
  RegistryBatch batch;
  bool completed = true;
  try {
    for (const Member& member : members_) {
      if (member.*hook) (member.*hook)(member.key);
    }
  } catch (const ERegistryException&) {
    // The settings are a convenience: a store that cannot be read or written must not
    // keep the program from starting or ending.
    completed = false;
  }
  try {
    batch.Commit();  // what the windows before a failing one saved is kept
  } catch (const ERegistryException&) {
    return false;
  }
  return completed;
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
