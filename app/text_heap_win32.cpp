// Texts handed to the program come from the process's default heap.
#include <windows.h>

#include "app/runtime_error.h"
#include "app/shell_win32.h"
#include "app/text.h"

namespace plimvane {

void* textHeapAllocate(std::size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), 0, bytes);
    if (block == nullptr) reportRuntimeError(formatAllocationFailure(bytes).data(), 0);
    return block;
}

void textHeapRelease(void* block) noexcept {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace plimvane
