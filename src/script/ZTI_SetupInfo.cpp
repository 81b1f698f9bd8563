#include "script/ZTI_SetupInfo.h"

#include "platform/Files.h"
#include "script/buffer_type.h"

void TSetupInfoFile::LoadFromBuffer(const uint8_t* data, size_t size) {
  TBufferManager in(data, size);
  TSetupInfo info;
  info.SetupName = ReadString(in);
  info.ShortName = ReadString(in);
  info.SetupExeName = ReadString(in);
  info.UninstallExeName = ReadString(in);
  info.UninstallPrefix = ReadString(in);
  info.InstallDir = ReadString(in);
  info.Changelog = ReadString(in);
  info.InstallDirRegKey.HKEY = ReadByte(in);
  info.InstallDirRegKey.Path = ReadString(in);
  info.InstallDirRegKey.Key = ReadString(in);
  info.Pages = ReadString(in);
  info.UninstallPages = ReadString(in);
  info.Uninstall = ReadByte(in);
  info.MakeUninstaller = ReadByte(in);
  Info = std::move(info);
}

std::vector<uint8_t> TSetupInfoFile::SaveToBytes() const {
  Bytes out;
  AppendString(out, Info.SetupName);
  AppendString(out, Info.ShortName);
  AppendString(out, Info.SetupExeName);
  AppendString(out, Info.UninstallExeName);
  AppendString(out, Info.UninstallPrefix);
  AppendString(out, Info.InstallDir);
  AppendString(out, Info.Changelog);
  AppendByte(out, Info.InstallDirRegKey.HKEY);
  AppendString(out, Info.InstallDirRegKey.Path);
  AppendString(out, Info.InstallDirRegKey.Key);
  AppendString(out, Info.Pages);
  AppendString(out, Info.UninstallPages);
  AppendByte(out, Info.Uninstall);
  AppendByte(out, Info.MakeUninstaller);
  return out;
}

bool TSetupInfoFile::SaveToFile(const std::string& path) const {
  const Bytes bytes = SaveToBytes();
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  return file.IsOpen() && file.WriteAll(bytes.data(), bytes.size());
}

TSetupInfoFile& SetupInfoFile() {
  static TSetupInfoFile setupInfo;
  return setupInfo;
}
