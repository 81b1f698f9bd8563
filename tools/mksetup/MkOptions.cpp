#include "MkOptions.h"

#include "platform/WorkerCount.h"

namespace mksetup {

namespace {

// A byte count with an optional binary unit: "4096", "700M", "2G".
std::optional<uint64_t> ParseSize(const std::string& text) {
  uint64_t value = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i == 0 || text.size() - i > 1) return std::nullopt;
  int shift = 0;
  if (i < text.size()) {
    const char unit = static_cast<char>(text[i] & ~0x20);  // either case
    shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : -1;
    if (shift < 0 || value > (UINT64_MAX >> shift)) return std::nullopt;
  }
  return value << shift;
}

}  // namespace

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
    } else if (arg == "--compression") {
      if (!value(options.compression)) return result;
      if (options.compression != "zlib" && options.compression != "zstd" &&
          options.compression != "zstd-max") {
        result.error = "--compression needs zlib, zstd or zstd-max, not " + options.compression;
        return result;
      }
    } else if (arg == "--split") {
      std::string text;
      if (!value(text)) return result;
      const std::optional<uint64_t> size = ParseSize(text);
      if (!size || *size < kMinimumSplit) {
        result.error = "--split needs a size of at least 4K (bytes, or a number with K, M or G), not " + text;
        return result;
      }
      options.split = *size;
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
