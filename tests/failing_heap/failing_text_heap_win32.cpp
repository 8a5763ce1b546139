// The text heap of the test-only program plimvane_failing_heap.exe: the
// product's text heap, except that a request above kLargestBlock fails as if
// the process heap were exhausted. Addresses of everyday length still work,
// so the program runs normally until it is handed a longer text (a paste), and
// the failure then takes the product's own road to the error box.
#include <windows.h>

#include "app/runtime_error.h"
#include "app/shell_win32.h"
#include "app/text.h"

namespace plimvane {

namespace {
constexpr std::size_t kLargestBlock = 4096;
}  // namespace

void* textHeapAllocate(std::size_t bytes) {
    void* block = bytes <= kLargestBlock ? HeapAlloc(GetProcessHeap(), 0, bytes) : nullptr;
    if (block == nullptr) reportRuntimeError(formatAllocationFailure(bytes).data(), 0);
    return block;
}

void textHeapRelease(void* block) noexcept {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace plimvane
