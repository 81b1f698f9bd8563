#include "script/SE_Global.h"

#include "script/ZTI_SetupInfo.h"

TSetupVariables& SetupVariables() {
  static TSetupVariables variables;
  return variables;
}

std::string& InstallDir() { return SetupInfoFile().Info.InstallDir; }
