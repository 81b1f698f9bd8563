// The program-wide setup variables: the space texts the wizard shows, the shell
// folders and CD-ROM drive found at start-up, and the language option chosen on a
// language page. The installation directory of the run is the setup information
// record's InstallDir (InstallDir() below).
//
// Including this header gives the whole shared toolbox: path variables, text and
// number helpers, registry roots, file and shell helpers.
#pragma once

#include <cstdint>
#include <string>

#include "lang/S_DecimalSeperator.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_Shell.h"
#include "script/SE_TextHelpers.h"

struct TSetupVariables {
  uint64_t SpaceRequired = 0;
  std::string SpaceRequiredText;
  uint64_t SpaceAvailable = 0;
  std::string SpaceAvailableText;
  std::string CDDrive;               // "E:\" or empty
  std::string ProgramFilesDir;       // with a trailing "\"
  std::string StartMenuProgramsDir;  // with a trailing "\"
  std::u16string LanguageSelection = u"English";
};

// The program's setup variables; assign a fresh TSetupVariables to start over.
TSetupVariables& SetupVariables();

// The installation directory of the whole run (the setup information's InstallDir).
std::string& InstallDir();
