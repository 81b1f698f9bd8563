#include <gtest/gtest.h>

#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"

namespace {

class SetupVariablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupVariables() = TSetupVariables();
    SetupInfoFile() = TSetupInfoFile();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(SetupVariablesTest, ExpandsPathVariables) {
  InstallDir() = "C:\\Games\\X\\";
  SetupVariables().ProgramFilesDir = "C:\\Program Files\\";
  SetupVariables().StartMenuProgramsDir = "C:\\users\\me\\Start Menu\\Programs\\";
  SetupVariables().CDDrive = "E:\\";
  struct Case {
    std::u16string text, expanded;
  } cases[] = {
      {u"$instdir\\readme.txt", u"C:\\Games\\X\\readme.txt"},
      {u"$INSTDIRreadme.txt", u"C:\\Games\\X\\readme.txt"},
      {u"$INSTALLDIR\\a", u"C:\\Games\\X\\a"},
      {u"$PROGRAMFILES\\Demo", u"C:\\Program Files\\Demo"},
      {u"$SMPROGRAMS\\Demo\\x.lnk", u"C:\\users\\me\\Start Menu\\Programs\\Demo\\x.lnk"},
      {u"$CDDRIVE\\setup", u"E:\\setup"},
      {u"$LANGUAGESELECTION", u"English"},
      {u"$UNKNOWN\\x", u"$UNKNOWN\\x"},
      {u"\\\\server\\share\\\\\\x", u"\\server\\share\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandVariables(c.text), c.expanded);
  EXPECT_EQ(ExpandVariables(std::string("$INSTDIR\\caf\xE9")), "C:\\Games\\X\\caf\xE9");
}

TEST_F(SetupVariablesTest, CollapsesTheInstallDirectoryFirst) {
  SetupVariables().ProgramFilesDir = "C:\\Program Files\\";
  SetupVariables().StartMenuProgramsDir = "C:\\Start\\Programs\\";
  struct Case {
    std::string installDir, path, collapsed;
  } cases[] = {
      {"C:\\Games\\Demo\\", "C:\\Games\\Demo\\bin\\x.dll", "$INSTDIRbin\\x.dll"},
      {"C:\\Program Files\\Demo\\", "c:\\program files\\demo\\a.txt", "$INSTDIRa.txt"},
      {"C:\\Program Files\\Demo\\", "C:\\Program Files\\Other\\a", "$PROGRAMFILESOther\\a"},
      {"", "C:\\Start\\Programs\\Demo.lnk", "$SMPROGRAMSDemo.lnk"},
      {"", "D:\\elsewhere", "D:\\elsewhere"},
  };
  for (const auto& c : cases) {
    InstallDir() = c.installDir;
    EXPECT_EQ(CollapseVariables(c.path), c.collapsed) << c.path;
  }
}

TEST(TextHelpers, SmallHelpers) {
  EXPECT_EQ(IncludeBackslash(""), "");
  EXPECT_EQ(IncludeBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(SplitNameValue("a=b=c"), (std::pair<std::string, std::string>{"a", "b=c"}));
  EXPECT_EQ(SplitNameValue("abc"), (std::pair<std::string, std::string>{"", "abc"}));
  EXPECT_EQ(SplitNameValue("=v"), (std::pair<std::string, std::string>{"", "v"}));
  EXPECT_EQ(ExtractFileDir("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(ExtractFileDir("C:\\b.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("b.txt"), "");
  EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
}

TEST(TextHelpers, ToIntOrMinusOne) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {{"12", 12},
               {"", -1},
               {"a", -1},
               {"-7", -7},
               {"+3", 3},
               {"1 ", -1},
               {"2147483647", 2147483647},
               {"2147483648", -1},
               {"-2147483648", INT32_MIN},
               {"99999999999", -1}};
  for (const auto& c : cases) EXPECT_EQ(ToIntOrMinusOne(c.text), c.value) << c.text;
}

TEST(RegistryRoots, NamesAndCodes) {
  struct Case {
    const char* name;
    int code;
  } cases[] = {{"HKLM", 0},
               {"hkcu", 1},
               {"HkCr", 2},
               {"HKU", 3},
               {"HKCC", 4},
               {"HKEY_LOCAL_MACHINE", 0},
               {"HKEY_CURRENT_USER", 0},
               {"", 0}};
  for (const auto& c : cases) EXPECT_EQ(RootCodeFromName(c.name), c.code) << c.name;
  EXPECT_EQ(RootLongName(0), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootLongName(4), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(RootLongName(7), "!ERROR!");
  EXPECT_EQ(RootLongName(-1), "!ERROR!");
  EXPECT_EQ(RootShortName(3), "HKU");
  EXPECT_EQ(RootKeyFromCode(1), platform::RegistryRoot::CurrentUser);
  EXPECT_EQ(RootKeyFromCode(5), platform::RegistryRoot::None);
}

}  // namespace
