// A seam for tests: makes a chosen write to a file fail as a full disk or a failing
// drive would, or a file impossible to delete as one held open by another program,
// so that the paths that handle such failures can be exercised without filling a
// disk or running a game. Nothing arms it in the programs; unarmed, a write or a
// deletion pays one atomic load.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class WriteFault { DiskFull, IoError };

// The writes-th File::Write from now on (1: the next one) fails with the fault, and
// so does every write after it until DisarmWriteFault; 0 disarms.
void ArmWriteFault(int64_t writes, WriteFault fault);
void DisarmWriteFault();
// Whether the fault armed last has failed a write yet: a test that arms it at every
// position in turn knows by this when a run no longer reaches it.
bool WriteFaultFired();

// The file at path (any letter case) is held open by another program that lets no one
// delete it, as a running game holds its files on Windows: DeleteFileAt fails for it
// with the system's reason for a file in use, until ReleaseFileInUse. One file at a
// time; the test runs as root, and no attribute stops root from deleting a file.
void HoldFileInUse(const std::string& path);
void ReleaseFileInUse();

namespace detail {
// Called by File::Write: true when this write is to fail; fault tells how.
bool TakeWriteFault(WriteFault& fault);
// Called by DeleteFileAt: true when the file is to be refused as held in use.
bool FileHeldInUse(const std::string& path);
}  // namespace detail

}  // namespace platform
