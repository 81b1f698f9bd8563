// setup: the setup program players run (and, carrying an uninstall package, the
// uninstaller). Everything it does is in src/app/.
#include "app/SE_SetupMain.h"
#include "platform/ProgramArguments.h"

int main(int argc, char** argv) { return SetupMain(platform::StartProgram(argc, argv)); }
