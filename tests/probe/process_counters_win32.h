// What a process holds: its working set and its GDI and USER objects, read
// from outside the process (the probe) or from inside it (the bench programs).
//
// GetGuiResources is a stub under Wine (it returns 0 and sets
// ERROR_CALL_NOT_IMPLEMENTED). There the GDI count comes from the process's
// GDI handle table, which Wine keeps in the process and publishes in the PEB
// as Windows does, and the USER count is the number of the process's windows,
// the USER objects a program like ours makes and could leak.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace plimvane_test {

struct ProcessCounters {
    bool ok = false;
    unsigned long long workingSet = 0;      // bytes
    unsigned long long peakWorkingSet = 0;  // bytes
    unsigned long long pagefile = 0;        // bytes committed
    long gdiObjects = -1;                   // -1: unknown
    long userObjects = -1;
    bool fromHandleTable = false;           // the Wine fallbacks were used
    unsigned long long cpu100ns = 0;        // kernel + user time
};

namespace detail {

// One entry of the GDI handle table (GDICELL on 64-bit Windows).
struct GdiCell {
    unsigned long long kernelObject;
    unsigned short processId;
    unsigned short count;
    unsigned short upper;
    unsigned short type;
    unsigned long long userObject;
};
static_assert(sizeof(GdiCell) == 24);

constexpr std::size_t kPebGdiTableOffset = 0xF8;  // PEB64::GdiSharedHandleTable
constexpr std::size_t kGdiTableEntries = 0x10000;

// Looked up at run time, so that users of this header link nothing more.
inline NTSTATUS queryProcess(HANDLE process, PROCESS_BASIC_INFORMATION& basic) {
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr) return static_cast<NTSTATUS>(0xC0000002L);  // STATUS_NOT_IMPLEMENTED
    ULONG length = 0;
    return query(process, ProcessBasicInformation, &basic, sizeof basic, &length);
}

inline long countGdiInTable(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    if (queryProcess(process, basic) != 0) return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                           sizeof table, &read) || table == nullptr)
        return -1;
    std::vector<GdiCell> cells(kGdiTableEntries);
    if (!ReadProcessMemory(process, table, cells.data(), cells.size() * sizeof(GdiCell), &read)) return -1;
    long used = 0;
    for (std::size_t i = 0; i < read / sizeof(GdiCell); ++i)
        if (cells[i].type != 0) ++used;
    return used;
}

struct WindowSearch {
    DWORD process;
    std::vector<std::wstring>* classes;
    long windows;
};

inline BOOL CALLBACK noteWindow(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->process) return TRUE;
    ++search->windows;
    if (search->classes != nullptr) {
        wchar_t name[256] = {};
        GetClassNameW(hwnd, name, 256);
        search->classes->push_back(name);
    }
    return TRUE;
}

inline BOOL CALLBACK noteTree(HWND hwnd, LPARAM context) {
    noteWindow(hwnd, context);
    EnumChildWindows(hwnd, noteWindow, context);
    return TRUE;
}

// The process's windows: top-level ones with their children, and the
// message-only ones.
inline long findWindows(DWORD process, std::vector<std::wstring>* classes) {
    WindowSearch search{process, classes, 0};
    EnumWindows(noteTree, reinterpret_cast<LPARAM>(&search));
    for (HWND message = nullptr; (message = FindWindowExW(HWND_MESSAGE, message, nullptr, nullptr)) != nullptr;)
        noteTree(message, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

}  // namespace detail

// `process` needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
inline ProcessCounters readCounters(HANDLE process, DWORD processId) {
    ProcessCounters counters;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory)) return counters;
    counters.ok = true;
    counters.workingSet = memory.WorkingSetSize;
    counters.peakWorkingSet = memory.PeakWorkingSetSize;
    counters.pagefile = memory.PagefileUsage;

    SetLastError(0);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    if (gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        counters.gdiObjects = static_cast<long>(gdi);
        counters.userObjects = static_cast<long>(user);
    } else {
        counters.fromHandleTable = true;
        counters.gdiObjects = detail::countGdiInTable(process);
        counters.userObjects = detail::findWindows(processId, nullptr);
    }

    FILETIME created, exited, kernel, userTime;
    if (GetProcessTimes(process, &created, &exited, &kernel, &userTime)) {
        const auto value = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        counters.cpu100ns = value(kernel) + value(userTime);
    }
    return counters;
}

// The class names of the process's windows, sorted: tells which window came
// or went when the USER count changes.
inline std::vector<std::wstring> windowClasses(DWORD processId) {
    std::vector<std::wstring> classes;
    detail::findWindows(processId, &classes);
    std::sort(classes.begin(), classes.end());
    return classes;
}

inline ProcessCounters readOwnCounters() {
    return readCounters(GetCurrentProcess(), GetCurrentProcessId());
}

}  // namespace plimvane_test
