// The debug listing: the package header, its entries and the setup information, line
// for line as the debug window shows it (the main window's hidden "Debug" button).
#pragma once

#include <string>
#include <vector>

class TPak;
struct TSetupInfo;

std::vector<std::string> DebugListing(const TPak& pak, const TSetupInfo& info);
