// Extracting a group as the setup does (status text, uninstall recording, directory
// creation with recording, a gauge step per file) against `unzip -o` of a zip archive
// holding the same files deflated: 10,000 small files in sub-folders, then ~300 MiB
// in larger files. Both write into memory-backed folders.
#include "BenchUtil.h"
#include "engine/SE_Uninstall_List.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "script/SE_Global.h"
#include "script/SE_Progress.h"
#include "script/ZTI_PakExtract.h"
#include "script/ZTI_SetupInfo.h"

namespace {

namespace fs = std::filesystem;

class CountingSink : public TProgressSink {
 public:
  void StatusText(const std::u16string& text) override { lastLength += text.size(); }
  void FinishText(const std::u16string&, bool) override {}
  bool HasGauge() const override { return true; }
  void GaugeProgress(int value) override { last = value; }
  size_t lastLength = 0;
  int last = 0;
};

void UseStatusText() {
  const std::u16string table = u"English\r\n0409;\r\n18 Extracting <%FILENAME%>\r\n";
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : table) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  Languages().AddLanguage(bytes.data(), bytes.size());
  Languages().CurrentLanguage = 0;
}

// Writes the files below source/folder and adds them to the package as group.
void MakeGroup(TPak& pak, const fs::path& source, const std::string& folder, uint16_t group, int count,
               size_t minSize, size_t maxSize, std::mt19937& rng) {
  for (int i = 0; i < count; ++i) {
    const size_t size = minSize + rng() % (maxSize - minSize + 1);
    const auto content = bench::MixedContent(size, rng, i % 4 == 0 ? 100 : 20);
    const std::string name = "sub" + std::to_string(i % 20) + "\\file" + std::to_string(i) + ".dat";
    const fs::path path =
        source / folder / ("sub" + std::to_string(i % 20)) / ("file" + std::to_string(i) + ".dat");
    fs::create_directories(path.parent_path());
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);
    const int index = pak.NewEntry(name, "", group);
    if (!pak.StoreBuffer(index, content.data(), content.size())) std::exit(1);
  }
}

struct Timing {
  bench::Cost ours, unzip;
};

// Five interleaved rounds, the best of each side kept, so that a busy machine spoils
// neither side more than the other.
Timing Compare(TPak& pak, uint16_t group, const fs::path& root, const fs::path& zip) {
  Timing best;
  for (int round = 0; round < 5; ++round) {
    const std::string folder = "Out" + std::to_string(group) + "_" + std::to_string(round);
    UninstallList() = TUninstallList();
    InstallDir() = "C:\\" + folder + "\\";
    CountingSink sink;
    SetProgressSink(&sink);
    SetInstallRecorder(&UninstallList());
    bench::Measure(best.ours, [&] { ExtractGroupToDirectory(pak, "C:\\" + folder, group); });
    SetInstallRecorder(nullptr);
    SetProgressSink(nullptr);
    if (UninstallList().Files().size() != static_cast<size_t>(pak.CountInGroup(group))) std::exit(2);

    const fs::path unzipped = root / ("unzip" + std::to_string(group) + "_" + std::to_string(round));
    if (!bench::MeasureRun(best.unzip, {"unzip", "-o", "-q", zip.string(), "-d", unzipped.string()}))
      std::exit(3);
    fs::remove_all(unzipped);
    fs::remove_all(root / "prefix" / "drive_c" / folder);
  }
  return best;
}

void Report(const char* what, const Timing& t) {
  std::printf(
      "pak_extract: %s: ExtractGroup %.3f s (cpu %.3f s), unzip -o %.3f s (cpu %.3f s), "
      "ratio %.2f (cpu %.2f; target <= 0.8)\n",
      what, t.ours.wall, t.ours.cpu, t.unzip.wall, t.unzip.cpu, t.ours.wall / t.unzip.wall,
      t.ours.cpu / t.unzip.cpu);
}

}  // namespace

int main() {
  const fs::path root = bench::ScratchFolder("extract");
  UseStatusText();
  std::mt19937 rng(9);
  const fs::path source = root / "source";
  const std::string file = (root / "setup.pak").string();
  TPak pak;
  pak.Create(platform::WindowsPathOf(file), false, true);
  MakeGroup(pak, source, "small", 1, 10000, 1024, 8192, rng);
  MakeGroup(pak, source, "large", 2, 30, 8u << 20, 12u << 20, rng);
  pak.WriteTable();
  pak.Close();
  for (const char* folder : {"small", "large"}) {
    const std::string command =
        "cd '" + (source / folder).string() + "' && zip -q -r -X '" + (root / folder).string() + ".zip' .";
    if (std::system(command.c_str()) != 0) return 1;
  }
  pak.Create(platform::WindowsPathOf(file), false, false);

  Report("10000 small files", Compare(pak, 1, root, root / "small.zip"));
  Report("300 MiB in 30 files", Compare(pak, 2, root, root / "large.zip"));
  return 0;
}
