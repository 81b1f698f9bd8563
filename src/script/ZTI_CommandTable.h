// The command table: the 32 script commands in the order that gives each its number.
//
// The number is what a compiled line stores in `Command`, so this order is part of the
// package format and must never change. Everything that needs to know the commands
// reads this one table: RegisterCommands creates the command objects from it, the
// packaging tool matches script keywords against it and checks each line's minimum,
// and `setuptool script show` names the stored numbers with it.
//
// Kind tells whether a line owns a group of package entries: 0 none, 1 plain files
// extracted into the installation directory, 2 update data fed into the game's
// packages or archives (start-up counts those by their compressed size). Min is the
// least number of parameters the packaging step accepts. Packaging-only commands
// have their whole effect when the package is made; their lines are stored with nothing
// to run (Command -1).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr uint8_t kGroupKindNone = 0;
inline constexpr uint8_t kGroupKindFiles = 1;
inline constexpr uint8_t kGroupKindUpdate = 2;

// Stored `Command` values that are not table numbers.
inline constexpr int32_t kCommandLabel = 0;   // a label line; its first parameter is the name
inline constexpr int32_t kCommandNone = -1;   // nothing to run (empty, comment, settings)

struct TCommandInfo {
  int32_t number;
  std::string_view keyword;    // lower case, as written in scripts
  std::string_view className;
  uint8_t fileGroupKind;
  int32_t minParams;
  bool packagingOnly;
};

inline constexpr int32_t kCommandCount = 32;

inline constexpr std::array<TCommandInfo, kCommandCount> kCommandTable = {{
    {1, "goto", "TGotoCommand", 0, 1, false},
    {2, "name", "TNameCommand", 0, 1, true},
    {3, "outfile", "TOutFileCommand", 0, 1, true},
    {4, "installdir", "TInstallDirCommand", 0, 1, true},
    {5, "installdirregkey", "TInstallDirRegKeyCommand", 0, 3, true},
    {6, "iffileexists", "TIfFileExistsCommand", 0, 3, false},
    {7, "file", "TFileCommand", 1, 1, false},
    {8, "delete", "TDeleteCommand", 0, 1, false},
    {9, "writeregstr", "TWriteRegStrCommand", 0, 4, false},
    {10, "changelog", "TChangelogCommand", 0, 1, true},
    {11, "ztpupdate", "TZTPUpdateCommand", 2, 3, false},
    {12, "rmdir", "TRMDirCommand", 0, 2, false},
    {13, "createdirectory", "TCreateDirectoryCommand", 0, 1, false},
    {14, "createshortcut", "TCreateShortCutCommand", 0, 3, false},
    {15, "message", "TMessageCommand", 0, 1, false},
    {16, "messagebox", "TMessageBoxCommand", 0, 4, false},
    {17, "copyfile", "TCopyFileCommand", 0, 2, false},
    {18, "language", "TLanguageCommand", 0, 1, false},
    {19, "failure", "TFailureCommand", 0, 0, false},
    {20, "pages", "TPagesCommand", 0, 1, true},
    {21, "shortname", "TShortNameCommand", 0, 1, true},
    {22, "uninstallpages", "TUninstallPagesCommand", 0, 1, true},
    {23, "uninstalllanguage", "TUninstallLanguageCommand", 0, 1, false},
    {24, "prefix", "TUninstallPrefixCommand", 0, 1, true},
    {25, "uninstalllogload", "TUninstallLogLoadCommand", 0, 1, false},
    {26, "uninstalllogsave", "TUninstallLogSaveCommand", 0, 1, false},
    {27, "ztpofficial", "TZTPOfficialCommand", 0, 3, false},
    {28, "duplicateentry", "TDuplicateEntryCommand", 0, 3, false},
    {29, "writeregstr_url", "TWriteRegStr_URLCommand", 0, 3, false},
    {30, "vfsupdate", "TVFSUpdateCommand", 2, 2, false},
    {31, "rename", "TRenameCommand", 0, 2, false},
    {32, "execute", "TExecuteCommand", 0, 1, false},
}};

namespace command_table_detail {
constexpr bool NumberedInOrder() {
  for (int32_t i = 0; i < kCommandCount; ++i)
    if (kCommandTable[i].number != i + 1) return false;
  return true;
}
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace command_table_detail
static_assert(command_table_detail::NumberedInOrder(), "command numbers must follow the table order");

// The table row of a stored command number; null outside 1..32.
constexpr const TCommandInfo* CommandInfoOf(int32_t number) {
  return number >= 1 && number <= kCommandCount ? &kCommandTable[number - 1] : nullptr;
}

// The command number of a script keyword, compared without regard to case; 0 when
// the word is no keyword.
constexpr int32_t CommandNumberOf(std::string_view keyword) {
  for (const TCommandInfo& info : kCommandTable) {
    if (info.keyword.size() != keyword.size()) continue;
    bool same = true;
    for (size_t i = 0; i < keyword.size() && same; ++i)
      same = command_table_detail::Lower(keyword[i]) == info.keyword[i];
    if (same) return info.number;
  }
  return 0;
}
