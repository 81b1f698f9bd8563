#include "engine/SE_Uninstaller.h"

#include <algorithm>

#include "package/ZTI_PakFile.h"
#include "package/ZTI_SignedProgram.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramIcon.h"
#include "platform/Registry.h"
#include "script/SE_RegistryAccess.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_RunRegistry.h"
#include "script/ZTI_GameStores.h"
#include "script/SE_TextHelpers.h"
#include "script/buffer_type.h"

namespace {

constexpr const char* kUninstallPrefix = "UNINSTALL_";
constexpr size_t kUninstallPrefixLength = 10;
constexpr const char* kIconEntry = "UNINSTALL_ICON.ICO";
constexpr size_t kCopyChunk = 1 << 20;

bool IsUninstallerEntry(const TPakFile& entry) {
  return entry.Group == 0 && platform::AsciiUpper(entry.Name).rfind(kUninstallPrefix, 0) == 0 &&
         platform::AsciiUpper(entry.Name) != kIconEntry;
}

// An empty short title would put the values on the uninstall key itself, beside every
// other program's key; such a setup is simply not registered.
void RegisterUninstaller(const TSetupInfo& info) {
  if (info.ShortName.empty()) return;
  WaitUntilRegistryCanBeChanged();
  constexpr int kLocalMachine = 0;
  const std::string key = kUninstallKeyPath + info.ShortName;
  WriteRegistryStringOfRun(kLocalMachine, key, "DisplayName", info.ShortName);
  WriteRegistryStringOfRun(kLocalMachine, key, "UninstallString", UninstallerPath(info));
}

// The copy is the program without its package and without a signature: the
// certificate table is left out and the security directory entry cleared, so the
// uninstaller is a valid unsigned program rather than one whose signature is broken.
[[noreturn]] void CannotReadProgram(const std::string& programPath, const std::string& reason) {
  throw platform::ESetupError("Cannot read the setup program \"" + programPath +
                              "\" to make the uninstaller: " + reason);
}

void CopyProgramPart(const std::string& programPath, const std::string& target) {
  const platform::Result<uint64_t> partLength = ProgramPartLength(programPath);
  if (!partLength) CannotReadProgram(programPath, partLength.Problem());
  platform::File program = platform::File::Open(programPath, platform::OpenMode::ReadShared);
  if (!program.IsOpen()) CannotReadProgram(programPath, platform::LastErrorText());
  std::optional<uint64_t> length = *partLength;
  const std::optional<TCertificateTable> signature =
      FindCertificateTable(ReadAtOf(program), static_cast<uint64_t>(program.Size()));
  if (signature && signature->Offset < *length) length = signature->Offset;
  program.Seek(0);
  if (platform::FileExists(target)) platform::DeleteFileAt(target);
  platform::File out = platform::File::Open(target, platform::OpenMode::CreateTruncate);
  if (!out.IsOpen()) throw ERunStopped(CouldNotWrite(target, platform::LastErrorText()));
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(*length, kCopyChunk)));
  for (uint64_t done = 0; done < *length;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, *length - done));
    if (!program.ReadExact(chunk.data(), n)) CannotReadProgram(programPath, platform::LastErrorText());
    if (signature && done == 0) ClearCertificateEntry(chunk.data(), n, *signature);
    if (!out.WriteAll(chunk.data(), n)) throw ERunStopped(CouldNotWrite(target, platform::LastErrorText()));
    done += n;
  }
}

// Where programs carry icons, the package's uninstaller icon becomes the program's.
void ReplaceIcon(TPak& package, const std::string& target) {
  for (size_t i = 0; i < package.Count(); ++i) {
    const TPakFile& entry = package.Entries()[i];
    if (entry.Group != 0 || platform::AsciiUpper(entry.Name) != kIconEntry) continue;
    const std::optional<Bytes> icon = package.ReadEntry(static_cast<int>(i));
    if (!icon) continue;
    if (const auto image = FirstIconImage(icon->data(), icon->size()))
      platform::SetProgramIconImage(target, image->data(), image->size());
  }
}

void Store(TPak& out, const std::string& target, const std::string& name, const Bytes& content) {
  const int index = out.NewEntry(name, "", 0);
  if (!out.StoreBuffer(index, content.data(), content.size()))
    throw ERunStopped(CouldNotWrite(target, platform::LastErrorText()));
}

void AppendUninstallPackage(TPak& package, const TSetupInfo& info, const std::string& target) {
  TPak out;
  out.Create(target, true, false);
  for (size_t i = 0; i < package.Count(); ++i) {
    const TPakFile entry = package.Entries()[i];
    if (!IsUninstallerEntry(entry)) continue;
    std::optional<Bytes> content = package.ReadEntry(static_cast<int>(i));
    if (!content && entry.OrigSize > 0)
      throw platform::ESetupError(
          "Entry \"" + entry.Name + "\" of package \"" + package.FileName() +
          "\" cannot be read for the uninstaller: " + package.DiagnoseEntry(static_cast<int>(i)));
    Store(out, target, entry.Name.substr(kUninstallPrefixLength), content.value_or(Bytes()));
  }
  // The game's stores go along: an uninstaller opened on Linux finds the game's prefix
  // by them when it does not sit in one (a Steam game's folder is outside its prefix).
  if (const TFoundEntry stores = package.FindEntry(kGameStoresEntryName, 0); stores.Data)
    Store(out, target, kGameStoresEntryName, *stores.Data);
  TSetupInfoFile uninstallInfo;
  uninstallInfo.Info = info;
  uninstallInfo.Info.Uninstall = 1;
  Store(out, target, "SetupInfo", uninstallInfo.SaveToBytes());
  if (!out.WriteTable()) throw ERunStopped(CouldNotWrite(target, platform::LastErrorText()));
  out.Close();
}

}  // namespace

std::string UninstallerPath(const TSetupInfo& info) {
  return IncludeBackslash(info.InstallDir) + info.UninstallExeName;
}

platform::Result<uint64_t> ProgramPartLength(const std::string& programPath) {
  TPak own;
  try {
    own.Create(programPath, false, false);
  } catch (const platform::ESetupError& error) {
    return platform::Status::Failure(error.what());
  }
  platform::File file = platform::File::Open(programPath, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) return platform::Status::SystemFailure("Cannot open file \"" + programPath + "\"");
  const int64_t size = file.Size();
  if (size < 0) return platform::Status::SystemFailure("Cannot read file \"" + programPath + "\"");
  const TSetupHeader& header = own.Header();
  const bool carriesPackage = header.IsPackage() && header.PakStart <= header.TableOffset &&
                              header.TableOffset + kSetupHeaderSize <= static_cast<uint64_t>(size);
  return carriesPackage ? uint64_t{header.PakStart} : static_cast<uint64_t>(size);
}

std::optional<std::vector<uint8_t>> FirstIconImage(const uint8_t* data, size_t size) {
  // ICONDIR: reserved 0, type 1, count; then 16-byte entries whose last two fields are
  // the image's size and its offset in the file.
  constexpr size_t kDirectorySize = 6, kEntrySize = 16;
  if (!data || size < kDirectorySize + kEntrySize) return std::nullopt;
  TBufferManager in(data, size);
  const uint16_t reserved = ReadInt16(in), type = ReadInt16(in), count = ReadInt16(in);
  if (reserved != 0 || type != 1 || count == 0) return std::nullopt;
  in.SetPosition(kDirectorySize + 8);
  const uint32_t imageSize = static_cast<uint32_t>(ReadInt32(in));
  const uint32_t imageOffset = static_cast<uint32_t>(ReadInt32(in));
  if (imageSize == 0 || imageOffset > size || imageSize > size - imageOffset) return std::nullopt;
  return std::vector<uint8_t>(data + imageOffset, data + imageOffset + imageSize);
}

std::string WriteUninstaller(TPak& package, const TSetupInfo& info, const std::string& programPath) {
  if (info.UninstallExeName.empty())
    throw platform::ESetupError(
        "The setup names no uninstaller file (its script has no prefix "
        "line); no uninstaller was written into \"" +
        info.InstallDir + "\"");
  const std::string target = UninstallerPath(info);
  RegisterUninstaller(info);
  ForceDirectory(info.InstallDir);
  // Made whole beside its place, then put there: a run that fails half-way leaves no
  // uninstaller that cannot start, and an earlier one stays until the new one is done.
  WriteFileOfRun(
      target,
      [&](const std::string& temp) {
        CopyProgramPart(programPath, temp);
        ReplaceIcon(package, temp);
        AppendUninstallPackage(package, info, temp);
        return true;
      },
      TOriginal::UndoOnly);
  platform::MarkExecutable(target);
  return target;
}

std::string UninstallerProgramSource(TPak& package) {
  const std::string& file = package.FileName();
  if (file.empty() || platform::SameTextAscii(file, platform::OwnExecutablePath()))
    return platform::OwnExecutablePath();
  const platform::Result<uint64_t> programLength = ProgramPartLength(file);
  return programLength && *programLength > 0 ? file : platform::OwnExecutablePath();
}

std::string WriteUninstaller() {
  return WriteUninstaller(SetupPak(), SetupInfoFile().Info, UninstallerProgramSource(SetupPak()));
}
