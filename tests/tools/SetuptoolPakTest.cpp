// setuptool's package, information, log and language commands, run as a user runs
// them: on files in a temporary folder, reading their output.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/SE_Uninstall_List.h"
#include "script/ZTI_SetupInfo.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class Setuptool : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir.Path() / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
  }
  std::string Write(const std::string& name, const std::string& text) {
    return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  static std::vector<uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
  }
  static ProgramResult Tool(const std::vector<std::string>& args) { return RunProgram("setuptool", args); }
  static std::string Hex(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
  }

  TempPrefix prefix;
  TempDir dir;
};

TEST_F(Setuptool, ACreatedPackageListsVerifiesAndExtractsToIdenticalFiles) {
  std::mt19937 rng(7);
  std::vector<uint8_t> noise(200000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  const std::string stub = Write("stub.exe", std::string(3000, 'S'));
  const std::string readme = Write("in/readme.txt", std::string("read me\r\n"));
  const std::string empty = Write("in/empty.txt", std::string());
  const std::string data = Write("in/noise.bin", noise);
  const std::string out = (dir.Path() / "setup.exe").string();
  ProgramResult r = Tool({"pak", "create", out, "--stub", stub, "--entry", "readme.txt", readme, "1",
                          "--entry", "data\\noise.bin", data, "1", "--entry", "empty.txt", empty, "2"});
  ASSERT_EQ(r.status, 0) << r.err;

  r = Tool({"pak", "list", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected = "0\treadme.txt\t1\t9\t0\t" + Hex(crc32(0, (const Bytef*)"read me\r\n", 9)) +
                               "\t3000\tstored\t-\n"
                               "1\tdata\\noise.bin\t1\t200000\t0\t" +
                               Hex(crc32(0, noise.data(), noise.size())) +
                               "\t3009\tstored\t-\n"
                               "2\tempty.txt\t2\t0\t0\t00000000\t203009\tstored\t-\n";
  EXPECT_EQ(r.out, expected);

  r = Tool({"pak", "verify", out});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "ok\t3\n");

  const fs::path target = dir.Path() / "extracted";
  r = Tool({"pak", "extract", out, target.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "readme.txt\ndata\\noise.bin\nempty.txt\n");
  EXPECT_EQ(Read(target / "readme.txt"), Read(readme));
  EXPECT_EQ(Read(target / "data" / "noise.bin"), noise);
  EXPECT_TRUE(fs::exists(target / "empty.txt"));
  EXPECT_EQ(fs::file_size(target / "empty.txt"), 0u);
  const auto whole = Read(out);
  EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 3000, std::string(3000, 'S').begin()));

  const fs::path group2 = dir.Path() / "group2";
  r = Tool({"pak", "extract", out, group2.string(), "--group", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(group2 / "empty.txt"));
  EXPECT_FALSE(fs::exists(group2 / "readme.txt"));
}

TEST_F(Setuptool, AStandalonePackageStartsAtZero) {
  const std::string readme = Write("readme.txt", std::string("x"));
  const std::string out = (dir.Path() / "data.pak").string();
  ASSERT_EQ(Tool({"pak", "create", out, "--entry", "readme.txt", readme, "0"}).status, 0);
  const auto bytes = Read(out);
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_EQ(bytes[bytes.size() - 8], 0);  // PakStart
  EXPECT_EQ(Tool({"pak", "list", out}).out.substr(0, 13), "0\treadme.txt\t");
}

TEST_F(Setuptool, BadInputAndBadUsage) {
  const std::string plain = Write("plain.txt", std::string("no package here, just text"));
  ProgramResult r = Tool({"pak", "list", plain});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "not a setup package: " + plain + "\n");
  r = Tool({"info", (dir.Path() / "missing.exe").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.exe"), std::string::npos);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"pak"},
                                               {"pak", "frobnicate", plain},
                                               {"pak", "list"},
                                               {"pak", "extract", plain, "d", "--group", "x"},
                                               {"pak", "create", "o", "--entry", "a", "b"},
                                               {"log", "show"},
                                               {"lang", "list", plain}})
    EXPECT_EQ(Tool(args).status, 2) << args[0];
  r = Tool({"pak", "create", (dir.Path() / "o").string(), "--entry", "..\\x.dll", plain, "1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("..\\x.dll"), std::string::npos);
}

TEST_F(Setuptool, VerifyNamesEveryFailingEntry) {
  HandEntry badCrc = StoredEntry("bad crc", "content", 1);
  badCrc.crcOverride = true;
  badCrc.crc = 1;
  HandEntry badLength = CompressedEntry("bad length", std::string(100, 'x'), 1);
  badLength.origSize = 99;
  const std::string pkg =
      Write("broken.exe", BuildPackage({StoredEntry("fine", "ok", 0), badCrc, StoredEntry("empty", "", 0),
                                        badLength, StoredEntry("..\\..\\evil.dll", "x", 1)}));
  ProgramResult r = Tool({"pak", "verify", pkg});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "FAIL\t1\tbad crc\tchecksum mismatch\n"
            "FAIL\t3\tbad length\tinflated length 100 differs from OrigSize 99\n"
            "FAIL\t4\t..\\..\\evil.dll\tunsafe name: it would be written outside the target directory\n");

  const fs::path target = dir.Path() / "out";
  r = Tool({"pak", "extract", pkg, target.string(), "--group", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("..\\..\\evil.dll"), std::string::npos);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_FALSE(fs::exists(dir.Path().parent_path() / "evil.dll"));

  const std::string truncated = Write("truncated.exe", BuildPackage({StoredEntry("a", "1", 1)}, {}, 2));
  r = Tool({"pak", "verify", truncated});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "FAIL\t1\t\tmissing from the entry table\n");
}

TEST_F(Setuptool, InfoPrintsTheDebugListing) {
  TSetupInfoFile record;
  record.Info.SetupName = "Demo 1.0";
  record.Info.SetupExeName = "setup.exe";
  record.Info.InstallDir = "$PROGRAMFILES\\Demo\\";
  record.Info.InstallDirRegKey = {1, "Software\\Demo\\", "Path"};
  record.Info.Changelog = "Caf\xE9";
  const auto recordBytes = record.SaveToBytes();
  const std::string pkg =
      Write("setup.exe",
            BuildPackage({StoredEntry("SetupInfo", std::string(recordBytes.begin(), recordBytes.end()), 0),
                          StoredEntry("maps\\a.map", "m", 2)}));
  ProgramResult r = Tool({"info", pkg});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Header\n"
            "ID: ZTPF\n"
            "Version: 1\n"
            "File Count: 2\n"
            "\n"
            "Files:\n"
            "\"SetupInfo\" Group: 0\n"
            "\"maps\\a.map\" Group: 2\n"
            "\n"
            "SetupInfo:\n"
            "SetupName: Demo 1.0\n"
            "SetupExeName: setup.exe\n"
            "InstallDir: $PROGRAMFILES\\Demo\\\n"
            "InstallDirRegKey.HKEY: HKEY_CURRENT_USER\n"
            "InstallDirRegKey.Path: Software\\Demo\\\n"
            "InstallDirRegKey.Key: Path\n"
            "Changelog: Caf\xC3\xA9\n");
  const std::string noInfo = Write("noinfo.exe", BuildPackage({StoredEntry("x", "y", 1)}));
  r = Tool({"info", noInfo});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("InstallDirRegKey.HKEY: HKEY_LOCAL_MACHINE\n"), std::string::npos);
  EXPECT_NE(r.err.find("SetupInfo"), std::string::npos);
}

TEST_F(Setuptool, LogShowDecodesEveryItemInStoredOrder) {
  TInstallLogLists lists;
  lists.Files = {"$INSTDIRreadme.txt", "$SMPROGRAMSDemo\\Play.lnk"};
  lists.RegistryEntries = {"\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\Demo\""};
  lists.Directories = {"C:\\Demo\\", "C:\\Demo\\caf\xE9"};
  const auto bytes = SerializeInstallLog(lists);
  const std::string log = Write("Demo_install.log", bytes);
  ProgramResult r = Tool({"log", "show", log});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "F\t$INSTDIRreadme.txt\n"
            "F\t$SMPROGRAMSDemo\\Play.lnk\n"
            "R\t\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\Demo\"\n"
            "D\tC:\\Demo\\\n"
            "D\tC:\\Demo\\caf\xC3\xA9\n");
  const std::string cut = Write("cut.log", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30));
  r = Tool({"log", "show", cut});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "F\t$INSTDIRreadme.txt\n");
}

TEST_F(Setuptool, LangShowPrintsTheTableAsUtf8) {
  const std::string table =
      Write("czech.wri", LanguageEntry(u"\u010Ce\u0161tina\r\n0405;0c05;\r\n12 < Zp\u011Bt\r\n26 \r\n"));
  ProgramResult r = Tool({"lang", "show", table});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\xC4\x8C"
            "e\xC5\xA1tina\n0405\t0c05\n12\t< Zp\xC4\x9Bt\n26\t\n");
  const std::string bad = Write("bad.wri", LanguageEntry(u"N\r0409\rnot a number\r"));
  r = Tool({"lang", "show", bad});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("line 3"), std::string::npos);
}

}  // namespace
