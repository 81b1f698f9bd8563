// Writing a registry string value for the run. Inside a setup run the value's old
// data (or that it did not exist) and every key created on the way are journalled
// first, so that undoing the run gives the value its old data back or removes it.
// A value that cannot be written asks Retry/Cancel with the system's reason; Cancel
// raises ERunStopped.
#pragma once

#include <string>

// rootCode: the stored root code 0-4.
void WriteRegistryStringOfRun(int rootCode, const std::string& key, const std::string& name,
                              const std::string& data);
