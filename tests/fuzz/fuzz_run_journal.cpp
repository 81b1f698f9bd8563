// Fuzz target: the run journal reader. Any bytes decode without a crash into the
// records of the lines that check out, from the start; those records encode back to
// exactly the bytes they were read from, so nothing after a damaged line is taken up.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/SE_RunJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<TRunRecord> records = DecodeRunJournal(bytes);
  std::string encoded;
  for (const TRunRecord& record : records) encoded += EncodeRunRecord(record);
  if (bytes.compare(0, encoded.size(), encoded) != 0) std::abort();
  const std::vector<TRunRecord> again = DecodeRunJournal(encoded);
  if (again.size() != records.size()) std::abort();
  for (size_t i = 0; i < again.size(); ++i)
    if (again[i].kind != records[i].kind || again[i].fields != records[i].fields) std::abort();
  return 0;
}
