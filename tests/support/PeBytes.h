// Minimal PE programs for tests of signed files: the DOS header, the PE signature,
// the file header and an optional header (PE32 or PE32+) with 16 data directories,
// and a way to "sign" one as the signing tools do: zero padding to a multiple of 8,
// a certificate table appended, the security directory pointing at it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testing_support {

// The program's bytes (a few hundred; no sections).
std::vector<uint8_t> PeProgram(bool pe32Plus);
// The file position of the security directory entry in such a program.
size_t SecurityEntryPosition(bool pe32Plus);
// Pads to a multiple of 8 with zeros, appends a table of tableSize bytes and records
// it in the security directory.
void SignPe(std::vector<uint8_t>& file, bool pe32Plus, uint32_t tableSize = 1234);

}  // namespace testing_support
