#include "MkOptions.h"

#include "platform/WorkerCount.h"

namespace mksetup {

ParseResult ParseOptions(const std::vector<std::string>& arguments) {
  ParseResult result;
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= arguments.size()) {
        result.error = arg + " needs a value";
        return false;
      }
      into = arguments[++i];
      return true;
    };
    if (arg == "-h" || arg == "--help") {
      result.help = true;
      return result;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(options.output)) return result;
    } else if (arg == "--stub") {
      if (!value(options.stub)) return result;
    } else if (arg == "--finaliser") {
      if (!value(options.finaliser)) return result;
    } else if (arg == "--base") {
      if (!value(options.base)) return result;
    } else if (arg == "--data") {
      if (!value(options.data)) return result;
    } else if (arg == "--threads") {
      std::string text;
      if (!value(text)) return result;
      const std::optional<unsigned> count = platform::ParseWorkerCount(text);
      if (!count) {
        result.error = "--threads needs a number from 1 to 64, not " + text;
        return result;
      }
      options.threads = *count;
    } else if (arg == "--package-only") {
      options.packageOnly = true;
    } else if (arg == "--check") {
      options.check = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      result.error = "unknown option " + arg;
      return result;
    } else if (options.script.empty()) {
      options.script = arg;
    } else {
      result.error = "more than one script given (" + options.script + ", " + arg + ")";
      return result;
    }
  }
  if (options.script.empty()) {
    result.error = "no script given";
  } else if (options.packageOnly && !options.stub.empty()) {
    result.error = "--stub and --package-only exclude each other";
  } else {
    result.options = std::move(options);
  }
  return result;
}

}  // namespace mksetup
