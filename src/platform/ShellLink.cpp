// Shell Link files as the shell writes them for a link made from a path: the 76-byte
// header, LinkInfo with the volume (drive type, serial number, label) and the local
// base path in the system code page, then the counted Unicode strings, then the
// terminal block. No item ID list is stored; the shell resolves the link through its
// LinkInfo.
#include "platform/ShellLink.h"
#include "platform/LittleEndian.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/Files.h"

namespace platform {

namespace {

// LinkFlags
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
// FileAttributes
constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;

constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// A StringData entry: a 16-bit count of characters, then UTF-16LE without a 0.
void PutCountedString(std::vector<uint8_t>& out, const std::string& text) {
  std::u16string wide = AnsiToWide(text);
  if (wide.size() > 0xFFFF) wide.resize(0xFFFF);
  PutFixed16(out, static_cast<uint32_t>(wide.size()));
  for (const char16_t c : wide) PutFixed16(out, c);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDrivePath(const std::string& path) {
  const char c = path.empty() ? 0 : path[0];
  return path.size() >= 3 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' &&
         IsSeparator(path[2]);
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (IsSeparator(c)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// The target as seen from the link's folder, as the shell's relative-path routine
// gives it: ".\x.exe", "..\Game\x.exe"; empty when they are on different drives.
std::string RelativePathTo(const std::string& linkPath, const std::string& target) {
  if (!IsDrivePath(linkPath) || !IsDrivePath(target)) return std::string();
  std::vector<std::string> from = Components(linkPath);
  const std::vector<std::string> to = Components(target);
  if (from.size() < 2) return std::string();  // a bare drive root names no link file
  from.pop_back();                            // the link's own name
  if (AnsiUpper(from[0]) != AnsiUpper(to[0])) return std::string();
  size_t common = 0;
  while (common < from.size() && common < to.size() && AnsiUpper(from[common]) == AnsiUpper(to[common]))
    ++common;
  std::string relative;
  for (size_t i = common; i < from.size(); ++i) relative += "..\\";
  if (relative.empty()) relative = ".\\";
  for (size_t i = common; i < to.size(); ++i) {
    relative += to[i];
    if (i + 1 < to.size()) relative += '\\';
  }
  return relative;
}

void PutHeader(std::vector<uint8_t>& out, uint32_t flags, const ShellLink& link) {
  const auto facts = FileFactsOf(link.target);
  uint32_t attributes = 0;
  if (facts) {
    attributes = facts->isDirectory ? kAttributeDirectory : kAttributeArchive;
    if (facts->readOnly) attributes |= kAttributeReadOnly;
  }
  const int show = link.showCommand == 3 || link.showCommand == 7 ? link.showCommand : 1;
  PutFixed32(out, 0x4C);
  out.insert(out.end(), kLinkClsid, kLinkClsid + 16);
  PutFixed32(out, flags);
  PutFixed32(out, attributes);
  PutFixed64(out, facts ? facts->creationTime : 0);
  PutFixed64(out, facts ? facts->lastAccessTime : 0);
  PutFixed64(out, facts ? facts->lastWriteTime : 0);
  PutFixed32(out, facts ? static_cast<uint32_t>(facts->size) : 0);
  PutFixed32(out, static_cast<uint32_t>(link.iconIndex));
  PutFixed32(out, static_cast<uint32_t>(show));
  PutFixed16(out, 0);  // hot key
  PutFixed16(out, 0);  // reserved
  PutFixed32(out, 0);
  PutFixed32(out, 0);
}

void PutLinkInfo(std::vector<uint8_t>& out, const std::string& target) {
  const std::string root = target.substr(0, 3);
  const size_t start = out.size();
  constexpr uint32_t kHeaderSize = 0x1C;
  constexpr uint32_t kVolumeIdSize = 0x11;  // 16 bytes and an empty label
  const uint32_t basePathOffset = kHeaderSize + kVolumeIdSize;
  const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(target.size()) + 1;
  PutFixed32(out, 0);  // LinkInfoSize, set below
  PutFixed32(out, kHeaderSize);
  PutFixed32(out, 0x1);  // VolumeIDAndLocalBasePath
  PutFixed32(out, kHeaderSize);
  PutFixed32(out, basePathOffset);
  PutFixed32(out, 0);  // no network share
  PutFixed32(out, suffixOffset);
  // VolumeID
  PutFixed32(out, kVolumeIdSize);
  PutFixed32(out, static_cast<uint32_t>(DriveTypeOf(root)));
  PutFixed32(out, VolumeSerialNumber(root));
  PutFixed32(out, 0x10);  // the label follows at once
  out.push_back(0);       // empty label
  out.insert(out.end(), target.begin(), target.end());
  out.push_back(0);
  out.push_back(0);  // empty common path suffix
  EncodeFixed32(out.data() + start, static_cast<uint32_t>(out.size() - start));
}

}  // namespace

std::vector<uint8_t> BuildShellLink(const ShellLink& link, const std::string& linkPath) {
  const bool local = IsDrivePath(link.target);
  std::string relative = local ? RelativePathTo(linkPath, link.target) : link.target;
  uint32_t flags = kIsUnicode;
  if (local) flags |= kHasLinkInfo;
  if (!relative.empty()) flags |= kHasRelativePath;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;
  if (!link.iconPath.empty()) flags |= kHasIconLocation;

  std::vector<uint8_t> out;
  PutHeader(out, flags, link);
  if (local) PutLinkInfo(out, link.target);
  if (!relative.empty()) PutCountedString(out, relative);
  if (!link.workingDirectory.empty()) PutCountedString(out, link.workingDirectory);
  if (!link.arguments.empty()) PutCountedString(out, link.arguments);
  if (!link.iconPath.empty()) PutCountedString(out, link.iconPath);
  PutFixed32(out, 0);  // terminal block
  return out;
}

bool WriteShellLink(const std::string& linkPath, const ShellLink& link) {
  const std::vector<uint8_t> bytes = BuildShellLink(link, linkPath);
  return WriteFileBytes(linkPath, bytes.data(), bytes.size());
}

}  // namespace platform
