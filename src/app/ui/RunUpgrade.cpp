#include "app/ui/RunUpgrade.h"

#include "app/core/Prompts.h"
#include "app/core/UpgradeJob.h"
#include "app/ui/ProgressDialog.h"

UpgradeOutcome RunUpgrade(const UpgradeEnvironment& environment, ModbusMaster::CBaseModbus& transport,
                          std::int32_t unitAddress, TStream& image)
{
  TProgressDialog window(environment.prompts, nullptr);
  UpgradeOutcome outcome;
  {
    TRegUpgradeThread thread(transport, &window, environment.prompts, environment.beep, &window);
    window.OnCancel = [&thread](TProgressDialog*) { thread.CancelRun(); };
    window.Reset();
    thread.StartUpgrade(unitAddress, image);
    outcome.installed = environment.prompts.ShowModal(window) == 1;
    if (!outcome.installed) outcome.whyNot = thread.WhyNotDone();
  }
  // The window outlives the job for a moment; its button must not reach the job then.
  window.OnCancel = nullptr;
  return outcome;
}

UpgradeRunner UpgradeInProgressWindow(Prompts& prompts, BeepEvent beep)
{
  return [&prompts, beep](ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TStream& image) {
    return RunUpgrade(UpgradeEnvironment{prompts, beep}, transport, unit, image);
  };
}
