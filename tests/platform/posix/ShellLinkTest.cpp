#include "platform/ShellLink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Files.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

// Reads the little-endian fields of a link file, failing the test instead of reading
// past the end.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint32_t U16() { return Take(2); }
  uint32_t U32() { return Take(4); }
  uint64_t U64() {
    const uint64_t low = Take(4);
    return low | (uint64_t(Take(4)) << 32);
  }
  std::string Ansi() {
    std::string text;
    while (pos_ < bytes_.size() && bytes_[pos_]) text += static_cast<char>(bytes_[pos_++]);
    ++pos_;
    return text;
  }
  std::u16string Counted() {
    std::u16string text(U16(), u'\0');
    for (auto& c : text) c = static_cast<char16_t>(U16());
    return text;
  }
  size_t Position() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }

 private:
  uint32_t Take(int count) {
    uint32_t value = 0;
    for (int k = 0; k < count; ++k) {
      if (pos_ >= bytes_.size()) {
        ADD_FAILURE() << "read past the end at " << pos_;
        return value;
      }
      value |= uint32_t(bytes_[pos_++]) << (8 * k);
    }
    return value;
  }
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

constexpr uint64_t kFileTimeOf1970 = 116444736000000000ull;

TEST(ShellLink, EveryFieldIsWhereTheFormatPutsIt) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\Games") && MakeDirectory("C:\\Games\\Demo"));
  ASSERT_TRUE(WriteFileBytes("C:\\Games\\Demo\\demo.exe", "MZ-1234", 7));
  const auto writeTime =
      fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1'600'000'000)));
  fs::last_write_time(prefix.DriveC() / "Games/Demo/demo.exe", writeTime);
  std::ofstream(prefix.DriveC() / ".windows-serial") << "1234abcd\n";

  ShellLink link;
  link.target = "C:\\Games\\Demo\\demo.exe";
  link.arguments = "-mod \"x y\"";
  link.workingDirectory = "C:\\Games\\Demo";
  link.showCommand = 3;
  link.iconPath = "C:\\Games\\Demo\\demo.ico";
  link.iconIndex = -2;
  const std::vector<uint8_t> bytes = BuildShellLink(link, "C:\\Games\\Demo\\Demo.lnk");
  Reader in(bytes);
  EXPECT_EQ(in.U32(), 0x4Cu);
  const uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_TRUE(std::equal(clsid, clsid + 16, bytes.begin() + 4));
  in.Seek(20);
  EXPECT_EQ(in.U32(), 0xFAu);  // LinkInfo, relative path, dir, arguments, icon, Unicode
  EXPECT_EQ(in.U32(), 0x20u);  // archive
  in.U64();                    // creation time: whatever the file system keeps
  in.U64();                    // access time
  EXPECT_EQ(in.U64(), kFileTimeOf1970 + 1'600'000'000ull * 10'000'000);
  EXPECT_EQ(in.U32(), 7u);
  EXPECT_EQ(in.U32(), 0xFFFFFFFEu);  // icon index -2
  EXPECT_EQ(in.U32(), 3u);
  EXPECT_EQ(in.U16(), 0u);
  EXPECT_EQ(in.U16(), 0u);
  EXPECT_EQ(in.U32(), 0u);
  EXPECT_EQ(in.U32(), 0u);
  ASSERT_EQ(in.Position(), 76u);

  const size_t info = in.Position();
  const uint32_t infoSize = in.U32();
  EXPECT_EQ(in.U32(), 0x1Cu);  // header size
  EXPECT_EQ(in.U32(), 1u);     // volume id and local base path
  EXPECT_EQ(in.U32(), 0x1Cu);  // volume id offset
  const uint32_t basePath = in.U32();
  EXPECT_EQ(in.U32(), 0u);  // no network share
  const uint32_t suffix = in.U32();
  EXPECT_EQ(in.U32(), 0x11u);  // volume id size
  EXPECT_EQ(in.U32(), 3u);     // fixed drive
  EXPECT_EQ(in.U32(), 0x1234ABCDu);
  EXPECT_EQ(in.U32(), 0x10u);  // label offset
  EXPECT_EQ(in.Ansi(), "");
  EXPECT_EQ(in.Position(), info + basePath);
  EXPECT_EQ(in.Ansi(), "C:\\Games\\Demo\\demo.exe");
  EXPECT_EQ(in.Position(), info + suffix);
  EXPECT_EQ(in.Ansi(), "");
  EXPECT_EQ(in.Position(), info + infoSize);

  EXPECT_EQ(in.Counted(), u".\\demo.exe");
  EXPECT_EQ(in.Counted(), u"C:\\Games\\Demo");
  EXPECT_EQ(in.Counted(), u"-mod \"x y\"");
  EXPECT_EQ(in.Counted(), u"C:\\Games\\Demo\\demo.ico");
  EXPECT_EQ(in.U32(), 0u);  // terminal block
  EXPECT_EQ(in.Position(), bytes.size());
}

TEST(ShellLink, OptionalPartsAreLeftOutAndTheRelativePathFollowsTheLink) {
  TempPrefix prefix;
  const struct {
    const char* target;
    const char* linkPath;
    const char* icon;
    int show;
    uint32_t flags;
    std::u16string relative;
    uint32_t showStored;
  } cases[] = {
      {"C:\\Games\\x.exe", "C:\\Links\\Sub\\x.lnk", "", 1, 0x8A, u"..\\..\\Games\\x.exe", 1},
      {"C:\\Games\\x.exe", "C:\\Games\\Deeper\\x.lnk", "", 7, 0x8A, u"..\\x.exe", 7},
      {"C:\\Games\\x.exe", "c:\\GAMES\\x.lnk", "C:\\x.ico", 1, 0xCA, u".\\x.exe", 1},
      {"C:\\Games\\x.exe", "D:\\x.lnk", "", 5, 0x82, u"", 1},
      {"C:\\Games\\x.exe", "", "", 0, 0x82, u"", 1},
      {"C:\\Games\\x.exe", "C:\\", "", 1, 0x82, u"", 1},  // a root names no link file
      {"notepad.exe", "C:\\x.lnk", "", 1, 0x88, u"notepad.exe", 1},
  };
  for (const auto& test : cases) {
    ShellLink link;
    link.target = test.target;
    link.iconPath = test.icon;
    link.showCommand = test.show;
    const auto bytes = BuildShellLink(link, test.linkPath);
    Reader in(bytes);
    in.Seek(20);
    EXPECT_EQ(in.U32(), test.flags) << test.linkPath;
    EXPECT_EQ(in.U32(), 0u) << "a missing target has no attributes";
    EXPECT_EQ(in.U64() + in.U64() + in.U64(), 0u);
    in.Seek(60);
    EXPECT_EQ(in.U32(), test.showStored) << test.show;
    in.Seek(76);
    if (test.flags & 0x02) in.Seek(76 + in.U32());
    if (test.flags & 0x08) {
      EXPECT_EQ(in.Counted(), test.relative) << test.linkPath;
    }
    if (test.flags & 0x40) {
      EXPECT_EQ(in.Counted(), u"C:\\x.ico");
    }
    EXPECT_EQ(in.U32(), 0u);
    EXPECT_EQ(in.Position(), bytes.size()) << test.linkPath;
  }
}

std::map<std::string, std::string> LnkInfo(const fs::path& file) {
  std::map<std::string, std::string> fields;
  std::FILE* pipe = popen(("lnkinfo '" + file.string() + "' 2>&1").c_str(), "r");
  if (!pipe) return fields;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text = line;
    const size_t colon = text.find(':');
    if (colon == std::string::npos) continue;
    auto trim = [](std::string s) {
      const size_t first = s.find_first_not_of(" \t");
      const size_t last = s.find_last_not_of(" \t\r\n");
      return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
    };
    fields[trim(text.substr(0, colon))] = trim(text.substr(colon + 1));
  }
  pclose(pipe);
  return fields;
}

TEST(ShellLink, LnkinfoReadsBackTargetArgumentsFolderAndIcon) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\Games") && MakeDirectory("C:\\Games\\D\xE9mo"));
  ASSERT_TRUE(WriteFileBytes("C:\\Games\\D\xE9mo\\demo.exe", "MZ", 2));
  ASSERT_TRUE(MakeDirectory("C:\\Start Menu"));
  ShellLink link;
  link.target = "C:\\Games\\D\xE9mo\\demo.exe";
  link.arguments = "-lang caf\xE9 \"%1\"";
  link.workingDirectory = "C:\\Games\\D\xE9mo";
  link.iconPath = "C:\\Games\\D\xE9mo\\demo.ico";
  ASSERT_TRUE(WriteShellLink("C:\\Start Menu\\Demo.lnk", link));
  const auto fields = LnkInfo(prefix.DriveC() / "Start Menu/Demo.lnk");
  ASSERT_TRUE(fields.count("Local path")) << "lnkinfo (liblnk-utils) did not read the link";
  EXPECT_EQ(fields.at("Local path"), "C:\\Games\\D\xC3\xA9mo\\demo.exe");
  EXPECT_EQ(fields.at("Relative path"), "..\\Games\\D\xC3\xA9mo\\demo.exe");
  EXPECT_EQ(fields.at("Working directory"), "C:\\Games\\D\xC3\xA9mo");
  EXPECT_EQ(fields.at("Command line arguments"), "-lang caf\xC3\xA9 \"%1\"");
  EXPECT_EQ(fields.at("Icon location"), "C:\\Games\\D\xC3\xA9mo\\demo.ico");
  EXPECT_EQ(fields.at("Drive type"), "Fixed (3)");
  EXPECT_EQ(fields.at("File size"), "2 bytes");
  // Writing again replaces the link.
  link.arguments = "-again";
  ASSERT_TRUE(WriteShellLink("C:\\start menu\\demo.LNK", link));
  EXPECT_EQ(LnkInfo(prefix.DriveC() / "Start Menu/Demo.lnk").at("Command line arguments"), "-again");
  EXPECT_FALSE(WriteShellLink("C:\\No Folder\\Demo.lnk", link));
}

}  // namespace
}  // namespace platform
