// Changing the icon a program file shows. On Windows the image becomes the program's
// icon resource; a Linux program (ELF) has no resource section, so nothing changes
// there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Writes one icon image (the bytes an icon file's directory entry points at) into the
// program file as icon resource number 1, language neutral, keeping its other
// resources; the icon group resource stays as it is. False when nothing was changed.
bool SetProgramIconImage(const std::string& programPath, const uint8_t* image, size_t size);

}  // namespace platform
