// A seam for tests: makes a chosen write to a file fail as a full disk or a failing
// drive would, so that the paths that handle such failures can be exercised without
// filling a disk. Nothing arms it in the programs; unarmed, a write pays one atomic
// load.
#pragma once

#include <cstdint>

namespace platform {

enum class WriteFault { DiskFull, IoError };

// The writes-th File::Write from now on (1: the next one) fails with the fault, and
// so does every write after it until DisarmWriteFault; 0 disarms.
void ArmWriteFault(int64_t writes, WriteFault fault);
void DisarmWriteFault();
// Whether the fault armed last has failed a write yet: a test that arms it at every
// position in turn knows by this when a run no longer reaches it.
bool WriteFaultFired();

namespace detail {
// Called by File::Write: true when this write is to fail; fault tells how.
bool TakeWriteFault(WriteFault& fault);
}  // namespace detail

}  // namespace platform
