// What extracting a group does besides reading the package: the status line, the
// record for the uninstaller, writing the files and the progress gauge. The package
// layer sits below those services, so ExtractGroup calls them through this
// interface; script/ZTI_PakExtract.h binds it to the program's own status line,
// install recorder, file helpers and gauge, and tests bind it to a recorder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Files.h"

class TExtractHooks {
 public:
  virtual ~TExtractHooks() = default;
  // The status line shows the text.
  virtual void StatusText(const std::u16string& text) = 0;
  // The file at path is recorded as installed.
  virtual void FileRecorded(const std::string& path) = 0;
  // Creates the missing directories of the path (recording each), then the file
  // with the content (none: an empty file). False when it cannot be written.
  virtual bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count) = 0;
  // The same for a large entry that is copied in chunks: the directories, then a file
  // open for writing that fill writes the content into (false when a write fails;
  // the hook may then call fill again on a fresh file). False when it cannot be
  // written.
  virtual bool WriteLargeFile(const std::string& path, const std::function<bool(platform::File&)>& fill) = 0;
  // The progress gauge advances one step.
  virtual void Step() = 0;
};
