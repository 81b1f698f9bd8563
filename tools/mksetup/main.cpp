// mksetup: the packaging tool. Reads a setup script, runs the commands' packaging
// steps and writes the setup program (or a package file) with the script's files,
// the standard pages and the language tables.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "MkOptions.h"
#include "Packager.h"
#include "PageTools.h"
#include "platform/Errors.h"
#include "platform/ProgramArguments.h"
#include "script/SE_CommandReference.h"

namespace {

// The pages and language tables of the setup just made, checked as `setuptool check`
// checks them: 1 when an error was found.
int CheckMade(const mksetup::Summary& made) {
  const std::string& output = made.output;
  std::optional<TPageTools> tools = TPageTools::Open(made.path, output);
  if (!tools) return 1;
  const int status = PrintPageCheck(*tools);
  if (status != 0) std::fprintf(stderr, "mksetup: %s: the check found errors\n", output.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mksetup;
  const ParseResult parsed = ParseOptions(platform::StartProgram(argc, argv));
  if (parsed.help) {
    std::fputs(kUsage, stdout);
    std::printf("\nScript commands (keywords ignore case; [ ] marks optional parameters):\n%s",
                CommandReferenceText().c_str());
    return 0;
  }
  if (!parsed.options) {
    std::fprintf(stderr, "mksetup: %s\n%s", parsed.error.c_str(), kUsage);
    return 2;
  }
  try {
    Packager packager(*parsed.options);
    packager.LoadScript();
    packager.CheckSources();
    packager.Compile();
    const Summary summary = packager.Write(packager.PlanEntries());
    std::printf("%s: %zu entries, %zu groups, %" PRIu64 " bytes in, %" PRIu64 " bytes stored\n",
                summary.output.c_str(), summary.entries, summary.groups, summary.bytesIn,
                summary.bytesStored);
    if (summary.dataFiles > 0)
      std::printf("%s: the package continues in %zu data files beside it; publish them together with it\n",
                  summary.output.c_str(), summary.dataFiles);
    return parsed.options->check ? CheckMade(summary) : 0;
  } catch (const MkError& error) {
    std::fprintf(stderr, "mksetup: %s\n", error.what());
  } catch (const platform::ESetupError& error) {
    std::fprintf(stderr, "mksetup: %s\n", error.what());
  }
  return 1;
}
