#include "script/SE_RunJournal.h"

#include <cstdio>

#include "package/CRC.h"
#include "platform/Errors.h"

namespace {

void AppendEscaped(std::string& out, const std::string& field) {
  for (const char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

std::string Unescaped(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char next = field[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

std::string Hex8(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::vector<std::string> SplitTabs(const std::string& body) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t tab = body.find('\t', start);
    parts.push_back(body.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return parts;
    start = tab + 1;
  }
}

}  // namespace

const std::string& TRunRecord::Field(size_t i) const {
  static const std::string empty;
  return i < fields.size() ? fields[i] : empty;
}

std::string EncodeRunRecord(const TRunRecord& record) {
  std::string body(1, record.kind);
  for (const std::string& field : record.fields) {
    body += '\t';
    AppendEscaped(body, field);
  }
  return Hex8(Crc32(body.data(), body.size())) + "\t" + body + "\n";
}

std::vector<TRunRecord> DecodeRunJournal(const std::string& bytes) {
  std::vector<TRunRecord> records;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find('\n', start);
    if (end == std::string::npos) break;  // a line cut off before its end
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (line.size() < 10 || line[8] != '\t') break;
    const std::string body = line.substr(9);
    if (Hex8(Crc32(body.data(), body.size())) != line.substr(0, 8) || body.empty()) break;
    std::vector<std::string> parts = SplitTabs(body);
    if (parts[0].size() != 1) break;
    TRunRecord record;
    record.kind = parts[0][0];
    for (size_t i = 1; i < parts.size(); ++i) record.fields.push_back(Unescaped(parts[i]));
    records.push_back(std::move(record));
  }
  return records;
}

platform::Status TRunJournalFile::Create(const std::string& path) {
  path_ = path;
  file_ = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  end_ = 0;
  if (file_.IsOpen()) return platform::Status::Success();
  return platform::Status::Failure(platform::LastErrorText());
}

platform::Status TRunJournalFile::Continue(const std::string& path) {
  path_ = path;
  end_ = 0;
  for (const TRunRecord& record : ReadRunJournal(path)) end_ += int64_t(EncodeRunRecord(record).size());
  file_ = platform::File::Open(path, platform::OpenMode::ReadWrite);
  if (file_.IsOpen() && file_.Seek(end_) == end_ && file_.SetEndOfFile()) return platform::Status::Success();
  file_.Close();
  return platform::Status::Failure(platform::LastErrorText());
}

platform::Status TRunJournalFile::Append(const TRunRecord& record, bool durable) {
  return AppendAll({record}, durable);
}

platform::Status TRunJournalFile::AppendAll(const std::vector<TRunRecord>& records, bool durable) {
  std::string lines;
  for (const TRunRecord& record : records) lines += EncodeRunRecord(record);
  if (file_.WriteAll(lines.data(), lines.size()) && (!durable || file_.Flush())) {
    end_ += int64_t(lines.size());
    return platform::Status::Success();
  }
  const platform::Status failure = platform::Status::Failure(platform::LastErrorText());
  // A line written in part would end the journal for its reader, hiding the records
  // appended after it; the journal's end goes back to the last whole line.
  if (file_.Seek(end_) == end_) file_.SetEndOfFile();
  return failure;
}

bool TRunJournalFile::Remove() {
  file_.Close();
  return path_.empty() || !platform::FileExists(path_) || platform::DeleteFileAt(path_);
}

std::vector<TRunRecord> ReadRunJournal(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return {};
  return DecodeRunJournal(std::string(bytes->begin(), bytes->end()));
}
