// Extracting a group of entries into a directory, for the file command. Every name
// of the group is checked before anything is written, so a package cannot place a
// file outside the target directory.
#include <algorithm>

#include "lang/S_DecimalSeperator.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakHooks.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace {

constexpr uint16_t kTextExtracting = 18;  // "Extracting <%FILENAME%>"

std::u16string ExtractingText(std::string_view fileName) {
  return ReplaceText(Languages().GetText(kTextExtracting), u"<%FILENAME%>",
                     platform::AnsiToWide(fileName));
}

}  // namespace

void TPak::RefuseUnsafeNames(uint16_t group) const {
  for (const TPakFile& entry : entries_)
    if (entry.Group == group && !IsSafeEntryName(entry.Name))
      throw platform::ESetupError("Entry \"" + entry.Name + "\" of package \"" + fileName_ +
                                  "\" would be written outside the target directory; "
                                  "nothing of group " + std::to_string(group) +
                                  " was extracted");
}

void TPak::ExtractGroup(const std::string& directory, uint16_t group, TExtractHooks& hooks) {
  RefuseUnsafeNames(group);
  for (std::optional<int> index = FirstIndexInGroup(group);; index = NextIndexInGroup(group)) {
    const TPakFile* entry = index ? &entries_[*index] : nullptr;
    hooks.StatusText(ExtractingText(entry ? std::string_view(entry->Name) : std::string_view()));
    if (!entry) break;
    const std::string name = entry->Name;
    const uint32_t size = entry->OrigSize;
    const std::string path = directory + "\\" + name;
    hooks.FileRecorded(path);
    if (size >= kLargeEntrySize) {
      ExtractLarge(path, name, size, *index, hooks);
    } else {
      const std::optional<Bytes> content = ReadEntry(*index);
      if (!content && size > 0)
        throw platform::ESetupError("Entry \"" + name + "\" of package \"" + fileName_ +
                                    "\" cannot be read: " + DiagnoseEntry(*index));
      hooks.WriteWholeFile(path, content ? content->data() : nullptr, content ? content->size() : 0);
    }
    hooks.Step();
  }
}

bool TPak::ExtractLarge(const std::string& path, const std::string& name, uint32_t size, int index,
                        TExtractHooks& hooks) {
  if (!ValidIndex(index)) return false;
  platform::File target = hooks.CreateLargeFile(path);
  if (!target.IsOpen()) return false;
  const uint32_t offset = entries_[index].Offset;
  const auto endsEarly = [&](uint64_t done) {
    return platform::ESetupError("Entry \"" + name + "\" of package \"" + fileName_ +
                                 "\" ends early: " + std::to_string(done) + " of " +
                                 std::to_string(size) + " bytes could be read");
  };
  if (static_cast<int64_t>(offset) + size > fileSize_) {
    const int64_t available = std::max<int64_t>(0, fileSize_ - offset);
    throw endsEarly(static_cast<uint64_t>(std::min<int64_t>(available, size)));
  }
  if (file_.Seek(offset) < 0) throw endsEarly(0);
  const std::u16string wideName = platform::AnsiToWide(name);
  const std::string total = FormatSize(size);
  Bytes chunk(std::min(size, kLargeChunkSize));
  for (uint32_t done = 0; done < size;) {
    hooks.StatusText(ReplaceText(Languages().GetText(kTextExtracting), u"<%FILENAME%>",
                                 wideName + u" - " + platform::AnsiToWide(FormatSize(done)) +
                                     u" / " + platform::AnsiToWide(total)));
    const uint32_t n = std::min(kLargeChunkSize, size - done);
    const size_t got = file_.Read(chunk.data(), n);
    if (got != n) throw endsEarly(done + got);
    if (!target.WriteAll(chunk.data(), n))
      throw platform::ESetupError("Cannot write \"" + path + "\" (entry \"" + name +
                                  "\" of package \"" + fileName_ + "\")");
    done += n;
  }
  return true;
}
