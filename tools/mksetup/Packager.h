// The packaging run of mksetup: script text -> compiled lines -> packaging steps ->
// the ordered list of package entries -> the output file.
//
// Entry order: the language tables (in script order), the install pages, the
// uninstall pages with the finaliser, "SetupInfo", "CompiledLines", "GameStores" (when
// the script names the game's stores), then each file group's files. Every fault stops the run before the
// output exists: the package is written to OUTPUT.part and renamed into place only when complete.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "MkOptions.h"
#include "package/ZTI_PakFile.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_GameStores.h"

namespace mksetup {

// A fault that stops the run; the text names the file (and line) and the problem.
class MkError : public std::runtime_error {
 public:
  explicit MkError(const std::string& text) : std::runtime_error(text) {}
};

struct PlannedEntry {
  std::string name;
  std::string source;                           // a file (Windows path), or
  std::optional<std::vector<uint8_t>> content;  // bytes made here
  uint16_t group = 0;
};

struct Summary {
  std::string output;  // as the user named it
  std::string path;    // the program's path of it
  size_t entries = 0;
  size_t groups = 0;
  uint64_t bytesIn = 0;
  uint64_t bytesStored = 0;
  size_t dataFiles = 0;  // beside the program: stem-1.bin ...
};

class Packager {
 public:
  explicit Packager(Options options);

  // The steps, in order; each raises MkError.
  void LoadScript();
  void CheckSources();
  void Compile();
  std::vector<PlannedEntry> PlanEntries();
  Summary Write(const std::vector<PlannedEntry>& entries);

  const TCompiler& Compiler() const { return compiler_; }

 private:
  std::string Where(int32_t lineIndex) const;
  void CheckUpdateEntrySizes() const;
  std::string Shown(const std::string& windowsPath) const;
  int32_t LastLineOf(const char* keyword) const;
  void AddPageFolder(std::vector<PlannedEntry>& entries, const std::string& folder, const char* keyword,
                     bool uninstall);
  std::string OutputPath() const;
  std::string StubPath() const;
  std::optional<std::string> FinaliserPath() const;
  unsigned Workers() const;
  void StoreEntries(TPak& pak, const std::vector<PlannedEntry>& entries, const std::string& partial) const;
  void StoreEntriesSolid(TPak& pak, const std::vector<PlannedEntry>& entries) const;
  // The compression the package gets: the command line's, else the script's, else zlib.
  const std::string& Compression() const;
  bool UsesZstd() const;
  uint64_t LargestOutput(const std::vector<PlannedEntry>& entries, const std::string& stub) const;
  void RemoveStaleDataFiles(const std::string& stem, size_t kept) const;

  Options options_;
  std::string scriptPath_;  // Windows path
  std::string scriptDir_;
  std::string toolDir_;                  // where mksetup itself lives
  std::vector<int32_t> parsedCommands_;  // each line's command before the packaging steps
  TCommandList commands_;
  TCompiler compiler_;
  TGameStoreIds stores_;  // the script's store directives
};

}  // namespace mksetup
