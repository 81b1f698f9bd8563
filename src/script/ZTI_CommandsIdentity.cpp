#include "script/ZTI_CommandsIdentity.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "script/SE_RegistryRoots.h"
#include "script/ZTI_CompilerThread.h"

namespace {
const std::string& Param(const TCompiler& compiler, int32_t lineIndex, size_t n) {
  return compiler.Lines.Lines[lineIndex].Params[n];
}
}  // namespace

void TNameCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  compiler.Info.Info.SetupName = Param(compiler, lineIndex, 0);
  compiler.Info.Info.ShortName = Param(compiler, lineIndex, 0);
}

void TShortNameCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) compiler.Info.Info.ShortName = Param(compiler, lineIndex, 0);
}

void TOutFileCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) compiler.Info.Info.SetupExeName = Param(compiler, lineIndex, 0);
}

void TInstallDirCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) compiler.Info.Info.InstallDir = Param(compiler, lineIndex, 0);
}

void TInstallDirRegKeyCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  TREGKEY& key = compiler.Info.Info.InstallDirRegKey;
  key.HKEY = static_cast<uint8_t>(RootCodeFromName(Param(compiler, lineIndex, 0)));
  key.Path = Param(compiler, lineIndex, 1);
  key.Key = Param(compiler, lineIndex, 2);
}

void TUninstallPrefixCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const std::string& prefix = Param(compiler, lineIndex, 0);
  compiler.Info.Info.UninstallPrefix = prefix + "_";
  compiler.Info.Info.UninstallExeName = prefix + "_Uninstall.exe";
}

void TCompressionCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const std::string& method = Param(compiler, lineIndex, 0);
  for (const char* known : {"zlib", "zstd", "zstd-max"})
    if (platform::SameTextAscii(method, known)) {
      compiler.Compression = known;
      return;
    }
  throw platform::ESetupError("unknown compression - " + method + " (zlib, zstd or zstd-max)");
}
