// On Windows the machine is the one the program runs on; there is nothing to choose.
#include "platform/Machine.h"

namespace platform {

bool MachineChoiceOpen() { return false; }
void DeferMachineChoice() {}
void UseMachine(const std::string&) {}
MachineChoiceState CurrentMachineChoice() { return {}; }
void RestoreMachineChoice(const MachineChoiceState&) {}
std::string MachineName() { return {}; }
bool IsLaidOutPrefix(const std::string&) { return false; }
bool PrefixServerRuns(const std::string&) { return false; }
bool PrefixRegistryMayHoldKey(const std::string&, std::string_view) { return true; }

}  // namespace platform
