// A whole installation run on the setup thread against `unzip -o` of the same files:
// 10,000 files (about 500 MB, game-like data) in four file groups, extracted with
// their status lines, install records, directories, checksums and inflation, the
// install log saved and an uninstaller written at the end. The peer extracts a zip of
// the same tree (deflate too, also checking CRC-32) into the same file system.
// Both run in memory (/dev/shm) when the host has it, so the disk does not decide.
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchPrefix.h"
#include "engine/SE_RegisterCommands.h"
#include "engine/SE_SetupThread.h"
#include "engine/SE_Uninstall_List.h"
#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "script/SE_Global.h"
#include "script/SE_InstallRecorder.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_ScriptText.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr int kGroups = 4;

fs::path MakeRoot() {
  const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / "se-bench-run-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::perror("mkdtemp");
  return pattern;
}

// A pool of game-like bytes (words, numbers, binary runs); each file is a slice of it
// at a random place, so the files compress like real data without costing minutes.
std::string MakePool() {
  static const char* words[] = {"texture", "model", "vertex", "layer",  "terrain", "unit",
                                "weapon",  "sound", "mesh",   "shader", "light",   "shadow",
                                "alpha",   "index", "frame",  "bone"};
  std::mt19937 random(7);
  std::string pool;
  pool.reserve(16 << 20);
  while (pool.size() < (16u << 20)) {
    if (random() % 10 == 0) {
      for (int k = 0; k < 64; ++k) pool += static_cast<char>(random());
    } else {
      pool += std::string(words[random() % 16]) + " " + std::to_string(random() % 100000) + "\n";
    }
  }
  return pool;
}

uint64_t WriteSources(const fs::path& sources) {
  const std::string pool = MakePool();
  std::mt19937 random(11);
  uint64_t total = 0;
  for (int i = 0; i < kFiles; ++i) {
    const size_t size = 2000 + random() % 98000;
    const size_t at = random() % (pool.size() - size);
    const fs::path file = sources / ("group" + std::to_string(i % kGroups)) /
                          ("set" + std::to_string(i / kGroups % 40)) / ("item" + std::to_string(i) + ".dat");
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(pool.data() + at, static_cast<std::streamsize>(size));
    total += size;
  }
  return total;
}

// The package as the packaging tool lays it out: SetupInfo, CompiledLines, the groups.
bool WritePackage(const fs::path& sources, const std::string& package) {
  std::string script = "name Bench\nprefix Bench\nuninstallpages none\n";
  for (int g = 0; g < kGroups; ++g)
    script += "file group" + std::to_string(g) + "\\ group" + std::to_string(g) + "\n";
  TCommandList commands;
  RegisterCommands(commands);
  TCompiler compiler;
  compiler.BaseDir = platform::WindowsPathOf(sources.string());
  if (ParseScriptText(script, compiler.Lines) || !compiler.CompileAll(commands)) return false;
  TPak pak;
  pak.Create(package, false, true);
  const auto store = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    return pak.StoreBuffer(pak.NewEntry(name, "", 0), bytes.data(), bytes.size());
  };
  if (!store("SetupInfo", compiler.Info.SaveToBytes()) ||
      !store("CompiledLines", compiler.Lines.SaveToBuffer()))
    return false;
  const auto& groups = compiler.FileList.Groups;
  for (size_t g = 1; g < groups.size(); ++g)
    for (const TFile& file : groups[g].Files)
      if (!pak.StoreFile(pak.NewEntry(file.EntryName, file.Source, static_cast<uint16_t>(g)))) return false;
  return pak.WriteTable();
}

// What start-up does before the wizard runs the script, then the run itself.
void RunSetup(const std::string& package, const std::string& installDir) {
  SetupPak() = TPak();
  SetupPak().Create(package, false, false);
  const TFoundEntry info = SetupPak().FindEntry("SetupInfo", 0);
  const TFoundEntry lines = SetupPak().FindEntry("CompiledLines", 0);
  SetupInfoFile().LoadFromBuffer(info.Data->data(), info.Data->size());
  CompLines().LoadFromBuffer(lines.Data->data(), lines.Data->size());
  RegisterCommands();
  InstallDir() = installDir;
  UninstallList().Clear();
  UninstallList().AddDirectory(installDir);
  TSetupThread thread;
  thread.StartRun();
  while (thread.Running) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint64_t TreeBytes(const fs::path& dir, int* files) {
  uint64_t total = 0;
  *files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().extension() == ".dat") {
      total += entry.file_size();
      ++*files;
    }
  return total;
}

}  // namespace

int main() {
  const fs::path root = MakeRoot();
  setenv("WINEPREFIX", (root / "prefix").c_str(), 1);
  const fs::path sources = root / "sources";
  const uint64_t bytes = WriteSources(sources);
  const std::string package = platform::WindowsPathOf((root / "bench.pkg").string());
  if (!WritePackage(sources, package)) return 1;
  const fs::path zip = root / "bench.zip";
  if (Shell("cd '" + sources.string() + "' && zip -q -r '" + zip.string() + "' .") != 0) return 1;
  SetInstallRecorder(&UninstallList());

  const std::string installDir = "C:\\Games\\Bench\\";
  const fs::path installed = root / "prefix" / "drive_c" / "Games" / "Bench";
  const fs::path unzipped = root / "unzipped";
  std::printf("setup_run: %d files, %.1f MB in %d groups; package %.1f MB, zip %.1f MB; best of 3\n", kFiles,
              bytes / 1e6, kGroups, fs::file_size(*platform::HostPathOf(package)) / 1e6,
              fs::file_size(zip) / 1e6);
  // Alternate the two, so a busy moment of the shared machine spoils neither side.
  bench::Timing ours{1e30, 1e30}, peer{1e30, 1e30};
  for (int round = 0; round < 3; ++round) {
    fs::remove_all(installed);
    const bench::Timing run = bench::Measure([&] { RunSetup(package, installDir); });
    fs::remove_all(unzipped);
    const bench::Timing unzip =
        bench::Measure([&] { Shell("unzip -o -q '" + zip.string() + "' -d '" + unzipped.string() + "'"); });
    ours = {std::min(ours.cpu, run.cpu), std::min(ours.wall, run.wall)};
    peer = {std::min(peer.cpu, unzip.cpu), std::min(peer.wall, unzip.wall)};
  }
  int ourFiles = 0, peerFiles = 0;
  const uint64_t ourBytes = TreeBytes(installed, &ourFiles), peerBytes = TreeBytes(unzipped, &peerFiles);
  if (ourFiles != kFiles || ourBytes != bytes || peerFiles != kFiles || peerBytes != bytes) {
    std::printf("setup_run: extracted %d files / %llu bytes, unzip %d / %llu: not the same tree\n", ourFiles,
                static_cast<unsigned long long>(ourBytes), peerFiles,
                static_cast<unsigned long long>(peerBytes));
    return 1;
  }
  bench::Report("setup run", ours, "unzip -o of the same tree", peer, 1.1);
  std::printf("setup_run: install log %zu files, %zu directories\n", UninstallList().Files().size(),
              UninstallList().Directories().size());
  fs::remove_all(root);
  return 0;
}
