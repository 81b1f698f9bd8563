// The script commands' reference, made from the command table: the keyword list of
// `mksetup --help` and the command table of the README, so neither can drift from
// what the packaging tool accepts.
#pragma once

#include <string>

// One line a command: "  keyword PARAMETERS   what it does", aligned for a terminal.
std::string CommandReferenceText();

// A Markdown table: each command with its parameters, and what it does.
std::string CommandReferenceMarkdown();
