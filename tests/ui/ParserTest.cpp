// The page list and layout parser: lines and sections, numbers, classes and the keys
// each takes, captions through the pipeline, page kinds and the standard pages.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "lang/ZTI_Language.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"
#include "ui/SE_Parser.h"

using namespace ui_test;

namespace {

// A page panel with the four buttons, and a parser reading entries from a map.
struct PageBench {
  RecordingView view;
  TControl form{TControlKind::Window, "Form", &view};
  TControl& back = form.CreateChild(TControlKind::Button, "Back");
  TControl& next = form.CreateChild(TControlKind::Button, "Next");
  TControl& cancel = form.CreateChild(TControlKind::Button, "Cancel");
  TControl& language = form.CreateChild(TControlKind::BitmapButton, "Language");
  TControl& panel = form.CreateChild(TControlKind::Panel, "Panel");
  std::map<std::string, std::string> entries;
  TSEPageControl pages{
      back, next, cancel, language, panel, [this](const std::string& name) {
        for (const auto& [key, value] : entries)
          if (platform::SameTextAscii(key, name))
            return std::optional<std::vector<uint8_t>>(std::vector<uint8_t>(value.begin(), value.end()));
        return std::optional<std::vector<uint8_t>>();
      }};

  TControl& ParseOne(const std::string& layout) {
    entries["one.txt"] = layout;
    pages.AddPage("one.txt");
    return *pages.Pages.back()->Controls.back();
  }
};

// Message boxes are written down instead of printed.
struct BoxRecorder {
  std::vector<std::string> boxes;
  BoxRecorder() {
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                          platform::MessageButtons, platform::MessageIcon) {
      boxes.push_back(Utf8(caption) + ": " + Utf8(text));
      return platform::MessageResult::Ok;
    });
  }
  ~BoxRecorder() { platform::SetMessageBoxHandler({}); }
};

}  // namespace

TEST(StringList, SplitsAtCarriageReturnsTrimsAndCutsAtNul) {
  const auto lines = SplitTrimmedLines(std::string_view("  [A] \r\n\r\nx=1\r\t y \ry=2\0z=3", 30));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].Text, "[A]");
  EXPECT_EQ(lines[1].Text, "x=1");
  EXPECT_EQ(lines[1].Number, 3);  // the empty line still counts
  EXPECT_EQ(lines[2].Text, "y");
  EXPECT_EQ(lines[3].Text, "y=2");  // the text after the NUL is not read

  // A line feed alone does not end a line: it is trimmed away only at the ends.
  EXPECT_EQ(SplitTrimmedLines("a\nb").front().Text, "a\nb");

  const auto sections = SplitSections(SplitTrimmedLines("before\r[One]\ra\r[Two]\r[]\rb"));
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].Name, "One");
  EXPECT_EQ(sections[0].Lines.Count(), 2);
  EXPECT_EQ(sections[1].Lines.Count(), 1);
  EXPECT_EQ(sections[2].Name, "");
  EXPECT_EQ(sections[2].Lines.Get(1), "b");
  EXPECT_EQ(sections[2].Lines.Get(2), "");  // past the end: empty
  EXPECT_EQ(sections[2].Lines.Get(-1), "");
}

TEST(Parser, LayoutIntegers) {
  const struct {
    const char* text;
    int32_t value;
  } good[] = {{"0", 0},
              {"220", 220},
              {"-5", -5},
              {"+7", 7},
              {"$FF", 255},
              {"$ffffff", 0xFFFFFF},
              {"0x10", 16},
              {"$80000008", static_cast<int32_t>(0x80000008u)},
              {" 12", 12},
              {"2147483647", 2147483647},
              {"-2147483648", INT32_MIN}};
  for (const auto& c : good) EXPECT_EQ(ParseLayoutInteger(c.text), c.value) << c.text;
  for (const char* bad : {"", "12a", "2147483648", "$", "$123456789", "1.5", "12 ", "x"})
    EXPECT_THROW(ParseLayoutInteger(bad), platform::ESetupError) << bad;
  try {
    ParseLayoutInteger("12a");
  } catch (const platform::ESetupError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
}

TEST(Parser, TypeLineIgnoresCaseAndUnknownClassesMakeNothing) {
  PageBench b;
  b.entries["l.txt"] =
      "[A]\rType=TLabel\r[B]\rtype=tlabel\r[C]\rType=TFancy\rLeft=5\r[D]\rKind=TMemo\r[E]\rTMemo";
  b.pages.AddPage("l.txt");
  const auto& controls = b.pages.Pages[0]->Controls;
  ASSERT_EQ(controls.size(), 3u);
  EXPECT_EQ(controls[0]->Kind(), TControlKind::Label);
  EXPECT_EQ(controls[1]->Kind(), TControlKind::Label);
  EXPECT_EQ(controls[2]->Name(), "D");  // only the text after "=" counts
  EXPECT_EQ(controls[2]->Kind(), TControlKind::Memo);
}

TEST(Parser, ASectionWithOnlyHeaderAndTypeHasTheDefaults) {
  PageBench b;
  TControl& label = b.ParseOne("[Plain]\rType=TLabel");
  EXPECT_EQ(label.Left(), 0);
  EXPECT_EQ(label.Width(), 65);
  EXPECT_TRUE(label.AutoSize());
  EXPECT_EQ(label.Font(), TFontSpec());
  EXPECT_EQ(Utf8(label.Caption()), "Plain");  // a named label shows its name
  EXPECT_TRUE(b.pages.Pages[0]->Captions[0].empty());
  TControl& memo = b.ParseOne("[Notes]\rType=TMemo");
  EXPECT_TRUE(memo.Caption().empty());
  EXPECT_TRUE(memo.Border());
}

TEST(Parser, PositionLinesWithBlanksAroundTheEqualsSignAreIgnored) {
  PageBench b;
  TControl& label = b.ParseOne("[L]\rType=TLabel\rLeft = 220\rTop=120\rWIDTH=264\rnonsense");
  EXPECT_EQ(label.Left(), 0);
  EXPECT_EQ(label.Top(), 120);
  EXPECT_EQ(label.Width(), 264);
}

// Every property a control carries, as one text.
std::string Snapshot(TControl& c) {
  std::string s = std::to_string(c.Left()) + "," + std::to_string(c.Top()) + "," + std::to_string(c.Width()) +
                  "," + std::to_string(c.Height()) + "|" + Utf8(c.Caption()) + "|" + c.Font().Face + "," +
                  std::to_string(c.Font().Size) + "," + std::to_string(c.Font().Colour) + "," +
                  std::to_string(c.Font().Bold);
  for (bool flag : {c.Enabled(), c.Visible(), c.AutoSize(), c.WordWrap(), c.Transparent(), c.Checked(),
                    c.Border(), c.Stretch(), c.Center(), c.Tiled()})
    s += flag ? "1" : "0";
  s += "|" + c.PictureName() + (c.Picture() ? "P" : "");
  if (c.RichText()) s += "|" + std::string(c.RichText()->begin(), c.RichText()->end());
  if (c.Gauge())
    s += "|" + std::to_string(c.Gauge()->Color1()) + "," + std::to_string(c.Gauge()->Color2()) + "," +
         std::to_string(c.Gauge()->Backcolor());
  return s;
}

// Which class takes which key: each key is written with two values, and a class takes
// it when the two give different controls.
TEST(Parser, PropertyDispatchPerClass) {
  // The folder tree lists the drives: of a prefix of the test's own, never the machine's.
  testing_support::TempPrefix prefix;
  UseEnglishAndCzech();
  const std::vector<std::string> keys = {
      "left",     "top",        "width",    "height",   "enabled",    "caption",     "text",    "fontface",
      "fontsize", "fontcolour", "fontbold", "autosize", "wordwrap",   "transparent", "checked", "border",
      "stretch",  "center",     "file",     "tile",     "forecolour", "backcolour"};
  auto value = [](const std::string& key, int which) -> std::string {
    static const std::map<std::string, std::pair<std::string, std::string>> values = {
        {"caption", {"One", "Two"}},  {"text", {"One", "Two"}},   {"fontface", {"Arial", "Tahoma"}},
        {"file", {"a.jpg", "b.jpg"}}, {"fontcolour", {"1", "2"}}, {"forecolour", {"1", "2"}},
        {"backcolour", {"1", "2"}},   {"left", {"1", "2"}},       {"top", {"1", "2"}},
        {"width", {"1", "2"}},        {"height", {"1", "2"}},     {"fontsize", {"1", "2"}}};
    const auto it = values.find(key);
    if (it != values.end()) return which ? it->second.second : it->second.first;
    return which ? "true" : "false";
  };
  const std::string generic = "left top width height enabled ";
  const std::string font = "fontface fontsize fontcolour fontbold ";
  const std::map<std::string, std::string> takes = {
      {"TLabel", generic + font + "caption autosize wordwrap transparent"},
      {"TEdit", generic + font + "text autosize"},
      {"TRadio", generic + font + "caption checked"},
      {"TPanel", generic + font + "caption"},
      {"TMemo", generic + font + "text border"},
      {"TRichEdit", generic + font + "text border file"},
      {"TImage", generic + "transparent stretch center file tile"},
      {"TButton", generic},
      {"TBevel", generic},
      {"TShellTreeView", generic},
      {"TProgressBar", generic + "forecolour backcolour"},
  };
  for (const auto& [type, taken] : takes) {
    for (const std::string& key : keys) {
      std::string shot[2];
      for (int which = 0; which < 2; ++which) {
        PageBench b;
        b.entries["a.jpg"] = "A";
        b.entries["b.jpg"] = "B";
        TControl& c = b.ParseOne("[C]\rType=" + type + "\rFile=a.jpg\r" + key + "=" + value(key, which));
        shot[which] = Snapshot(c);
      }
      const bool expected = (" " + taken + " ").find(" " + key + " ") != std::string::npos;
      EXPECT_EQ(shot[0] != shot[1], expected) << type << " " << key;
    }
  }
}

TEST(Parser, CaptionsGoThroughThePipelineAndKeepTheirRawText) {
  UseEnglishAndCzech();
  SetupInfoFile().Info.SetupName = "Harbour Maps";
  PageBench b;
  TControl& label = b.ParseOne("[Title]\rType=TLabel\rCaption=<LANG1><br>2nd");
  EXPECT_EQ(Utf8(label.Caption()), "Welcome to Harbour Maps\r2nd");
  EXPECT_EQ(Utf8(b.pages.Pages.back()->Captions[0]), "<LANG1><br>2nd");

  TControl& edit = b.ParseOne("[Dir]\rType=TEdit\rText=<%SETUPTITLE%>");
  EXPECT_EQ(Utf8(edit.Caption()), "Harbour Maps");

  // Memos turn "<BR>" into line breaks and nothing else.
  TControl& memo = b.ParseOne("[M]\rType=TMemo\rText=one<br>two <LANG1> <%SETUPTITLE%>");
  EXPECT_EQ(Utf8(memo.Caption()), "one\rtwo <LANG1> <%SETUPTITLE%>");
  EXPECT_TRUE(b.pages.Pages.back()->Captions[0].empty());

  // A panel keeps its caption in the system code page.
  Languages().CurrentLanguage = 1;
  TControl& panel = b.ParseOne("[P]\rType=TPanel\rCaption=<LANG10>");
  EXPECT_EQ(Utf8(panel.Caption()), "Hotovo");
  TControl& panel2 = b.ParseOne("[P2]\rType=TPanel\rCaption=<LANG5>");
  // "č" is not in Windows-1252; "á" and "í" are.
  EXPECT_EQ(Utf8(panel2.Caption()), "Instalaci zahájíte kliknutím na tla?ítko Instalovat.");
  TControl& label2 = b.ParseOne("[L2]\rType=TLabel\rCaption=<LANG5>");
  EXPECT_EQ(Utf8(label2.Caption()), "Instalaci zahájíte kliknutím na tlačítko Instalovat.");
}

TEST(Parser, RelabelUsesTheRawCaptionsInTheCurrentLanguage) {
  UseEnglishAndCzech();
  PageBench b;
  b.entries["p.txt"] =
      "[T]\rType=TLabel\rCaption=<LANG4>\r[R]\rType=TRadio\rCaption=<LANG15>\r"
      "[P]\rType=TPanel\rCaption=<LANG14>\r[E]\rType=TEdit\rText=<LANG13>\r[M]\rType=TMemo\rText=x";
  b.pages.AddPage("p.txt");
  const auto& c = b.pages.Pages[0]->Controls;
  EXPECT_EQ(Utf8(c[0]->Caption()), "Install");
  Languages().CurrentLanguage = 1;
  b.pages.RelabelAll();
  EXPECT_EQ(Utf8(c[0]->Caption()), "Instalace");
  EXPECT_EQ(Utf8(c[1]->Caption()), "Instalovat");
  EXPECT_EQ(Utf8(c[2]->Caption()), "Storno");
  EXPECT_EQ(Utf8(c[3]->Caption()), "Next >");  // edit boxes keep their text
  EXPECT_EQ(Utf8(c[4]->Caption()), "x");
}

TEST(Parser, BadNumbersAndNamesNameTheEntryAndLine) {
  const struct {
    const char* layout;
    const char* message;
  } cases[] = {
      {"[A]\rType=TLabel\r\rLeft=1O", "bad.txt line 4: '1O' is not a valid integer value"},
      {"[A]\rType=TLabel\r[a]\rType=TEdit", "bad.txt line 3: A component named a already exists"},
      {"[1st]\rType=TLabel", "bad.txt line 1: '1st' is not a valid component name"},
      {"[A B]\rType=TLabel", "bad.txt line 1: 'A B' is not a valid component name"},
  };
  for (const auto& c : cases) {
    PageBench b;
    b.entries["bad.txt"] = c.layout;
    try {
      b.pages.AddPage("bad.txt");
      ADD_FAILURE() << c.layout;
    } catch (const platform::ESetupError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(Parser, MissingEntriesShowTheirMessages) {
  BoxRecorder boxes;
  PageBench b;
  b.pages.LoadPages("Pages.txt");
  EXPECT_TRUE(b.pages.Pages.empty());
  b.entries["Pages.txt"] = "[Pages]\rgone.txt\rhere.txt";
  b.entries["here.txt"] = "[R]\rType=TRichEdit\rFile=<%CHANGELOG%>\r[I]\rType=TImage\rFile=none.jpg";
  SetupInfoFile().Info.Changelog = "changes.rtf";
  b.pages.LoadPages("Pages.txt");
  ASSERT_EQ(b.pages.Pages.size(), 2u);  // the missing layout still makes a page
  EXPECT_TRUE(b.pages.Pages[0]->Controls.empty());
  EXPECT_FALSE(b.pages.Pages[1]->Controls[1]->Picture());  // a missing picture, silently
  EXPECT_EQ(boxes.boxes, (std::vector<std::string>{"Missing File: Error File Missing: Pages.txt",
                                                   "Missing File: Error File Missing: |gone.txt|",
                                                   "Rich Edit Error: Error: File \"changes.rtf\" Missing"}));
  SetupInfoFile() = TSetupInfoFile();
}

TEST(Parser, PicturesAndRichTextCarryTheEntryBytes) {
  PageBench b;
  b.entries["pic.jpg"] = "JPEGDATA";
  b.entries["log.rtf"] = "{\\rtf1 hi}";
  TControl& rich = b.ParseOne("[R]\rType=TRichEdit\rFile=LOG.RTF");
  ASSERT_TRUE(rich.RichText());
  EXPECT_EQ(std::string(rich.RichText()->begin(), rich.RichText()->end()), "{\\rtf1 hi}");

  // "tile" before the picture does nothing; after it, the control's size is tiled.
  TControl& early = b.ParseOne("[I1]\rType=TImage\rWidth=25\rHeight=25\rTile=true\rFile=pic.jpg");
  EXPECT_FALSE(early.Tiled());
  EXPECT_EQ(early.PictureName(), "pic.jpg");
  TControl& late = b.ParseOne("[I2]\rType=TImage\rWidth=25\rHeight=25\rFile=pic.jpg\rTile=TRUE");
  EXPECT_TRUE(late.Tiled());
  EXPECT_EQ(late.TileWidth(), 25);
  EXPECT_EQ(TileOrigins(25, 25, 10, 10).size(), 9u);
  EXPECT_EQ(TileOrigins(25, 25, 10, 10).back(), (TPoint{20, 20}));
  EXPECT_EQ(TileOrigins(20, 10, 10, 10).size(), 6u);  // an exact fit still draws the next
  EXPECT_TRUE(TileOrigins(20, 10, 0, 10).empty());
}

TEST(Parser, RadioButtonsOnOnePanelExcludeEachOther) {
  PageBench b;
  b.entries["a.txt"] = "[A]\rType=TRadio\rChecked=true\r[B]\rType=TRadio\rChecked=true";
  b.entries["b.txt"] = "[C]\rType=TRadio\rChecked=true";
  b.pages.AddPage("a.txt");
  b.pages.AddPage("b.txt");
  const auto& a = b.pages.Pages[0]->Controls;
  EXPECT_FALSE(a[0]->Checked());
  EXPECT_FALSE(a[1]->Checked());
  EXPECT_TRUE(b.pages.Pages[1]->Controls[0]->Checked());
  a[0]->UserCheck();
  EXPECT_TRUE(a[0]->Checked());
  EXPECT_FALSE(b.pages.Pages[1]->Controls[0]->Checked());
}

TEST(Parser, PageListKindsSettingsAndExtraLines) {
  UseEnglishAndCzech();
  PageBench b;
  b.entries["Pages.txt"] =
      "[Settings]\rcolour=$00FF00\rFontColour $0000FF\r[Pages]\ra.txt\rb.txt\rc.txt\r"
      "[PageTypes]\rInstallDir\rnonsense\rMAINLAYOUT\rfinish\rpatch\r[Other]\rx";
  b.entries["a.txt"] = "[A]\rType=TLabel";
  b.entries["b.txt"] = "[B]\rType=TLabel";
  b.entries["c.txt"] = "[C1]\rType=TLabel\r[C2]\rType=TLabel";
  b.pages.LoadPages("Pages.txt");
  ASSERT_EQ(b.pages.Pages.size(), 3u);
  EXPECT_EQ(b.pages.Pages[0]->PageKind, kPageInstallDir);
  EXPECT_EQ(b.pages.Pages[1]->PageKind, kPageWelcome);  // unknown keyword: unchanged
  EXPECT_EQ(b.pages.Pages[2]->PageKind, kPageBackground);
  EXPECT_EQ(b.pages.Colour, 0x00FF00);
  EXPECT_EQ(b.pages.FontColour, 0x0000FF);
  // The background page is visible at once and sent behind everything else.
  const auto& z = b.panel.Children();
  EXPECT_EQ(z[0]->Name(), "C1");
  EXPECT_EQ(z[1]->Name(), "C2");
  EXPECT_TRUE(z[0]->Visible());
}

TEST(Parser, StandardPagesGiveFivePagesOfTheRightKinds) {
  testing_support::TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  PageBench b;
  TSEPageControl pages(b.back, b.next, b.cancel, b.language, b.panel);  // the setup package
  pages.LoadPages("Pages.txt");
  std::vector<int> kinds;
  for (const auto& page : pages.Pages) kinds.push_back(page->PageKind);
  EXPECT_EQ(kinds,
            (std::vector<int>{kPageWelcome, kPageReady, kPageInstalling, kPageFinish, kPageBackground}));
  EXPECT_EQ(pages.Colour, 0);
  TControl& side = *pages.Pages[4]->Controls[0];
  EXPECT_EQ(side.Name(), "mechanic");
  EXPECT_EQ(side.Kind(), TControlKind::Image);
  EXPECT_EQ((std::vector<int>{side.Left(), side.Top(), side.Width(), side.Height()}),
            (std::vector<int>{0, 0, 176, 376}));
  ASSERT_TRUE(side.Picture());
  EXPECT_EQ((*side.Picture())[0], 0xFF);  // a JPEG
  for (int n = 0; n < 4; ++n) {
    pages.ShowPage(n);
    EXPECT_TRUE(side.Visible()) << n;
    for (size_t p = 0; p < 4; ++p)
      for (TControl* c : pages.Pages[p]->Controls) EXPECT_EQ(c->Visible(), static_cast<int>(p) == n);
  }
}
