// What every program of the project does first: take its arguments as UTF-8 texts and
// make its standard streams carry bytes as they are.
//
// On Windows the 8-bit argv is in the machine's ANSI code page and loses whatever does
// not fit it, so the arguments are rebuilt from the wide command line; standard output
// and error are switched to binary mode (a listing gets no "\r\n"); a windowed program
// (the setup program has no console of its own) writes to the console of the program
// that started it, or to the handles it was given when its output is redirected. On
// Linux the arguments are the host's UTF-8 texts already.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments without the program name, in UTF-8.
std::vector<std::string> StartProgram(int argc, char** argv);

}  // namespace platform
