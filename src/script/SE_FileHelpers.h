// File-system helpers shared by the package extraction and the file commands:
// directory creation that records what it creates for the uninstaller, whole-file
// writes, and removal of a directory tree. Paths are Windows paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Creates every missing directory of a path of the form "X:\...": starting from the
// drive root, each component with the "\" that ends it is appended in turn and,
// when that directory is missing and can be created, it is recorded for the
// uninstaller ("C:\A\B\" then "C:\A\B\C"). Existing directories are not recorded;
// failures are ignored (the file creation that follows fails instead). Other paths
// are left alone.
void ForceDirectory(const std::string& path);

// ForceDirectory on the path's directory, then creates (or empties) the file and
// writes count bytes (none: an empty file). False when the file cannot be created or
// written whole.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t count);

// Deletes every file below the directory and removes it with all its
// sub-directories, depth first. A directory that cannot be removed (a file in it
// cannot be deleted, missing rights) is given up on, and so are its parents; the
// rest is removed. A link inside the tree, or in the tree's own place, is deleted as a
// link: what it points at is left alone. An empty path and a drive root ("C:", "C:\",
// "\") are refused.
// True when the directory is gone afterwards.
bool RemoveTree(const std::string& directory);
