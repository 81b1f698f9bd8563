// Splitting one command-line text into arguments as Windows programs do: blanks and
// tabs separate, double quotes group, backslashes escape only before a double quote
// (2n backslashes + quote: n backslashes and a grouping quote; 2n+1: n and a literal
// quote), and "" inside a quoted part is a literal quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view text);

}  // namespace platform
