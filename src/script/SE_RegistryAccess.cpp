#include "script/SE_RegistryAccess.h"

#include "platform/Dialogs.h"
#include "platform/Registry.h"

const char kRegistryInUseText[] =
    "Wine programs of this prefix are running (the game, a launcher, or a Wine server that has "
    "not ended yet). They keep their own copy of the registry and would overwrite the "
    "setup's changes.\rClose them and choose Retry, or choose Cancel to stop without "
    "changing the registry.";

void WaitUntilRegistryCanBeChanged() {
  while (platform::RegistryHeldByRunningServer()) {
    if (platform::ShowMessageBox(kRegistryInUseText, "Registry in use", platform::MessageButtons::RetryCancel,
                                 platform::MessageIcon::Warning) != platform::MessageResult::Retry)
      platform::EndProcess(platform::kExitScriptFailed);
  }
}
