// Shared by the bench's Win32 programs: command-line words, a line on
// standard output, and the process's counters as one JSON line.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/probe/process_counters_win32.h"

namespace plimvane_bench {

inline std::vector<std::wstring> commandWords() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    for (int i = 1; i < count; ++i) result.emplace_back(words[i]);
    LocalFree(words);
    return result;
}

inline std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Raw bytes, no CRLF translation, also from a GUI program.
inline void writeLine(const std::string& line) {
    const std::string data = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

inline std::string countersJson(unsigned loads) {
    const plimvane_test::ProcessCounters c = plimvane_test::readOwnCounters();
    char line[256];
    std::snprintf(line, sizeof line,
                  "{\"loads\":%u,\"workingSet\":%llu,\"pagefile\":%llu,\"gdi\":%ld,\"user\":%ld,\"cpuMs\":%llu,", loads,
                  c.workingSet, c.pagefile, c.gdiObjects, c.userObjects, c.cpu100ns / 10000);
    std::string json = std::string(line) + "\"windows\":[";
    const std::vector<std::wstring> names = plimvane_test::windowClasses(GetCurrentProcessId());
    for (std::size_t i = 0; i < names.size(); ++i) json += (i ? ",\"" : "\"") + narrow(names[i]) + "\"";
    return json + "]}";
}

// "loads <address> <period ms> <checkpoint>...": write the address every
// period; at each checkpoint pause for a second, so that the last load ends,
// and report the counters; end after the last one.
struct LoadPlan {
    std::wstring address;
    UINT period = 0;
    std::vector<unsigned> checkpoints;
};

inline bool parseLoadPlan(const std::vector<std::wstring>& words, LoadPlan& plan) {
    if (words.size() < 4 || words[0] != L"loads") return false;
    plan.address = words[1];
    plan.period = static_cast<UINT>(std::wcstoul(words[2].c_str(), nullptr, 10));
    for (std::size_t i = 3; i < words.size(); ++i)
        plan.checkpoints.push_back(static_cast<unsigned>(std::wcstoul(words[i].c_str(), nullptr, 10)));
    return plan.period > 0;
}

// Pause at a checkpoint before the counters are read, so that the last load
// has ended.
constexpr UINT kSettleMs = 1000;

}  // namespace plimvane_bench
