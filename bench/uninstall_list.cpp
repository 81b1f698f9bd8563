// Recording files in the uninstall list: 100,000 AddFile calls (each folded through
// the path variables and checked against the items already there) should cost the
// same per call as 10,000. Printed: the cost per call at each count and the ratio of
// the per-call cost at 100,000 to that at 10,000 (1.0 is linear in count; a list
// scanned on every call would give about 10).
#include "BenchUtil.h"
#include "engine/SE_Uninstall_List.h"
#include "script/SE_Global.h"

namespace {

double PerCall(int count) {
  bench::Cost cost;
  std::vector<std::string> paths;
  paths.reserve(count);
  for (int i = 0; i < count; ++i)
    paths.push_back("C:\\Games\\Demo\\data\\maps\\region" + std::to_string(i % 97) + "\\tile" +
                    std::to_string(i) + ".dat");
  for (int round = 0; round < 3; ++round) {
    TUninstallList list;
    bench::Measure(cost, [&] {
      for (const std::string& path : paths) list.AddFile(path);
      for (int i = 0; i < count; i += 10) list.AddFile(paths[i]);  // repeats are kept once
    });
    if (list.Files().size() != static_cast<size_t>(count)) std::exit(1);
  }
  return cost.cpu / (count + count / 10);
}

}  // namespace

int main() {
  InstallDir() = "C:\\Games\\Demo\\";
  SetupVariables().ProgramFilesDir = "C:\\Program Files\\";
  SetupVariables().StartMenuProgramsDir = "C:\\users\\player\\Start Menu\\Programs\\";
  const double small = PerCall(10000), large = PerCall(100000);
  std::printf(
      "uninstall_list: AddFile %.2f us per call at 10,000 files, %.2f us at 100,000; "
      "ratio %.2f (1.0 = linear in count)\n",
      small * 1e6, large * 1e6, large / small);
  return 0;
}
