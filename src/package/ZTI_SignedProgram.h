// Signed Windows programs. Authenticode signing (osslsigncode sign, signtool sign)
// pads the file with zeros to a multiple of 8 bytes, appends a certificate table and
// records the table's file position and size in the PE header's security directory
// (data directory 4). A setup package appended before signing then no longer ends
// the file: it ends where the padding before the table begins.
//
// This unit finds that table, so that a signed setup still finds its package, and
// turns a signed program back into an unsigned one (the uninstaller is written from
// the program bytes without the table, its security directory cleared).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "package/ZTI_PakFile.h"
#include "platform/Files.h"

struct TCertificateTable {
  uint64_t DirectoryPosition = 0;  // file position of the 8-byte security directory entry
  uint32_t Offset = 0;             // file position of the certificate table
  uint32_t Size = 0;
};

// The security directory of a PE program ("MZ", "PE\0\0", a PE32 or PE32+ optional
// header with at least five data directories) when it names a table; nothing for any
// other file, or a program without a signature.
std::optional<TCertificateTable> FindCertificateTable(const TReadAt& read, uint64_t fileSize);

// The padding the signing tools put before the table: at most this many zero bytes.
constexpr uint32_t kCertificateAlignment = 8;

// Where a package appended before signing would end: the table's position when the
// table ends the file, otherwise the file's size.
uint64_t UnsignedContentEnd(const TReadAt& read, uint64_t fileSize);

TReadAt ReadAtOf(platform::File& file);

// Clears the security directory entry in the first bytes of a program (the header
// part of the copy being written), when the entry lies within them.
void ClearCertificateEntry(uint8_t* head, size_t headSize, const TCertificateTable& table);

// Makes a signed program file unsigned in place: the certificate table that ends the
// file is cut off and the security directory entry cleared. False when the file
// could not be changed; true also when it carried no signature.
bool RemoveSignature(platform::File& file);
