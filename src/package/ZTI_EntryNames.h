// Whether a package entry can become a file below the folder it is extracted to, as
// Windows would write it. The packaging tool refuses such names with the script line;
// the setup refuses them, in a package made elsewhere, before it writes anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A path part that Windows takes for a device wherever it stands: CON, PRN, AUX, NUL,
// COM0-COM9, LPT0-LPT9 and COM/LPT with a superscript 1, 2 or 3 (Windows-1252 0xB9,
// 0xB2, 0xB3), in any letter case, also with an extension ("nul.txt") and with blanks
// or dots after the device name ("NUL .txt", "aux.").
bool IsReservedDeviceName(std::string_view part);

// Why the entry cannot be written as a file of that name below the target folder, or
// nothing: it would land outside the folder (IsSafeEntryName), a path part is a device
// name, or a path part ends in a dot or blank (Windows drops those, so the file would
// get another name than the one recorded). The text follows the entry's name in a
// message: "is a name Windows reserves for a device (\"nul.txt\")".
std::optional<std::string> EntryNameFault(std::string_view name);
