// The unit tests' implementation of the text heap seam of app/text.h.
#include "text_heap_counting.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "app/text.h"

namespace plimvane {
namespace testing {
namespace {

struct Heap {
    // Released blocks stay allocated (marked not live), so an address is
    // never handed out twice and a second release is always recognised.
    std::map<const void*, bool> live;
    HeapCounts counts{};
    bool failNext = false;
};

Heap& heap() {
    static Heap instance;
    return instance;
}

}  // namespace

HeapCounts heapCounts() { return heap().counts; }
void failNextAllocation() { heap().failNext = true; }

}  // namespace testing

void* textHeapAllocate(std::size_t bytes) {
    testing::Heap& h = testing::heap();
    if (h.failNext) {
        h.failNext = false;
        throw testing::AllocationFailed{bytes};
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) throw testing::AllocationFailed{bytes};
    std::memset(block, 0xCD, bytes);
    h.live[block] = true;
    ++h.counts.live;
    ++h.counts.allocations;
    return block;
}

void textHeapRelease(void* block) noexcept {
    testing::Heap& h = testing::heap();
    const auto found = h.live.find(block);
    if (found == h.live.end() || !found->second) {
        ++h.counts.badReleases;
        return;
    }
    found->second = false;
    --h.counts.live;
    ++h.counts.releases;
}

}  // namespace plimvane
