// The setup reads its page files (Pages.txt and the layouts it names) as lines that end
// at carriage returns. A page file saved with line feeds alone, as editors on Linux do,
// is one long line to it: the setup would start with no pages and call itself corrupt.
// mksetup finds such files before it packs them.
#pragma once

#include <optional>
#include <string>

namespace mksetup {

// The first page file of the folder (Pages.txt, then each layout its [Pages] section
// names) whose lines end in line feeds with no carriage return at all, as "NAME"; nothing
// when every page file can be read as lines. Files that cannot be read are left to the
// packing step, which names them.
std::optional<std::string> PageFileWithoutCarriageReturns(const std::string& folderPath);

}  // namespace mksetup
