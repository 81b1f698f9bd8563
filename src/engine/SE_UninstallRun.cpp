#include "engine/SE_UninstallRun.h"

#include "engine/SE_InstallLogDigest.h"
#include "platform/Files.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

namespace {

std::string DigestOf(const TInstallLogLists& log) {
  const std::vector<uint8_t> bytes = SerializeInstallLog(log);
  return InstallLogDigestOf(bytes.data(), bytes.size());
}

platform::Status CouldNotRecord(const std::string& path, const platform::Status& failed) {
  return platform::Status::Failure("\"" + path + "\" could not be written: " + failed.Problem() +
                                   ". Nothing more was removed.");
}

}  // namespace

TUninstallRun::TUninstallRun(const std::string& installDir, const std::string& prefix,
                             const TInstallLogLists& log)
    : installDir_(installDir),
      journalPath_(UninstallJournalPath(installDir, prefix)),
      digest_(DigestOf(log)),
      log_(log),
      files_(installDir, prefix) {}

platform::Status TUninstallRun::Begin() {
  const std::vector<TRunRecord> earlier = ReadRunJournal(journalPath_);
  resumed_ = !earlier.empty() && earlier.front().kind == 'B' && earlier.front().Field(0) == digest_;
  if (resumed_) {
    for (const TRunRecord& record : earlier) {
      ended_ = ended_ || record.kind == 'E';
      if (record.kind != 'f' || record.Field(1).size() != 1) continue;
      const int64_t index = ToIntOrMinusOne(record.Field(0));
      if (index < 0 || size_t(index) >= log_.Files.size()) continue;
      lastBegun_ = size_t(index);
      lastStep_ = TFileStep{TFileAction(record.Field(1)[0]), record.Field(2), record.Field(3)};
    }
    if (const platform::Status opened = journal_.Continue(journalPath_); !opened)
      return CouldNotRecord(journalPath_, opened);
    return platform::Status::Success();
  }
  if (const platform::Status made = MakeGameFolderState(installDir_); !made) return made;
  if (const platform::Status created = journal_.Create(journalPath_); !created)
    return CouldNotRecord(journalPath_, created);
  if (const platform::Status noted = journal_.Append({'B', {digest_}}, true); !noted)
    return CouldNotRecord(journalPath_, noted);
  return platform::Status::Success();
}

platform::Status TUninstallRun::TakeFile(size_t index) {
  if (ended_ || (lastBegun_ && index < *lastBegun_)) return platform::Status::Success();
  const bool again = lastBegun_ && index == *lastBegun_;
  const TFileStep step = again ? *lastStep_ : files_.Plan(log_.Files[index]);
  if (!again) {
    const TRunRecord record{'f',
                            {std::to_string(index), std::string(1, char(step.action)), step.path, step.from}};
    if (const platform::Status noted = journal_.Append(record, true); !noted)
      return CouldNotRecord(journalPath_, noted);
  }
  files_.Take(step);
  return platform::Status::Success();
}

platform::Status TUninstallRun::MarkEnd() {
  if (const platform::Status noted = journal_.Append({'E', {}}, true); !noted)
    return CouldNotRecord(journalPath_, noted);
  return platform::Status::Success();
}

void TUninstallRun::Finish() { journal_.Close(); }

bool UninstallEndRecorded(const std::string& installDir, const std::string& prefix) {
  const std::vector<TRunRecord> records = ReadRunJournal(UninstallJournalPath(installDir, prefix));
  return !records.empty() && records.front().kind == 'B' && records.back().kind == 'E';
}

void DiscardUninstallJournal(const std::string& installDir, const std::string& prefix) {
  const std::string path = UninstallJournalPath(installDir, prefix);
  if (platform::FileExists(path)) platform::DeleteFileAt(path);
}
