#include "PackageWizard.h"

#include <cstdio>

#include "app/SE_StartupRules.h"
#include "engine/SE_RegisterCommands.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "script/SE_GameFoundIn.h"
#include "script/SE_Global.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "ui/SE_StringList.h"

namespace {

constexpr const char* kUninstallPrefix = "UNINSTALL_";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && platform::AsciiUpper(text.substr(0, prefix.size())) == prefix;
}

std::optional<std::vector<uint8_t>> ReadNamed(const std::string& name) {
  const TFoundEntry found = SetupPak().FindEntry(name, 0);
  if (!found.Data) return std::nullopt;
  return *found.Data;
}

// The pages a page list names, counted as the parser counts them.
int32_t CountPages(const std::optional<std::vector<uint8_t>>& pageList) {
  if (!pageList) return 0;
  int32_t count = 0;
  for (const TSection& section : SplitSections(SplitTrimmedLines(pageList->data(), pageList->size())))
    if (platform::AsciiLower(section.Name) == "pages") count += section.Lines.Count() - 1;
  return count;
}

// What the setup's grouped entries take on the disk, as start-up counts it.
uint64_t SpaceRequiredOf(TPak& pak) {
  const TFoundEntry lines = pak.FindEntry("CompiledLines", 0);
  if (!lines.Data || !CompLines().LoadFromBuffer(lines.Data->data(), lines.Data->size())) return 0;
  RegisterCommands();
  return RequiredSpace(pak.Entries(), GroupIsUpdate(CompLines(), CommandList()));
}

}  // namespace

std::string LanguageHex(const TLanguage& language) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04x", language.LanguageIds.empty() ? 0u : language.LanguageIds.front());
  return hex;
}

std::string PageLabel(int32_t number, uint8_t kind) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", number);
  return std::string(digits) + "-" + PageKindKeyword(kind);
}

std::optional<TPackageWizard> TPackageWizard::Open(const std::string& path, std::string& error) {
  TPak& pak = SetupPak();
  try {
    pak.Create(path, false, false);
  } catch (const std::exception& e) {
    error = e.what();
    return std::nullopt;
  }
  if (!pak.Header().IsPackage()) {
    error = kNotAPackage;
    return std::nullopt;
  }
  const TFoundEntry info = pak.FindEntry("SetupInfo", 0);
  if (!info.Data) {
    error = "the package has no setup information (\"SetupInfo\")";
    return std::nullopt;
  }
  SetupInfoFile().LoadFromBuffer(info.Data->data(), info.Data->size());
  TPackageWizard wizard;
  const bool uninstaller = SetupInfoFile().Info.Uninstall == 1;
  wizard.spaceRequired_ = uninstaller ? 0 : SpaceRequiredOf(pak);
  wizard.sets_.push_back({uninstaller, "", 0});
  const std::string uninstallPages = std::string(kUninstallPrefix) + "Pages.txt";
  if (!uninstaller && pak.FindEntry(uninstallPages, 0).Data)
    wizard.sets_.push_back({true, kUninstallPrefix, CountPages(ReadNamed("Pages.txt"))});
  return wizard;
}

std::vector<TPackedLanguage> TPackageWizard::LanguagesOf(const TPageSet& set) const {
  std::vector<TPackedLanguage> found;
  TPak& pak = SetupPak();
  for (size_t i = 0; i < pak.Count(); ++i) {
    const TPakFile& entry = pak.Entries()[i];
    if (entry.Group != 0) continue;
    // The setup's own tables are those start-up loads; the uninstaller's carry the prefix.
    if (!set.Prefix.empty() && !StartsWithNoCase(entry.Name, set.Prefix)) continue;
    if (!IsLanguageEntryName(entry.Name.substr(set.Prefix.size()))) continue;
    TPackedLanguage language{entry.Name, {}, {}};
    const std::optional<Bytes> bytes = pak.ReadEntry(static_cast<int>(i));
    try {
      language.Table.LoadFromBuffer(bytes ? bytes->data() : nullptr, bytes ? bytes->size() : 0, entry.Name);
    } catch (const std::exception& e) {
      language.Error = e.what();
    }
    found.push_back(std::move(language));
  }
  return found;
}

TEntryReader TPackageWizard::ReaderFor(const TPageSet& set) const {
  return [prefix = set.Prefix](const std::string& name) { return ReadNamed(prefix + name); };
}

std::unique_ptr<TFrmMain> TPackageWizard::Build(const TPageSet& set, size_t language,
                                                TWizardView* view) const {
  TSetupInfo& info = SetupInfoFile().Info;
  info.Uninstall = set.Uninstall ? 1 : 0;
  TSetupVariables& v = SetupVariables();
  v = TSetupVariables{};
  v.SpaceRequired = set.Uninstall ? 0 : spaceRequired_;
  v.SpaceRequiredText = FormatSize(v.SpaceRequired);
  v.SpaceAvailable = kPreviewFreeSpace;
  v.SpaceAvailableText = FormatSize(v.SpaceAvailable);
  v.ProgramFilesDir = "C:\\Program Files\\";
  GameFoundIn() = set.Uninstall ? "" : kPreviewGameFoundIn;
  v.StartMenuProgramsDir = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
  TLanguages& tables = Languages();
  tables = TLanguages{};
  std::optional<int32_t> current;
  const std::vector<TPackedLanguage> packed = LanguagesOf(set);
  for (size_t i = 0; i < packed.size(); ++i) {
    if (!packed[i].Error.empty()) continue;
    if (i == language) current = static_cast<int32_t>(tables.Languages.size());
    tables.Languages.push_back(packed[i].Table);
  }
  tables.CurrentLanguage = current.value_or(0);
  auto form = std::make_unique<TFrmMain>(view, nullptr, ReaderFor(set));
  form->SetPagesUp();
  return form;
}
