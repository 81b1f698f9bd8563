// Packages in signed programs: the header is found before the certificate table and
// its zero padding, for both kinds of PE header and every padding length; unsigned
// programs, bare packages and signatures that end nothing work as before; a signature
// is removed in place.
#include <gtest/gtest.h>

#include "package/ZTI_PakFile.h"
#include "package/ZTI_SignedProgram.h"
#include "platform/Files.h"
#include "support/PakBytes.h"
#include "support/PeBytes.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

// Through the test machine: tests running side by side on Windows share drive C:.
TPak OpenBytes(const TempPrefix& prefix, const Bytes& bytes) {
  EXPECT_TRUE(platform::WriteFileBytes(prefix.Path("C:\\setup.exe"), bytes.data(), bytes.size()));
  TPak pak;
  pak.Create(prefix.Path("C:\\setup.exe"), false, false);
  return pak;
}

Bytes WithPackage(Bytes host) {
  return BuildPackage(
      {CompressedEntry("SetupInfo", std::string(300, 'i'), 0), StoredEntry("Maps\\a.map", "harbour", 1)},
      host);
}

TEST(SignedProgramTest, TheSignedSetupFindsItsPackageBeforeTheCertificateTable) {
  TempPrefix prefix;
  for (bool plus : {false, true})
    for (size_t extra = 0; extra < 8; ++extra) {
      SCOPED_TRACE(std::string(plus ? "PE32+" : "PE32") + ", host longer by " + std::to_string(extra));
      Bytes host = PeProgram(plus);
      host.resize(host.size() + extra, 0xCC);  // so the package ends at every remainder of 8
      Bytes file = WithPackage(host);
      const size_t packageEnd = file.size();
      SignPe(file, plus);
      ASSERT_EQ(FindSetupHeader(
                    [&](uint64_t at, uint8_t* into, size_t n) {
                      if (at + n > file.size()) return false;
                      std::copy_n(file.begin() + static_cast<long>(at), n, into);
                      return true;
                    },
                    file.size()),
                std::optional<int64_t>(packageEnd - kSetupHeaderSize));
      TPak pak = OpenBytes(prefix, file);
      ASSERT_TRUE(pak.Header().IsPackage());
      ASSERT_EQ(pak.Count(), 2u);
      EXPECT_EQ(pak.Header().PakStart, host.size());
      EXPECT_EQ(std::string(pak.FindEntry("SetupInfo", 0).Data.value_or(Bytes()).size(), 'i'),
                std::string(300, 'i'));
      EXPECT_TRUE(pak.VerifyEntry(1));
    }
}

TEST(SignedProgramTest, UnsignedBareAndOddFilesReadAsBefore) {
  TempPrefix prefix;
  struct Case {
    const char* what;
    Bytes file;
    bool package;
  };
  Bytes signedStub = PeProgram(false);
  SignPe(signedStub, false);
  Bytes signedNoPackage = PeProgram(true);
  SignPe(signedNoPackage, true);
  Bytes dirtyPadding = WithPackage(PeProgram(false));
  dirtyPadding.push_back(1);  // not zero: no padding, so no header before the table
  SignPe(dirtyPadding, false);
  Case cases[] = {
      {"unsigned program", WithPackage(PeProgram(false)), true},
      {"bare package", WithPackage({}), true},
      {"package appended after a signed stub", WithPackage(signedStub), true},
      {"signed program without a package", signedNoPackage, false},
      {"a byte that is not padding", dirtyPadding, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TPak pak = OpenBytes(prefix, c.file);
    EXPECT_EQ(pak.Header().IsPackage(), c.package);
    EXPECT_EQ(pak.Count(), c.package ? 2u : 0u);
  }
}

TEST(SignedProgramTest, RemovingTheSignatureLeavesTheUnsignedProgram) {
  TempPrefix prefix;
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    const Bytes unsignedFile = WithPackage(PeProgram(plus));
    Bytes file = unsignedFile;
    SignPe(file, plus);
    ASSERT_TRUE(platform::WriteFileBytes(prefix.Path("C:\\signed.exe"), file.data(), file.size()));
    {
      platform::File f = platform::File::Open(prefix.Path("C:\\signed.exe"), platform::OpenMode::ReadWrite);
      const auto table = FindCertificateTable(ReadAtOf(f), static_cast<uint64_t>(f.Size()));
      ASSERT_TRUE(table);
      EXPECT_EQ(table->Size, 1234u);
      EXPECT_EQ(table->DirectoryPosition, SecurityEntryPosition(plus));
      ASSERT_TRUE(RemoveSignature(f));
    }
    const auto after = platform::ReadWholeFile(prefix.Path("C:\\signed.exe"));
    ASSERT_TRUE(after);
    // The padding stays (it is part of no table); everything before it is unchanged.
    ASSERT_GE(after->size(), unsignedFile.size());
    EXPECT_LT(after->size(), unsignedFile.size() + 8);
    EXPECT_TRUE(std::equal(unsignedFile.begin(), unsignedFile.end(), after->begin()));
  }
}

}  // namespace
