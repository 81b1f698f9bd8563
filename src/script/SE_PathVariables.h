// The path variables that scripts write ("$INSTDIR\readme.txt") and the five text
// tags that page texts may hold ("<%SETUPTITLE%>"). Variables are matched without
// regard to the case of A-Z and take their values when a text is expanded.
//
//   $INSTDIR, $INSTALLDIR   the installation directory
//   $SMPROGRAMS             the Start-menu Programs folder
//   $PROGRAMFILES           the Program Files folder
//   $CDDRIVE                the first CD-ROM drive's root
//   $LANGUAGESELECTION      the language option chosen on a language page
#pragma once

#include <string>
#include <string_view>

// Replaces every path variable by its value, then any run of backslashes by one, so
// "$INSTDIR\x" and "$INSTDIR x" both follow the directory with exactly one "\".
std::u16string ExpandVariables(std::u16string_view text);
std::string ExpandVariables(std::string_view text);

// The reverse for the install log: the installation directory becomes "$INSTDIR",
// then the Start-menu Programs folder "$SMPROGRAMS", then Program Files
// "$PROGRAMFILES". An empty value replaces nothing.
std::u16string CollapseVariables(std::u16string_view text);
std::string CollapseVariables(std::string_view text);
