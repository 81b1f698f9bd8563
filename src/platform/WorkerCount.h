// How many workers the program's parallel work (packing, verifying, extracting) uses:
// the machine's processor cores, at least 1. The variable SE_THREADS (a number from 1
// to 64) sets the count instead, so that a run can be compared with one thread.
#pragma once

#include <optional>
#include <string>

namespace platform {

constexpr unsigned kMaxWorkers = 64;

unsigned WorkerCount();
// Sets the count for the rest of the run (a program's own option; tests); 0 goes back
// to the cores or SE_THREADS.
void SetWorkerCount(unsigned count);

// The count a text names ("1" .. "64"); nothing for anything else.
std::optional<unsigned> ParseWorkerCount(const std::string& text);

}  // namespace platform
