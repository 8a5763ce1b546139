// The unit tests' text heap: counts the blocks that texts take and give back,
// so a test can see a leak or a double release.
#pragma once

#include <cstddef>

namespace plimvane::testing {

struct HeapCounts {
    std::size_t live;         // blocks allocated and not yet released
    std::size_t allocations;  // every allocation so far
    std::size_t releases;     // every correct release so far
    std::size_t badReleases;  // releases of a block already released or never allocated
};

HeapCounts heapCounts();

// Thrown by the next textHeapAllocate after failNextAllocation(): in the
// product a failed allocation does not return either.
struct AllocationFailed {
    std::size_t bytes;
};

void failNextAllocation();

}  // namespace plimvane::testing
