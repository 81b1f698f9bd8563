#include "platform/TrustedFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "platform/Shell.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

// SYSTEM and Administrators: full control; Users: read and list. Protected: nothing
// is inherited from %ProgramData%, whose entries let users make and change folders.
constexpr const wchar_t* kTrustedAccess = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

struct LocalMemory {
  void operator()(void* memory) const { LocalFree(memory); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalMemory>;

SecurityDescriptor TrustedDescriptor() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kTrustedAccess, SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return nullptr;
  return SecurityDescriptor(descriptor);
}

// Whether the SID is the running token's user, or the owner new objects of this process
// get (Administrators for an elevated administrator). Wine gives new objects the user.
// A standard user's own folder has another SID; that the same account, unelevated,
// could have made the folder is no boundary Windows draws either.
bool IsOwnToken(PSID owner) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  bool same = false;
  for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!GetTokenInformation(token, kind, buffer.data(), size, &size)) continue;
    const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                       : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
    same = same || EqualSid(sid, owner);
  }
  CloseHandle(token);
  return same;
}

bool IsTrustedOwner(PSID owner) {
  return owner && (IsWellKnownSid(owner, WinLocalSystemSid) ||
                   IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsOwnToken(owner));
}

Status Unusable(const std::string& folder, const std::string& why) {
  return Status::Failure("\"" + folder + "\" cannot be used: " + why);
}

// A folder that was there before: a real folder with a trusted owner, whose access
// list is then set to ours again.
Status CheckExistingFolder(const std::string& folder, PSECURITY_DESCRIPTOR descriptor) {
  const HANDLE handle =
      CreateFileW(win32::SystemPath(folder).c_str(), READ_CONTROL | WRITE_DAC,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Status::SystemFailure("\"" + folder + "\" cannot be opened");
  BY_HANDLE_FILE_INFORMATION facts = {};
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR ownerDescriptor = nullptr;
  Status status = Status::Success();
  if (!GetFileInformationByHandle(handle, &facts) || !(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    status = Unusable(folder, "it is a link or a file, not a folder");
  } else if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                             nullptr, &ownerDescriptor) != ERROR_SUCCESS ||
             !IsTrustedOwner(owner)) {
    status =
        Unusable(folder, "it belongs to a user other than the administrators; remove it, then start again");
  } else {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    if (SetSecurityInfo(handle, SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        dacl, nullptr) != ERROR_SUCCESS)
      status = Unusable(folder, "its access list cannot be set");
  }
  if (ownerDescriptor) LocalFree(ownerDescriptor);
  CloseHandle(handle);
  return status;
}

}  // namespace

Result<std::string> TrustedStateFolder() {
  const std::string programData = SpecialFolderPath(CSIDL_COMMON_APPDATA);
  if (programData.empty()) return Status::Failure("the system names no folder for all users' program data");
  const std::string folder = programData + "\\" + kTrustedFolderName;
  const SecurityDescriptor descriptor = TrustedDescriptor();
  if (!descriptor) return Status::SystemFailure("the access list of \"" + folder + "\" cannot be made");
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
  if (CreateDirectoryW(win32::SystemPath(folder).c_str(), &attributes)) return folder;
  if (GetLastError() != ERROR_ALREADY_EXISTS)
    return Status::SystemFailure("\"" + folder + "\" could not be made");
  if (const Status checked = CheckExistingFolder(folder, descriptor.get()); !checked) return checked;
  return folder;
}

}  // namespace platform
