// Before a run changes anything: every entry of every file group the script's lines
// own must be writable where its line puts it. A package made elsewhere (without the
// packaging tool's checks) may hold a name Windows reserves for a device, one that
// ends in a dot, or one longer than a game archive's or game package's records hold;
// such a run would hang, write under another name, or add a record that never matches
// again. It is refused whole instead, so the game stays exactly as it was.
#pragma once

#include <optional>
#include <string>

class TPak;
class TCompLines;

// The first such entry in the package's table, as a sentence naming it, its target and
// the reason; nothing when every entry can be written.
std::optional<std::string> FirstUnwritableEntry(const TCompLines& lines, const TPak& pak);
