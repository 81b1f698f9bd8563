// The install log lies in the installation directory, where tools and later add-ons
// read it, and where any user may be able to write. The uninstaller acts on it, and
// uninstalllogload takes it over whole, only when it is a log a setup saved: each
// saved log's digest is kept where only administrators write, as the file
// "<log name>.digest" in the state folder of the log's folder
// (script/SE_TrustedState.h), and the add-on's own log's digest also as the value
// "InstallLogDigest" of its uninstall key (HKLM), which a moved game folder keeps.
// Both are written as part of the run, so an undone run leaves the earlier digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "script/ZTI_SetupInfo.h"

inline constexpr const char* kInstallLogDigestValue = "InstallLogDigest";

// The MD5 of the log's bytes, as 32 lower-case hexadecimal digits.
std::string InstallLogDigestOf(const uint8_t* data, size_t size);

// A log just saved at logPath: its digest is kept in the trusted folder.
void RecordSavedLogDigest(const std::string& logPath, const std::vector<uint8_t>& bytes);
// After the add-on's log is deleted: its digest goes too.
void ForgetSavedLogDigest(const std::string& logPath);
// Whether bytes are the log a setup last saved at logPath.
bool IsSavedLog(const std::string& logPath, const std::vector<uint8_t>& bytes);

// After the add-on's install log was saved: its digest is kept in the uninstall key
// too. A log that is not there (the setup saves none) leaves nothing to keep.
void RecordInstallLogDigest(const TSetupInfo& info);

// Whether bytes, read from the add-on's install log at logPath, are the log its setup
// saved (by either record); the failure names the log and says why it is refused.
platform::Status CheckInstallLog(const TSetupInfo& info, const std::string& logPath,
                                 const std::vector<uint8_t>& bytes);
