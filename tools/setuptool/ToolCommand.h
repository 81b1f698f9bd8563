// setuptool's sub-commands. Each area adds its own file that registers its commands
// with SETUPTOOL_COMMAND; main.cpp dispatches on the first word ("pak", "reg", ...).
//
// Conventions for every sub-command: listings are one record per line, fields
// separated by tabs; errors go to stderr and name the file and the problem; exit
// status 0 on success, 1 when the work failed or a check found problems, 2 for bad
// usage or input that is not of the expected kind.
#pragma once

#include <string>
#include <vector>

namespace setuptool {

struct ToolCommand {
  const char* name;                                  // first word of the command line
  const char* usage;                                 // one or more lines, shown by `setuptool help`
  int (*run)(const std::vector<std::string>& args);  // args after the name
};

// Registers a command at program start; returns its index.
int RegisterToolCommand(const ToolCommand& command);

// Prints "usage: " and the command's usage to stderr and returns 2.
int UsageError(const char* name);

}  // namespace setuptool

#define SETUPTOOL_CONCAT_INNER(a, b) a##b
#define SETUPTOOL_CONCAT(a, b) SETUPTOOL_CONCAT_INNER(a, b)
#define SETUPTOOL_COMMAND(name, usage, function)               \
  static const int SETUPTOOL_CONCAT(kToolCommand_, __LINE__) = \
      ::setuptool::RegisterToolCommand({name, usage, function})
