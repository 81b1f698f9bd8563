#include "PageTools.h"

#include <algorithm>
#include <cstdio>

#include "PageCheck.h"

std::optional<TPageTools> TPageTools::Open(const std::string& programPath, const std::string& shownName) {
  std::string error;
  std::optional<TPackageWizard> wizard = TPackageWizard::Open(programPath, error);
  if (!wizard) {
    // As the other setuptool commands say it of a file of another kind.
    if (error == kNotAPackage) std::fprintf(stderr, "%s: %s\n", kNotAPackage, shownName.c_str());
    else std::fprintf(stderr, "%s: %s\n", shownName.c_str(), error.c_str());
    return std::nullopt;
  }
  TPageTools tools;
  tools.wizard_ = std::move(wizard);
  return tools;
}

TPageTools::~TPageTools() {
  renderer_.reset();  // its windows go before the display
  display_.reset();
}

TPageRenderer* TPageTools::Renderer() {
  if (tried_) return renderer_.get();
  tried_ = true;
  std::string error;
  display_ = platform::OffscreenDisplay::Ensure(error);
  if (!display_) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return nullptr;
  }
  renderer_ = CreatePageRenderer();
  if (!renderer_)
    std::fprintf(stderr, "the pages cannot be drawn: this build's view cannot open a display\n");
  return renderer_.get();
}

namespace {

std::optional<uint16_t> ParseHexId(const std::string& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (const char c : text) {
    const int digit = (c >= '0' && c <= '9')   ? c - '0'
                      : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                      : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                               : -1;
    if (digit < 0) return std::nullopt;
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

bool ParsePageToolArguments(const std::vector<std::string>& args, std::vector<std::string>& positional,
                            std::vector<uint16_t>* languages) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) != 0) {
      positional.push_back(args[i]);
      continue;
    }
    if (args[i] != "--lang" || !languages || i + 1 >= args.size()) return false;
    std::string list = args[++i];
    for (size_t start = 0; start <= list.size();) {
      const size_t comma = std::min(list.find(',', start), list.size());
      const std::optional<uint16_t> id = ParseHexId(list.substr(start, comma - start));
      if (!id) return false;
      languages->push_back(*id);
      start = comma + 1;
    }
  }
  return true;
}

int PrintPageCheck(TPageTools& tools) {
  TPageRenderer* renderer = tools.Renderer();
  if (!renderer) std::fprintf(stderr, "captions are not measured\n");
  const std::vector<TProblem> problems = CheckPackagePages(tools.Wizard(), renderer);
  for (const TProblem& problem : problems) std::printf("%s\n", ProblemLine(problem).c_str());
  return HasError(problems) ? 1 : 0;
}
