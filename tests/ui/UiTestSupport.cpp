#include "UiTestSupport.h"

#include <fstream>
#include <sstream>

#include "engine/SE_Uninstall_List.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/SE_Global.h"
#include "script/SE_Progress.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PakBytes.h"
#include "support/HostFiles.h"

namespace ui_test {

namespace {

using testing_support::ReadHostFile;

const char* ChangeName(TControlChange change) {
  switch (change) {
    case TControlChange::Caption: return "caption";
    case TControlChange::Visible: return "visible";
    case TControlChange::Enabled: return "enabled";
    case TControlChange::Gauge: return "gauge";
    default: return "change";
  }
}

}  // namespace

std::string Utf8(const std::u16string& text) { return platform::WideToUtf8(text); }
std::u16string Wide(const std::string& utf8) { return platform::Utf8ToWide(utf8); }

void RecordingView::ControlCreated(TControl& control) {
  events.push_back("created " + control.Name() + " " + KindName(control.Kind()));
}

void RecordingView::ControlChanged(TControl& control, TControlChange change) {
  std::string e = std::string(ChangeName(change)) + " " + control.Name();
  switch (change) {
    case TControlChange::Caption: e += " " + Utf8(control.Caption()); break;
    case TControlChange::Visible: e += control.Visible() ? " 1" : " 0"; break;
    case TControlChange::Enabled: e += control.Enabled() ? " 1" : " 0"; break;
    case TControlChange::Gauge:
      e += " " + std::to_string(control.Gauge()->Progress()) + " " + control.Gauge()->Caption();
      break;
    default: e += " " + std::to_string(static_cast<int>(change)); break;
  }
  events.push_back(e);
}

void RecordingView::TitleChanged(const std::u16string& title, const std::u16string&) {
  events.push_back("title " + Utf8(title));
}

void RecordingView::MenuChanged(const TPopupMenu& menu) {
  std::string e = "menu ";
  for (const TMenuItem& item : menu.Items) e += Utf8(item.Caption) + (item.Checked ? "*" : "") + ",";
  events.push_back(e);
}

std::vector<std::string> RecordingView::With(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& e : events)
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  return out;
}

std::vector<std::string> RecordingView::GaugeSequence(const std::string& name) const {
  std::vector<std::string> out;
  const std::string prefix = "gauge " + name + " ";
  for (const std::string& e : events) {
    if (e.rfind(prefix, 0) != 0) continue;
    const std::string value = e.substr(prefix.size());
    if (out.empty() || out.back() != value) out.push_back(value);
  }
  return out;
}

void FakeWorker::StartRun() {
  ++starts;
  QuitAndWait();
  running_ = true;
  thread_ = std::thread([this] {
    body_();
    running_ = false;
  });
}

void UseStandardPackage(const testing_support::TempPrefix& prefix, const std::string& folder,
                        const std::vector<ExtraEntry>& extra, bool uninstallTables) {
  using testing_support::StoredEntry;
  const std::filesystem::path data = std::filesystem::path(SE_SOURCE_DIR) / "data";
  std::vector<testing_support::HandEntry> entries;
  for (const auto& file : std::filesystem::directory_iterator(data / "layout" / folder))
    entries.push_back(StoredEntry(file.path().filename().string(), ReadHostFile(file.path()), 0));
  const std::string tables = uninstallTables ? "uninstall" : "install";
  entries.push_back(StoredEntry("LANGUAGE-" + tables + "\\english",
                                ReadHostFile(data / "languages" / tables / "english.wri"), 0));
  if (!uninstallTables)
    entries.push_back(
        StoredEntry("LANGUAGE-install\\czech", ReadHostFile(data / "languages/install/czech.wri"), 0));
  for (const ExtraEntry& e : extra) entries.push_back(StoredEntry(e.name, e.content, e.group));
  const std::vector<uint8_t> bytes = testing_support::BuildPackage(entries);
  const std::filesystem::path file = prefix.DriveC() / "package.bin";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  SetupPak() = TPak();
  SetupPak().Create(platform::WindowsPathOf(file.string()), false, false);

  SetupInfoFile() = TSetupInfoFile();
  SetupVariables() = TSetupVariables();
  UninstallList().Clear();
  ResetProgressCounterForTests();
  Languages() = TLanguages();
  for (const TPakFile& entry : SetupPak().Entries()) {
    if (!IsLanguageEntryName(entry.Name)) continue;
    const TFoundEntry found = SetupPak().FindEntry(entry.Name, 0);
    Languages().AddLanguage(found.Data->data(), found.Data->size(), entry.Name);
  }
  Languages().CurrentLanguage = 0;
}

void UseEnglishAndCzech() {
  const std::filesystem::path data = std::filesystem::path(SE_SOURCE_DIR) / "data/languages/install";
  Languages() = TLanguages();
  for (const char* name : {"english.wri", "czech.wri"}) {
    const std::string bytes = ReadHostFile(data / name);
    Languages().AddLanguage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), name);
  }
  Languages().CurrentLanguage = 0;
}

}  // namespace ui_test
