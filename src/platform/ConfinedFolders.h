// Folders whose contents an elevated run changes without ever following a link below
// them: the game folder and the trusted folder, where a standard user may have planted
// a link (a symbolic link; on Windows a junction or any reparse point) to make an
// administrator's delete or move land elsewhere.
//
// While a ConfinedFolder names a folder, every change the file functions of Files.h
// make to a path below it (DeleteFileAt, RenameFile, ReplaceFileWith, MakeDirectory,
// RemoveEmptyDirectory, RemoveTree) walks the path from that folder one component at a
// time without following links, and acts on what the walk opened rather than on the
// path again: a link met on the way is refused, and the failure's reason names it
// (LastErrorText); a link in the last place is itself deleted or moved, never what it
// points at; a link swapped in for a component once the walk has passed it changes
// nothing. The folder itself is taken as named (its own place was chosen by the
// administrator). Paths elsewhere are changed as before.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Confines the folder for as long as it lives; the same folder may be named more than
// once (nested runs). Safe to use from any thread.
class ConfinedFolder {
 public:
  explicit ConfinedFolder(const std::string& folder);
  ~ConfinedFolder();
  ConfinedFolder(const ConfinedFolder&) = delete;
  ConfinedFolder& operator=(const ConfinedFolder&) = delete;

 private:
  std::string folder_;
};

// Removes a directory and everything below it, walking the tree through the folders it
// has opened, so that a link inside the tree (or in its own place) is deleted as a link
// and nothing it points at is touched, even when the link is planted meanwhile. A
// folder that cannot be emptied is given up on, and so are its parents. True when the
// directory is gone afterwards (or was never there).
bool RemoveTree(const std::string& directory);

// A seam for tests: called by a confined change once its walk is done and before it
// acts, so that a test can swap a component for a link in between. Empty: none.
void SetConfinedChangeHook(std::function<void()> hook);

namespace detail {

// A path below a confined folder, taken apart.
struct ConfinedPath {
  std::string root;                     // the confined folder as it was named
  std::vector<std::string> components;  // the names below it, in order; never "." or ".."
};
// The confined folder that holds the path (the innermost when several do), with the
// names below it; nothing when no confined folder holds it, or for the folder itself.
std::optional<ConfinedPath> ConfinementOf(const std::string& path);
void RunConfinedChangeHook();
// Lets go of the folders walks keep open between changes (each system's own), as the
// confined folders have changed.
void ReleaseConfinedWalks();
// The link a confined walk refused, for the reason the platform gives next.
void NoteRefusedLink(const std::string& path);
// "\"path\" is a link, which an elevated change does not follow", or empty when no
// walk of this thread has refused a link.
std::string RefusedLinkText();

}  // namespace detail

}  // namespace platform
