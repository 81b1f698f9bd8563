// The file services on the Win32 API: what the system itself decides (sharing, the
// attributes, file identity, drives) and where our half must step in so the program
// sees the same contract as on Linux.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/win32/WinText.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

using testing_support::TestMachine;

std::string Text(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : ListDirectory(folder)) names.push_back(entry.name);
  return names;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(win32::Wide(path).c_str()); }

TEST(FilesWin32, OpenModesShareAsTheProgramRelies) {
  TestMachine machine;
  const std::string path = machine.Path("C:\\shared.dat");
  ASSERT_TRUE(WriteFileBytes(path, "0123456789", 10));
  const struct {
    OpenMode first, second;
    bool secondOpens;
  } cases[] = {
      {OpenMode::ReadShared, OpenMode::ReadShared, true},
      {OpenMode::ReadShared, OpenMode::ReadWrite, true},  // others may write meanwhile
      {OpenMode::ReadShared, OpenMode::CreateTruncate, true},
      {OpenMode::ReadWrite, OpenMode::ReadShared, true},  // others may read a file being written
      {OpenMode::ReadWrite, OpenMode::ReadWrite, false},
      {OpenMode::ReadWrite, OpenMode::CreateTruncate, false},
      {OpenMode::CreateTruncate, OpenMode::ReadShared, true},
      {OpenMode::CreateTruncate, OpenMode::ReadWrite, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(int(test.first) * 10 + int(test.second));
    ASSERT_TRUE(WriteFileBytes(path, "0123456789", 10));
    File first = File::Open(path, test.first);
    ASSERT_TRUE(first.IsOpen());
    File second = File::Open(path, test.second);
    EXPECT_EQ(second.IsOpen(), test.secondOpens);
    if (!test.secondOpens) {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    }
  }
}

TEST(FilesWin32, AReaderSeesWhatAnotherHandleWritesMeanwhile) {
  TestMachine machine;
  const std::string path = machine.Path("C:\\live.dat");
  ASSERT_TRUE(WriteFileBytes(path, "old bytes!", 10));
  File reader = File::Open(path, OpenMode::ReadShared);
  ASSERT_TRUE(reader.IsOpen());
  File writer = File::Open(path, OpenMode::ReadWrite);
  ASSERT_TRUE(writer.IsOpen());
  ASSERT_EQ(writer.Seek(4), 4);
  ASSERT_TRUE(writer.WriteAll("BYTES", 5));
  ASSERT_TRUE(writer.WriteAll("+more", 5));
  EXPECT_EQ(reader.Size(), 14);
  char got[14];
  ASSERT_TRUE(reader.ReadExact(got, sizeof got));
  EXPECT_EQ(std::string(got, sizeof got), "old BYTES+more");
  EXPECT_EQ(reader.Write("x", 1), 0u);  // a reader never writes
}

TEST(FilesWin32, CreateTruncateEmptiesAnExistingFileAndKeepsItsAttributes) {
  TestMachine machine;
  const struct {
    const char* name;
    DWORD attributes;
  } cases[] = {
      {"plain.dat", FILE_ATTRIBUTE_NORMAL},
      {"hidden.dat", FILE_ATTRIBUTE_HIDDEN},  // the system refuses to re-create these
      {"system.dat", FILE_ATTRIBUTE_SYSTEM},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = machine.Path(std::string("C:\\") + test.name);
    ASSERT_TRUE(WriteFileBytes(path, "previous contents", 17));
    ASSERT_TRUE(SetFileAttributesW(win32::Wide(path).c_str(), test.attributes));
    File file = File::Open(path, OpenMode::CreateTruncate);
    ASSERT_TRUE(file.IsOpen()) << win32::ErrorText(GetLastError());
    EXPECT_EQ(file.Size(), 0);
    ASSERT_TRUE(file.WriteAll("new", 3));
    file.Close();
    EXPECT_EQ(Text(path), "new");
    if (test.attributes != FILE_ATTRIBUTE_NORMAL) {
      EXPECT_TRUE(Attributes(path) & test.attributes);
    }
  }
}

TEST(FilesWin32, SeeksBeyondFourGibibytesAndRefusesBeforeTheStart) {
  TestMachine machine;
  File file = File::Open(machine.Path("C:\\seek.dat"), OpenMode::CreateTruncate);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.WriteAll("abcdef", 6));
  constexpr int64_t kFar = (int64_t(5) << 30) + 7;
  EXPECT_EQ(file.Seek(kFar), kFar);  // no 32-bit truncation on the way
  EXPECT_EQ(file.Position(), kFar);
  EXPECT_EQ(file.Size(), 6);  // seeking alone writes nothing
  EXPECT_EQ(file.Seek(-2, SeekOrigin::End), 4);
  EXPECT_EQ(file.Seek(-5, SeekOrigin::Current), -1);
  EXPECT_EQ(file.Position(), 4);  // a refused seek keeps the position
  ASSERT_TRUE(file.SetEndOfFile());
  EXPECT_EQ(file.Size(), 4);
  ASSERT_EQ(file.Seek(10), 10);
  ASSERT_TRUE(file.SetEndOfFile());  // extends with zeros
  EXPECT_EQ(file.Size(), 10);
}

TEST(FilesWin32, AReadOnlyFileRefusesEveryChangeAndSaysWhy) {
  TestMachine machine;
  const std::string path = machine.Path("C:\\locked.dat");
  const std::string other = machine.Path("C:\\other.dat");
  ASSERT_TRUE(WriteFileBytes(path, "keep", 4));
  ASSERT_TRUE(WriteFileBytes(other, "new!", 4));
  ASSERT_TRUE(SetFileAttributesW(win32::Wide(path).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(IsReadOnly(path));
  const struct {
    const char* what;
    bool (*attempt)(const std::string& path, const std::string& other);
  } refusals[] = {
      {"open to write",
       [](const std::string& p, const std::string&) { return File::Open(p, OpenMode::ReadWrite).IsOpen(); }},
      {"create over", [](const std::string& p,
                         const std::string&) { return File::Open(p, OpenMode::CreateTruncate).IsOpen(); }},
      {"delete", [](const std::string& p, const std::string&) { return DeleteFileAt(p); }},
      {"copy over", [](const std::string& p, const std::string& o) { return CopyFileOverwriting(o, p); }},
      {"write whole", [](const std::string& p, const std::string&) { return WriteFileBytes(p, "x", 1); }},
  };
  for (const auto& test : refusals) {
    SCOPED_TRACE(test.what);
    SetLastError(0);
    EXPECT_FALSE(test.attempt(path, other));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Text(path), "keep");
  }
  EXPECT_TRUE(File::Open(path, OpenMode::ReadShared).IsOpen());
  // Changing the mark keeps the file's other attributes.
  ASSERT_TRUE(SetReadOnly(path, false));
  EXPECT_FALSE(IsReadOnly(path));
  EXPECT_TRUE(Attributes(path) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SetReadOnly(path, true));
  EXPECT_EQ(Attributes(path) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetReadOnly(path, false));
  EXPECT_TRUE(CopyFileOverwriting(other, path));
  EXPECT_EQ(Text(path), "new!");
}

TEST(FilesWin32, ACopyOntoItselfIsRefusedInEverySpelling) {
  TestMachine machine;
  ASSERT_TRUE(MakeDirectory(machine.Path("C:\\Long Folder Name")));
  const std::string path = machine.Path("C:\\Long Folder Name\\Source File.dat");
  ASSERT_TRUE(WriteFileBytes(path, "precious", 8));
  wchar_t shortForm[MAX_PATH];
  const DWORD shortLength = GetShortPathNameW(win32::Wide(path).c_str(), shortForm, MAX_PATH);
  ASSERT_GT(shortLength, 0u);
  std::string slashes = path;
  for (char& c : slashes)
    if (c == '\\') c = '/';
  const std::string spellings[] = {
      path,
      machine.Path("C:\\LONG FOLDER NAME\\source file.DAT"),
      slashes,
      machine.Path("C:\\Long Folder Name\\..\\Long Folder Name\\.\\Source File.dat"),
      win32::Ansi(std::wstring(shortForm, shortLength)),
  };
  for (const std::string& target : spellings) {
    SCOPED_TRACE(target);
    EXPECT_FALSE(CopyFileOverwriting(path, target));
    EXPECT_FALSE(CopyFileOverwriting(target, path));
    EXPECT_EQ(Text(path), "precious");
  }
  EXPECT_EQ(Names(machine.Path("C:\\Long Folder Name")),
            std::vector<std::string>{"Source File.dat"});  // nothing left on the way
}

TEST(FilesWin32, AFailedCopyLeavesTheOldTargetAndNoDebris) {
  TestMachine machine;
  const std::string source = machine.Path("C:\\source.dat");
  const std::string target = machine.Path("C:\\target.dat");
  ASSERT_TRUE(WriteFileBytes(source, "new contents", 12));
  ASSERT_TRUE(WriteFileBytes(target, "old", 3));
  {
    // Open without leave to delete: the system cannot replace it meanwhile.
    File busy = File::Open(target, OpenMode::ReadWrite);
    ASSERT_TRUE(busy.IsOpen());
    SetLastError(0);
    EXPECT_FALSE(CopyFileOverwriting(source, target));
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)
        << error << " " << win32::ErrorText(error);
  }
  EXPECT_EQ(Text(target), "old");
  EXPECT_EQ(Names(machine.Path("C:\\")), (std::vector<std::string>{"source.dat", "target.dat"}));
  // A read-only source gives a read-only copy; a failed one still leaves nothing behind.
  ASSERT_TRUE(SetReadOnly(source, true));
  EXPECT_TRUE(CopyFileOverwriting(source, target));
  EXPECT_EQ(Text(target), "new contents");
  EXPECT_TRUE(IsReadOnly(target));
  ASSERT_TRUE(SetReadOnly(target, false));
  {
    File busy = File::Open(target, OpenMode::ReadWrite);
    ASSERT_TRUE(busy.IsOpen());
    EXPECT_FALSE(CopyFileOverwriting(source, target));
  }
  EXPECT_EQ(Names(machine.Path("C:\\")), (std::vector<std::string>{"source.dat", "target.dat"}));
  SetLastError(0);
  EXPECT_FALSE(CopyFileOverwriting(machine.Path("C:\\missing.dat"), target));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileOverwriting(source, machine.Path("C:\\no folder\\x.dat")));
  EXPECT_EQ(Names(machine.Path("C:\\")), (std::vector<std::string>{"source.dat", "target.dat"}));
  EXPECT_TRUE(SetReadOnly(source, false));  // so the machine can be cleared
}

TEST(FilesWin32, RenameRefusesAnExistingNameButChangesTheSpelling) {
  TestMachine machine;
  const std::string a = machine.Path("C:\\a.txt"), b = machine.Path("C:\\b.txt");
  ASSERT_TRUE(WriteFileBytes(a, "A", 1));
  ASSERT_TRUE(WriteFileBytes(b, "B", 1));
  SetLastError(0);
  EXPECT_FALSE(RenameFile(a, b));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(RenameFile(a, machine.Path("C:\\B.TXT")));  // another file, whatever the case
  EXPECT_EQ(Text(a), "A");
  EXPECT_EQ(Text(b), "B");
  EXPECT_TRUE(RenameFile(a, a));
  ASSERT_TRUE(RenameFile(a, machine.Path("C:\\A.Txt")));
  EXPECT_EQ(Names(machine.Path("C:\\")), (std::vector<std::string>{"A.Txt", "b.txt"}));
  EXPECT_EQ(Text(machine.Path("C:\\a.txt")), "A");
  ASSERT_TRUE(MakeDirectory(machine.Path("C:\\Folder")));
  ASSERT_TRUE(RenameFile(machine.Path("C:\\folder"), machine.Path("C:\\FOLDER")));
  EXPECT_EQ(Names(machine.Path("C:\\")), (std::vector<std::string>{"A.Txt", "b.txt", "FOLDER"}));
  EXPECT_FALSE(RenameFile(machine.Path("C:\\missing"), machine.Path("C:\\x")));
  EXPECT_FALSE(RenameFile(b, machine.Path("C:\\no folder\\b.txt")));
  EXPECT_EQ(Text(b), "B");
}

TEST(FilesWin32, ListingsSortAsOnLinuxAndKeepNamesAboveAscii) {
  TestMachine machine;
  const std::string folder = machine.Path("C:\\list");
  ASSERT_TRUE(MakeDirectory(folder));
  // Created out of order; "_" sorts before letters only when letters fold to small.
  const char* files[] = {"zeta",
                         "_under",
                         "Beta",
                         "alpha",
                         "caf\xE9",
                         "\xC9"
                         "cole",
                         "\x8C"
                         "uvre",
                         "\x9Anow",
                         "~tilde",
                         "10",
                         "9"};
  for (const char* name : files) ASSERT_TRUE(WriteFileBytes(folder + "\\" + name, "x", 1)) << name;
  ASSERT_TRUE(MakeDirectory(folder + "\\Dir"));
  const std::vector<std::string> expected = {"10",
                                             "9",
                                             "_under",
                                             "alpha",
                                             "Beta",
                                             "caf\xE9",
                                             "Dir",
                                             "zeta",
                                             "~tilde",
                                             "\xC9"
                                             "cole",
                                             "\x8C"
                                             "uvre",
                                             "\x9Anow"};
  const std::vector<DirectoryEntry> entries = ListDirectory(folder);
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(entries[i].name, expected[i]) << i;
    EXPECT_EQ(entries[i].isDirectory, expected[i] == "Dir") << i;
    EXPECT_FALSE(entries[i].isLink) << i;
  }
  // The names above 127 are the files, in any case.
  EXPECT_TRUE(FileExists(folder + "\\CAF\xC9"));
  EXPECT_TRUE(FileExists(folder + "\\\xE9"
                                  "COLE"));
  EXPECT_TRUE(FileExists(folder + "\\\x9C"
                                  "UVRE"));
  EXPECT_EQ(Names(folder + "\\"), expected);
  EXPECT_TRUE(ListDirectory(folder + "\\alpha").empty());  // a file lists nothing
  EXPECT_TRUE(ListDirectory(folder + "\\missing").empty());
}

TEST(FilesWin32, AListedNameOutsideTheCodePageStillOpensTheFile) {
  TestMachine machine;
  const std::string folder = machine.Path("C:\\names");
  ASSERT_TRUE(MakeDirectory(folder));
  const std::wstring cyrillic = win32::Wide(folder) + L"\\\x0444\x0430\x0439\x043B.txt";
  const HANDLE handle =
      CreateFileW(cyrillic.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(handle, "data", 4, &written, nullptr);
  CloseHandle(handle);
  const std::vector<DirectoryEntry> entries = ListDirectory(folder);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name.find('?'), std::string::npos) << entries[0].name;
  EXPECT_EQ(Text(folder + "\\" + entries[0].name), "data");
}

// A directory link made by the system, when it lets us; nothing otherwise.
bool MakeFolderLink(const std::string& link, const std::string& target) {
  const DWORD flags = SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2;  // unprivileged create (developer mode)
  if (!CreateSymbolicLinkW(win32::Wide(link).c_str(), win32::Wide(target).c_str(), flags)) return false;
  // Some systems say yes and make nothing.
  return Attributes(link) != INVALID_FILE_ATTRIBUTES;
}

TEST(FilesWin32, AFolderLinkIsListedAsALinkAndDeletedWithoutItsTarget) {
  TestMachine machine;
  const std::string target = machine.Path("C:\\target");
  const std::string link = machine.Path("C:\\link");
  ASSERT_TRUE(MakeDirectory(target));
  ASSERT_TRUE(WriteFileBytes(target + "\\inner.txt", "inner", 5));
  if (!MakeFolderLink(link, target))
    GTEST_SKIP() << "this system makes no folder links for us (Wine 8 reports success and "
                    "makes none; Windows needs developer mode or the privilege)";
  const std::vector<DirectoryEntry> entries = ListDirectory(machine.Path("C:\\"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "link");
  EXPECT_TRUE(entries[0].isLink);
  EXPECT_TRUE(entries[0].isDirectory);
  EXPECT_FALSE(entries[1].isLink);
  EXPECT_FALSE(RemoveEmptyDirectory(link));  // a link is not an empty folder
  EXPECT_TRUE(DeleteFileAt(link));
  EXPECT_FALSE(DirectoryExists(link));
  EXPECT_EQ(Text(target + "\\inner.txt"), "inner");
}

TEST(FilesWin32, DeleteAndRemoveTakeOnlyWhatTheyAreFor) {
  TestMachine machine;
  const std::string folder = machine.Path("C:\\folder");
  ASSERT_TRUE(MakeDirectory(folder));
  EXPECT_FALSE(MakeDirectory(folder));
  EXPECT_FALSE(MakeDirectory(machine.Path("C:\\missing\\child")));
  EXPECT_FALSE(DeleteFileAt(folder));  // a folder is not a file
  EXPECT_TRUE(DirectoryExists(folder));
  ASSERT_TRUE(WriteFileBytes(folder + "\\x", "x", 1));
  EXPECT_FALSE(RemoveEmptyDirectory(folder));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileAt(folder + "\\missing"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(DeleteFileAt(folder + "\\X"));
  EXPECT_TRUE(RemoveEmptyDirectory(folder));
  EXPECT_FALSE(DirectoryExists(folder));
  // A drive's root in any spelling is never removed, even were it empty.
  const std::string root = TempFolder().substr(0, 2);
  for (const std::string& spelling :
       std::vector<std::string>{root, root + "\\", root + "/", "\\\\?\\" + root + "\\", root + "\\.",
                                root + "\\" + "folder\\..", "\\\\server\\share", "\\\\server\\share\\"}) {
    SCOPED_TRACE(spelling);
    SetLastError(0);
    EXPECT_FALSE(RemoveEmptyDirectory(spelling));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  }
}

TEST(FilesWin32, OneFileHasOneIdentityWhateverTheSpelling) {
  TestMachine machine;
  ASSERT_TRUE(MakeDirectory(machine.Path("C:\\Game Folder")));
  const std::string path = machine.Path("C:\\Game Folder\\Data File.pak");
  ASSERT_TRUE(WriteFileBytes(path, "12345", 5));
  ASSERT_TRUE(WriteFileBytes(machine.Path("C:\\Game Folder\\other.pak"), "1", 1));
  const auto facts = FileFactsOf(path);
  ASSERT_TRUE(facts);
  EXPECT_FALSE(facts->isDirectory);
  EXPECT_EQ(facts->size, 5u);
  EXPECT_NE(facts->lastWriteTime, 0u);
  EXPECT_NE(facts->creationTime, 0u);
  std::string slashes = path;
  for (char& c : slashes)
    if (c == '\\') c = '/';
  for (const std::string& spelling : {machine.Path("C:\\GAME FOLDER\\data file.PAK"), slashes,
                                      win32::AnsiPathFromSystem(win32::Wide(path))}) {
    SCOPED_TRACE(spelling);
    const auto same = FileFactsOf(spelling);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->volumeId, facts->volumeId);
    EXPECT_EQ(same->fileId, facts->fileId);
  }
  const auto other = FileFactsOf(machine.Path("C:\\Game Folder\\other.pak"));
  ASSERT_TRUE(other);
  EXPECT_NE(other->fileId, facts->fileId);
  const auto folder = FileFactsOf(machine.Path("C:\\game folder"));
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->isDirectory);
  EXPECT_EQ(folder->size, 0u);
  EXPECT_NE(folder->fileId, facts->fileId);
  ASSERT_TRUE(SetReadOnly(path, true));
  EXPECT_TRUE(FileFactsOf(path)->readOnly);
  ASSERT_TRUE(SetReadOnly(path, false));
  EXPECT_FALSE(FileFactsOf(machine.Path("C:\\Game Folder\\missing")));
  // The drive's serial number is the volume a file's identity names.
  EXPECT_EQ(VolumeSerialNumber(TempFolder().substr(0, 3)), facts->volumeId);
}

TEST(FilesWin32, LongPathsWorkInEverySpellingTheProgramUses) {
  TestMachine machine;
  std::string path = machine.Path("C:\\");
  for (int i = 0; i < 6; ++i) {
    path += "\\caf\xE9 " + std::string(40, char('a' + i));
    ASSERT_TRUE(MakeDirectory(path)) << path.size();
  }
  ASSERT_GT(path.size(), 270u);
  const std::string file = path + "\\data.bin";
  ASSERT_TRUE(WriteFileBytes(file, "1234", 4));
  std::string slashes = file;  // mixed separators and a detour need the system's rules
  for (char& c : slashes)
    if (c == '\\') c = '/';
  const std::string detour = path + "\\..\\" + path.substr(path.rfind('\\') + 1) + "\\.\\data.bin";
  for (const std::string& spelling : {slashes, detour}) {
    SCOPED_TRACE(spelling);
    EXPECT_TRUE(FileExists(spelling));
    EXPECT_EQ(Text(spelling), "1234");
    ASSERT_TRUE(FileFactsOf(spelling));
    EXPECT_EQ(FileFactsOf(spelling)->fileId, FileFactsOf(file)->fileId);
    EXPECT_FALSE(CopyFileOverwriting(file, spelling));  // the same file
  }
  ASSERT_TRUE(SetReadOnly(file, true));
  EXPECT_FALSE(DeleteFileAt(file));
  ASSERT_TRUE(SetReadOnly(file, false));
  ASSERT_TRUE(CopyFileOverwriting(file, path + "\\copy.bin"));
  EXPECT_EQ(Names(path), (std::vector<std::string>{"copy.bin", "data.bin"}));
  EXPECT_TRUE(RenameFile(path + "\\COPY.BIN", path + "\\Copy.bin"));
  EXPECT_EQ(Names(path), (std::vector<std::string>{"Copy.bin", "data.bin"}));
  const auto host = HostPathOf(file);
  ASSERT_TRUE(host);
  EXPECT_EQ(WindowsPathOf(*host), file);
  // Cleared here: the machine's own clearing does not reach this deep.
  EXPECT_TRUE(DeleteFileAt(file));
  EXPECT_TRUE(DeleteFileAt(path + "\\copy.bin"));
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(RemoveEmptyDirectory(path)) << path.size();
    path.resize(path.rfind('\\'));
  }
}

TEST(FilesWin32, HostPathsAreAbsoluteUtf8AndComeBackInTheCodePage) {
  TestMachine machine;
  const std::string folder = machine.Path("C:\\Caf\xE9");
  ASSERT_TRUE(MakeDirectory(folder));
  const auto host = HostPathOf(folder + "\\x.dat");
  ASSERT_TRUE(host);
  EXPECT_NE(host->find("Caf\xC3\xA9\\x.dat"), std::string::npos) << *host;  // UTF-8
  EXPECT_EQ(WindowsPathOf(*host), folder + "\\x.dat");
  // Windows paths, in either separator, are already what the program uses.
  for (const char* windows : {"C:\\Games\\x", "c:/games/x", "D:", "\\\\server\\share\\x"})
    EXPECT_EQ(WindowsPathOf(windows), windows);
  // A relative host path is made absolute against the current folder.
  wchar_t saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(win32::Wide(folder).c_str()));
  const std::string relative = WindowsPathOf("sub/caf\xC3\xA9.pkg");
  SetCurrentDirectoryW(saved);
  EXPECT_EQ(relative, folder + "\\sub\\caf\xE9.pkg");
  // A host path outside the code page comes back in its short form, which exists.
  const std::wstring cyrillic = win32::Wide(folder) + L"\\\x0438\x0433\x0440\x0430";
  ASSERT_TRUE(CreateDirectoryW(cyrillic.c_str(), nullptr));
  const std::string shortForm = WindowsPathOf(*HostPathOf(folder) + "\\\xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0");
  EXPECT_EQ(shortForm.find('?'), std::string::npos) << shortForm;
  EXPECT_TRUE(DirectoryExists(shortForm)) << shortForm;
}

TEST(FilesWin32, TheTemporaryFolderIsMadeWithEveryMissingLevel) {
  TestMachine machine;
  const std::string wanted = machine.Path("C:\\Profile\\Local\\Temp");
  wchar_t savedTmp[MAX_PATH] = L"", savedTemp[MAX_PATH] = L"";
  const bool hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH) > 0;
  const bool hadTemp = GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH) > 0;
  SetEnvironmentVariableW(L"TMP", win32::Wide(wanted + "\\").c_str());
  SetEnvironmentVariableW(L"TEMP", win32::Wide(wanted + "\\").c_str());
  const std::string folder = TempFolder();
  SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", hadTemp ? savedTemp : nullptr);
  EXPECT_EQ(folder, wanted);  // without the trailing backslash
  EXPECT_TRUE(DirectoryExists(wanted));
  const std::string own = OwnExecutablePath();
  EXPECT_TRUE(FileExists(own)) << own;
  EXPECT_TRUE(MarkExecutable(own));
  EXPECT_FALSE(MarkExecutable(wanted));  // a folder is no program
}

TEST(DrivesWin32, DrivesAreTheSystemsAndQueriesAskNothing) {
  const std::string temp = TempFolder();
  const std::string root = temp.substr(0, 3);  // "C:\"
  const std::vector<std::string> roots = LogicalDriveRoots();
  ASSERT_FALSE(roots.empty());
  EXPECT_NE(std::find(roots.begin(), roots.end(), AsciiUpper(root)), roots.end()) << root;
  for (size_t i = 1; i < roots.size(); ++i) EXPECT_LT(roots[i - 1], roots[i]);
  EXPECT_EQ(DriveTypeOf(root), DriveType::Fixed);
  EXPECT_EQ(DriveTypeOf(root.substr(0, 2)), DriveType::Fixed);
  for (const char* notARoot : {"", "C", "1:\\", "CC:\\", "C:x"})
    EXPECT_EQ(DriveTypeOf(notARoot), DriveType::NoRootDirectory) << notARoot;
  // The error mode the program set is the one it has afterwards.
  const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  const int64_t free = FreeBytesOnDrive(AsciiUpper(root)[0] - 'A' + 1);
  EXPECT_EQ(SetErrorMode(before), UINT(SEM_NOGPFAULTERRORBOX));
  EXPECT_GT(free, 0);
  EXPECT_EQ(FreeBytesOnDrive(0), -1);
  EXPECT_EQ(FreeBytesOnDrive(27), -1);
  EXPECT_NE(VolumeSerialNumber(root), 0u);
  EXPECT_EQ(VolumeSerialNumber("no root"), 0u);
  for (char letter = 'Z'; letter >= 'D'; --letter) {
    const std::string missing = std::string(1, letter) + ":\\";
    if (std::find(roots.begin(), roots.end(), missing) != roots.end()) continue;
    EXPECT_EQ(DriveTypeOf(missing), DriveType::NoRootDirectory);
    EXPECT_EQ(FreeBytesOnDrive(letter - 'A' + 1), -1);
    break;
  }
}

}  // namespace
}  // namespace platform
