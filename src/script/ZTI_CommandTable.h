// The command table: the script commands in the order that gives each its number.
//
// The number is what a compiled line stores in `Command`, so this order is part of the
// package format and must never change. Everything that needs to know the commands
// reads this one table: RegisterCommands creates the command objects from it, the
// packaging tool matches script keywords against it and checks each line's minimum,
// and `setuptool script show` names the stored numbers with it.
//
// Kind tells whether a line owns a group of package entries: none, plain files
// extracted into the installation directory, or update data fed into the game's
// packages or archives (start-up counts those by their compressed size). Min is the
// least number of parameters the packaging step accepts; the signature names them.
// The script reference (`mksetup --help`, the README's command table) is made from
// this table too. Packaging-only commands
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
inline constexpr int32_t kCommandLabel = 0;  // a label line; its first parameter is the name
inline constexpr int32_t kCommandNone = -1;  // nothing to run (empty, comment, settings)

struct TCommandInfo {
  int32_t number;
  std::string_view keyword;  // lower case, as written in scripts
  std::string_view className;
  uint8_t fileGroupKind;
  int32_t minParams;
  bool packagingOnly;
  // The parameters as written in scripts: the required ones by name, then the
  // optional ones in brackets. The required names are exactly minParams many.
  std::string_view signature;
  std::string_view summary;  // what the command does, for the reference
};

inline constexpr int32_t kCommandCount = 33;

inline constexpr std::array<TCommandInfo, kCommandCount> kCommandTable = {{
    {1, "goto", "TGotoCommand", kGroupKindNone, 1, false, "LABEL", "jump to the label"},
    {2, "name", "TNameCommand", kGroupKindNone, 1, true, "TITLE", "the setup's title (also its short title)"},
    {3, "outfile", "TOutFileCommand", kGroupKindNone, 1, true, "FILE", "the setup program's file name"},
    {4, "installdir", "TInstallDirCommand", kGroupKindNone, 1, true, "DIR",
     "the suggested installation directory"},
    {5, "installdirregkey", "TInstallDirRegKeyCommand", kGroupKindNone, 3, true, "ROOT KEY VALUE",
     "the registry value that holds an earlier installation directory"},
    {6, "iffileexists", "TIfFileExistsCommand", kGroupKindNone, 3, false, "PATH YES NO",
     "jump to YES when the file exists, else to NO (0: no jump)"},
    {7, "file", "TFileCommand", kGroupKindFiles, 1, false, "SOURCE [SUBDIR [ROOT KEY VALUE DATA EQUAL]]",
     "install a file or a folder's files, optionally only when a registry value matches"},
    {8, "delete", "TDeleteCommand", kGroupKindNone, 1, false, "PATH", "delete a file"},
    {9, "writeregstr", "TWriteRegStrCommand", kGroupKindNone, 4, false, "ROOT KEY NAME DATA",
     "write a registry string value"},
    {10, "changelog", "TChangelogCommand", kGroupKindNone, 1, true, "FILE",
     "the change log the wizard shows"},
    {11, "ztpupdate", "TZTPUpdateCommand", kGroupKindUpdate, 3, false, "SOURCE PASSWORD PACKAGE",
     "add or replace entries of a game package"},
    {12, "rmdir", "TRMDirCommand", kGroupKindNone, 2, false, "DIR FLAG", "remove a directory tree"},
    {13, "createdirectory", "TCreateDirectoryCommand", kGroupKindNone, 1, false, "DIR", "create a directory"},
    {14, "createshortcut", "TCreateShortCutCommand", kGroupKindNone, 3, false, "LINK TARGET ARGS [ICON]",
     "create a shortcut"},
    {15, "message", "TMessageCommand", kGroupKindNone, 1, false, "TEXT", "show a status text"},
    {16, "messagebox", "TMessageBoxCommand", kGroupKindNone, 4, false, "TEXT CAPTION OK CANCEL",
     "ask OK/Cancel and jump to the label of the answer (0: no jump)"},
    {17, "copyfile", "TCopyFileCommand", kGroupKindNone, 2, false, "SOURCE TARGET", "copy a file"},
    {18, "language", "TLanguageCommand", kGroupKindNone, 1, false, "TABLE",
     "pack DATA/languages/TABLE.wri as a language of the setup (install\\english)"},
    {19, "failure", "TFailureCommand", kGroupKindNone, 0, false, "",
     "show the failure text and stop the run"},
    {20, "pages", "TPagesCommand", kGroupKindNone, 1, true, "FOLDER",
     "the setup's page folder of DATA/layout/"},
    {21, "shortname", "TShortNameCommand", kGroupKindNone, 1, true, "TITLE", "the setup's short title"},
    {22, "uninstallpages", "TUninstallPagesCommand", kGroupKindNone, 1, true, "FOLDER",
     "the uninstaller's page folder of DATA/layout/; the setup then writes one"},
    {23, "uninstalllanguage", "TUninstallLanguageCommand", kGroupKindNone, 1, false, "TABLE",
     "pack DATA/languages/TABLE.wri as a language of the uninstaller"},
    {24, "prefix", "TUninstallPrefixCommand", kGroupKindNone, 1, true, "NAME",
     "the name of the install log and the uninstaller"},
    {25, "uninstalllogload", "TUninstallLogLoadCommand", kGroupKindNone, 1, false, "DIR [PREFIX]",
     "load an earlier installation's log"},
    {26, "uninstalllogsave", "TUninstallLogSaveCommand", kGroupKindNone, 1, false, "DIR [PREFIX]",
     "save the install log"},
    {27, "ztpofficial", "TZTPOfficialCommand", kGroupKindNone, 3, false, "PACKAGE WORD VALUE",
     "set or clear a game package's official mark"},
    {28, "duplicateentry", "TDuplicateEntryCommand", kGroupKindNone, 3, false, "PACKAGE ENTRY NEWNAME",
     "give an entry of a game package a second name"},
    {29, "writeregstr_url", "TWriteRegStr_URLCommand", kGroupKindNone, 3, false,
     "PROTOCOL ICON PROGRAM [ARG...]", "register a URL protocol handler"},
    {30, "vfsupdate", "TVFSUpdateCommand", kGroupKindUpdate, 2, false, "SOURCE ARCHIVE [CLOSE]",
     "add or replace files of a game archive"},
    {31, "rename", "TRenameCommand", kGroupKindNone, 2, false, "OLD NEW", "rename a file"},
    {32, "execute", "TExecuteCommand", kGroupKindNone, 1, false, "PROGRAM [ARGS]",
     "start a program and wait for it"},
    {33, "compression", "TCompressionCommand", kGroupKindNone, 1, true, "METHOD",
     "how the package is compressed: zlib (readable by every setup program), zstd (smaller, "
     "faster to install) or zstd-max (smaller again, slower to pack); mksetup --compression "
     "overrides it"},
}};

// Directives that name the stores a game is sold through. They are packaging-only and
// have no command number: a setup that predates them must read the compiled script as
// before, so their identifiers travel in a package entry of their own (ZTI_GameStores)
// and their lines are stored with nothing to run. Listed in the reference after the
// numbered commands.
struct TDirectiveInfo {
  std::string_view keyword;  // lower case
  std::string_view signature;
  std::string_view summary;
};

inline constexpr std::array<TDirectiveInfo, 2> kStoreDirectiveTable = {{
    {"steamappid", "ID [ID...]",
     "the game's Steam app ids: the setup looks for the game in the Steam libraries (and, on "
     "Linux, for the game's own Proton prefix) when no registry value names its folder"},
    {"goggameid", "ID [ID...]",
     "the game's GOG game ids: the setup reads the folder GOG recorded for the game when no "
     "registry value names it"},
}};

namespace command_table_detail {
constexpr bool NumberedInOrder() {
  for (int32_t i = 0; i < kCommandCount; ++i)
    if (kCommandTable[i].number != i + 1) return false;
  return true;
}
constexpr int32_t RequiredInSignature(std::string_view signature) {
  int32_t words = 0;
  bool inWord = false;
  for (const char c : signature) {
    if (c == '[') break;
    if (c != ' ' && !inWord) ++words;
    inWord = c != ' ';
  }
  return words;
}
constexpr bool SignaturesMatchMinimums() {
  for (const TCommandInfo& info : kCommandTable)
    if (RequiredInSignature(info.signature) != info.minParams) return false;
  return true;
}
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace command_table_detail
static_assert(command_table_detail::NumberedInOrder(), "command numbers must follow the table order");
static_assert(command_table_detail::SignaturesMatchMinimums(),
              "each signature names exactly its command's minimum of parameters");

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

// The directive row of a script keyword, compared without regard to case; null when the
// word is no directive.
constexpr const TDirectiveInfo* StoreDirectiveOf(std::string_view keyword) {
  for (const TDirectiveInfo& info : kStoreDirectiveTable) {
    if (info.keyword.size() != keyword.size()) continue;
    bool same = true;
    for (size_t i = 0; i < keyword.size() && same; ++i)
      same = command_table_detail::Lower(keyword[i]) == info.keyword[i];
    if (same) return &info;
  }
  return nullptr;
}
