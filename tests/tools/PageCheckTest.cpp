// setuptool check and mksetup --check: each problem planted in a small package of its
// own is found and named exactly (severity, language, page, control, what); a clean
// package, the demo add-on and the standard page folders give nothing at all. The
// command starts its own offscreen display to measure captions with the view's font.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "script/ZTI_SetupInfo.h"
#include "support/HostFiles.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

using TEntries = std::map<std::string, std::string>;

std::string Crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string Table(const std::u16string& text) {
  const std::vector<uint8_t> bytes = LanguageEntry(text);
  return std::string(bytes.begin(), bytes.end());
}

std::u16string Texts(const std::u16string& name, const std::u16string& ids, const std::u16string& one) {
  return name + u"\r\n" + ids + u"\r\n1 " + one +
         u"\r\n5 Ready\r\n9 Status:\r\n11 Done.\r\n12 < Back\r\n13 Next >\r\n14 Cancel\r\n15 Install\r\n"
         u"16 Finish\r\n26 Removal\r\n27 Quit?\r\n28 Quit\r\n";
}

// A 24-bit BMP of one grey colour.
std::string Bmp(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, static_cast<uint32_t>(54 + row * height));
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  out.resize(out.size() + static_cast<size_t>(row) * height, 0x80);
  return std::string(out.begin(), out.end());
}

// Four pages and the background, English and Czech, every text each one uses.
TEntries CleanPackage() {
  TSetupInfoFile info;
  info.Info.SetupName = info.Info.ShortName = "Check";
  info.Info.InstallDir = "C:\\Check";
  const std::vector<uint8_t> setupInfo = info.SaveToBytes();
  return {
      {"SetupInfo", std::string(setupInfo.begin(), setupInfo.end())},
      {"Pages.txt", Crlf("[Pages]\nwelcome.txt\nready.txt\nprogress.txt\nfinish.txt\nback.txt\n"
                         "[PageTypes]\nWelcome\nPatch\nPatching\nFinish\nMainLayout\n")},
      {"welcome.txt", Crlf("[Title]\nType=TLabel\nAutoSize=false\nLeft=196\nTop=24\nWidth=300\nHeight=20\n"
                           "Caption=<LANG1>\n")},
      {"ready.txt",
       Crlf("[ReadyText]\nType=TLabel\nAutoSize=false\nWordWrap=true\nLeft=196\nTop=24\nWidth=300\n"
            "Height=40\nCaption=<LANG5>\n")},
      {"progress.txt",
       Crlf("[patching_statuslabel]\nType=TLabel\nAutoSize=false\nLeft=196\nTop=80\nWidth=300\n"
            "Height=20\nCaption=<LANG9>\n[patching_progressbar]\nType=TProgressBar\nLeft=196\n"
            "Top=118\nWidth=300\nHeight=22\n")},
      {"finish.txt",
       Crlf("[finishtext]\nType=TLabel\nAutoSize=false\nLeft=196\nTop=24\nWidth=300\nHeight=20\n"
            "Caption=<LANG11>\n")},
      {"back.txt", Crlf("[Side]\nType=TImage\nLeft=0\nTop=0\nWidth=176\nHeight=376\nFile=Side.bmp\n")},
      {"Side.bmp", Bmp(4, 4)},
      {"LANGUAGE-english", Table(Texts(u"English", u"0409;", u"Welcome"))},
      {"LANGUAGE-czech", Table(Texts(u"Čeština", u"0405;", u"Vítejte"))},
  };
}

fs::path WritePackage(const fs::path& dir, const TEntries& entries) {
  std::vector<HandEntry> hand;
  for (const auto& [name, content] : entries) hand.push_back(StoredEntry(name, content, 0));
  const std::vector<uint8_t> bytes = BuildPackage(hand);
  const fs::path file = dir / "check.pak";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return file;
}

void Append(TEntries& e, const std::string& name, const std::string& text) { e[name] += Crlf(text); }

struct PlantedCase {
  const char* problem;
  std::function<void(TEntries&)> plant;
  int status;
  std::string record;  // a line of the output begins with it
};

TEST(PageCheck, EachPlantedProblemIsFoundAndNamed) {
  TempPrefix prefix;
  const PlantedCase cases[] = {
      {"a caption too long for its label in one language",
       [](TEntries& e) {
         e["LANGUAGE-czech"] =
             Table(Texts(u"Čeština", u"0405;",
                         u"Vítejte v instalaci velmi dlouhého názvu doplňku, který se do štítku nevejde"));
       },
       1, "error\t0405\t00-welcome\tTitle\tthe caption needs "},
      {"a label sizing itself past the window's edge",
       [](TEntries& e) {
         Append(e, "welcome.txt", "[Wide]\nType=TLabel\nLeft=540\nTop=300\nCaption=<LANG1>\n");
       },
       1, "error\t0409\t00-welcome\tWide\tthe caption runs outside the window: it takes 540, 300 to "},
      {"a button caption too long in one language",
       [](TEntries& e) {
         std::u16string czech = Texts(u"Čeština", u"0405;", u"Vítejte");
         czech.replace(czech.find(u"13 Next >"), 9, u"13 Pokračovat k dalšímu kroku >");
         e["LANGUAGE-czech"] = Table(czech);
       },
       1, "error\t0405\t-\tNextButton\tthe caption needs "},
      {"a text number one table lacks",
       [](TEntries& e) {
         std::u16string czech = Texts(u"Čeština", u"0405;", u"Vítejte");
         czech.erase(czech.find(u"5 Ready\r\n"), 9);
         e["LANGUAGE-czech"] = Table(czech);
       },
       1,
       "error\t0405\t01-patch\tReadyText\ttext 5 is missing from LANGUAGE-czech: it shows \"NOT FOUND 5\""},
      {"a text number reached through another text",
       [](TEntries& e) { e["LANGUAGE-english"] = Table(Texts(u"English", u"0409;", u"Hi <LANG77>")); }, 1,
       "error\t0409\t00-welcome\tTitle\ttext 77 is missing from LANGUAGE-english: it shows \"NOT FOUND 77\""},
      {"a picture named but not packed", [](TEntries& e) { e.erase("Side.bmp"); }, 1,
       "error\t-\t04-mainlayout\tSide\tthe picture Side.bmp is missing"},
      {"a picture too large to load", [](TEntries& e) { e["Side.bmp"] = Bmp(5000, 1); }, 1,
       "error\t-\t04-mainlayout\tSide\tthe picture Side.bmp cannot be loaded (not a JPEG, PNG, BMP or GIF "
       "the view "
       "reads, or over 4096 pixels a side)"},
      {"a layout named but not packed", [](TEntries& e) { e.erase("ready.txt"); }, 1,
       "error\t-\t01-patch\t-\tthe layout ready.txt is missing"},
      {"a rich edit's file named but not packed",
       [](TEntries& e) {
         Append(e, "welcome.txt", "[Notes]\nType=TRichEdit\nLeft=196\nTop=60\nFile=notes.rtf\n");
       },
       1, "error\t-\t00-welcome\tNotes\tthe text file notes.rtf is missing"},
      {"two controls of one page with one name",
       [](TEntries& e) { Append(e, "welcome.txt", "[TITLE]\nType=TBevel\n"); }, 1,
       "error\t-\t00-welcome\tTITLE\tanother control of this page has the same name"},
      {"a name taken on another page", [](TEntries& e) { Append(e, "finish.txt", "[Title]\nType=TBevel\n"); },
       1, "error\t-\t03-finish\tTitle\tanother control of page 00-welcome has the same name"},
      {"a progress page without its gauge",
       [](TEntries& e) {
         std::string& p = e["progress.txt"];
         p.erase(p.find("[patching_progressbar]"));
       },
       1,
       "error\t-\t02-patching\tpatching_progressbar\tthe page has no patching_progressbar (the progress "
       "gauge)"},
      {"a finish page without its text", [](TEntries& e) { e["finish.txt"] = Crlf("[Done]\nType=TBevel\n"); },
       0, "warning\t-\t03-finish\tfinishtext\tthe page has no finishtext (the finish text)"},
      {"two tables claiming one language",
       [](TEntries& e) { e["LANGUAGE-czech"] = Table(Texts(u"Čeština", u"0405;0409;", u"Vítejte")); }, 0,
       "warning\t0409\t-\t-\tthe language tables LANGUAGE-czech and LANGUAGE-english both list 0409: a "
       "system of "
       "that language always gets the first"},
      {"a table that cannot be read",
       [](TEntries& e) { e["LANGUAGE-czech"] = Table(u"Čeština\r\nzz;\r\n1 Vítejte\r\n"); }, 1,
       "error\t-\t-\t-\tthe language table LANGUAGE-czech cannot be read: "},
      {"an uninstaller's layout named but not packed",
       [](TEntries& e) {
         e["UNINSTALL_Pages.txt"] = Crlf("[Pages]\ngone.txt\n[PageTypes]\nWelcome\n");
         e["UNINSTALL_LANGUAGE-english"] = Table(Texts(u"English", u"0409;", u"Remove"));
       },
       1, "error\t-\t05-welcome\t-\tthe layout UNINSTALL_gone.txt is missing"},
  };
  TempDir clean;
  const ProgramResult none =
      RunProgram("setuptool", {"check", WritePackage(clean.Path(), CleanPackage()).string()});
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "");
  const fs::path text = clean.Path() / "notes.txt";
  std::ofstream(text) << "no package here\n";
  for (const char* command : {"check", "preview"}) {
    std::vector<std::string> args{command, text.string()};
    if (std::string(command) == "preview") args.push_back((clean.Path() / "out").string());
    const ProgramResult other = RunProgram("setuptool", args);
    EXPECT_EQ(other.status, 2) << command;
    EXPECT_EQ(other.err, "not a setup package: " + text.string() + "\n") << command;
  }
  for (const PlantedCase& c : cases) {
    TempDir dir;
    TEntries entries = CleanPackage();
    c.plant(entries);
    const ProgramResult r = RunProgram("setuptool", {"check", WritePackage(dir.Path(), entries).string()});
    EXPECT_EQ(r.status, c.status) << c.problem << "\n" << r.out << r.err;
    bool found = false;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) found = found || line.rfind(c.record, 0) == 0;
    EXPECT_TRUE(found) << c.problem << ": no record begins with\n" << c.record << "\nin\n" << r.out;
  }
}

// The demo add-on with the standard pages, and again with the full page folder (its
// language and directory pages): nothing to report, in any of the three languages.
TEST(PageCheck, TheDemoAndTheStandardPagesAreClean) {
  TempPrefix prefix;
  TempDir dir;
  const fs::path demo = fs::path(SE_SOURCE_DIR) / "examples" / "demo";
  std::string script = ReadHostFile(demo / "demo.setup");
  for (const char* pages : {"standard", "full"}) {
    const std::string marker = "pages standard";
    std::string variant = script;
    variant.replace(variant.find(marker), marker.size(), std::string("pages ") + pages);
    const fs::path file = dir.Path() / (std::string(pages) + ".setup");
    std::ofstream(file, std::ios::binary) << variant;
    const ProgramResult made =
        RunProgram("mksetup", {file.string(), "--base", demo.string(), "--package-only", "-o",
                               (dir.Path() / (std::string(pages) + ".pak")).string(), "--check"});
    EXPECT_EQ(made.status, 0) << pages << "\n" << made.out << made.err;
    EXPECT_EQ(made.out.find('\t'), std::string::npos) << pages << ": " << made.out;
  }
}

TEST(PageCheck, MksetupFailsOnAnErrorItFinds) {
  TempPrefix prefix;
  TempDir dir;
  const fs::path data = dir.Path() / "data";
  fs::copy(fs::path(SE_SOURCE_DIR) / "data", data, fs::copy_options::recursive);
  // The standard progress page without its gauge.
  const fs::path progress = data / "layout" / "standard" / "layout4.txt";
  std::string layout = ReadHostFile(progress);
  layout.erase(layout.find("[patching_progressbar]"));
  std::ofstream(progress, std::ios::binary) << layout;
  const fs::path demo = fs::path(SE_SOURCE_DIR) / "examples" / "demo";
  const fs::path output = dir.Path() / "demo.pak";
  const ProgramResult made =
      RunProgram("mksetup", {(demo / "demo.setup").string(), "--base", demo.string(), "--data", data.string(),
                             "--package-only", "-o", output.string(), "--check"});
  EXPECT_EQ(made.status, 1) << made.out << made.err;
  EXPECT_NE(made.out.find("error\t-\t02-patching\tpatching_progressbar\t"), std::string::npos) << made.out;
  EXPECT_NE(made.err.find(output.string() + ": the check found errors"), std::string::npos) << made.err;
}

}  // namespace
