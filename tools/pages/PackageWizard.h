// A package's wizard built without running anything, for previews and checks. A
// setup carries its own page set ("Pages.txt" and the "LANGUAGE-" tables) and, when
// it makes an uninstaller, the uninstaller's ("UNINSTALL_Pages.txt" and the
// "UNINSTALL_LANGUAGE-" tables, whose names lose that prefix in the uninstaller); an
// uninstaller carries only its own, in uninstall mode.
//
// Pages are numbered across the sets, the setup's first, so that one folder can hold
// the pictures of both. What a wizard shows that depends on the machine rather than
// on the package is fixed, so two runs give the same pages: the Program Files and
// Start-menu folders are the standard ones, the drive has kPreviewFreeSpace bytes
// free, the directory page holds the setup's default directory (not one found in the
// registry), and the game was found where kPreviewGameFoundIn says: a long place, as
// a Steam library in a Linux home folder is, so that a page too small for it shows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lang/ZTI_Language.h"
#include "ui/FormMain.h"
#include "ui/SE_Parser.h"

inline constexpr uint64_t kPreviewFreeSpace = 10ull << 30;
inline constexpr char kPreviewGameFoundIn[] = "Steam, Z:\\home\\player\\.local\\share\\Steam";

struct TPageSet {
  bool Uninstall = false;
  std::string Prefix;       // what its entries' names begin with in this package
  int32_t FirstNumber = 0;  // the number of its first page
};

struct TPackedLanguage {
  std::string EntryName;
  TLanguage Table;
  std::string Error;  // why the table cannot be read; empty when it was
};

// The language's first identifier as four hex digits ("0409"), or "0000" for none.
std::string LanguageHex(const TLanguage& language);

// Open's reason for a file that holds no setup package.
inline constexpr const char* kNotAPackage = "not a setup package";

class TPackageWizard {
 public:
  // Opens a program path (a setup, an uninstaller or a bare package) as the program's
  // setup package and reads its setup information. Nothing, with the reason in error,
  // when it is no package or has no setup information.
  static std::optional<TPackageWizard> Open(const std::string& path, std::string& error);

  const std::vector<TPageSet>& PageSets() const { return sets_; }
  // The set's language tables, in package order.
  std::vector<TPackedLanguage> LanguagesOf(const TPageSet& set) const;
  // Reads the set's entries by the names its pages use.
  TEntryReader ReaderFor(const TPageSet& set) const;

  // Makes the program-wide state what a wizard of the set sees (the setup
  // information in the set's mode, its readable language tables with the one at
  // language current, the fixed setup variables) and builds the window on the view
  // (null: the model alone). Message boxes of the page set-up go to the handler
  // installed by the caller.
  std::unique_ptr<TFrmMain> Build(const TPageSet& set, size_t language, TWizardView* view) const;

 private:
  TPackageWizard() = default;
  uint64_t spaceRequired_ = 0;
  std::vector<TPageSet> sets_;
};

// Page number and kind as previews and checks name a page: "03-finish".
std::string PageLabel(int32_t number, uint8_t kind);
