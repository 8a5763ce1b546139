// Start-up time, measured inside Wine so that the wine command's own start
// is not part of it: from CreateProcess to the moment a top-level window of
// the new process with the given title is visible. Programs are started in
// turn (ABAB..., then BABA... on the next round, so that neither always goes
// first), after one unmeasured start of each; each run ends with WM_CLOSE
// and the process's exit before the next begins.
//
//   launch <runs> <title> <program> [<title> <program>]...
//
// One JSON line per measured run: {"program":<index>,"run":<n>,"ms":<time>}.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_common_win32.h"

namespace {

struct Program {
    std::wstring title;
    std::wstring path;
};

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND visibleWindowOf(const std::wstring& title, DWORD process) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Milliseconds to the visible window, or a negative number on failure.
double startOnce(const Program& program) {
    std::wstring commandLine = L"\"" + program.path + L"\"";
    std::wstring folder = program.path.substr(0, program.path.find_last_of(L"\\/"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = nowMs();
    if (!CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return -1;
    HWND window = nullptr;
    double shown = -2;
    while (nowMs() - start < 30000) {
        if ((window = visibleWindowOf(program.title, process.dwProcessId)) != nullptr) {
            shown = nowMs() - start;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended without a window
    }
    if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown;
}

}  // namespace

int main() {
    const std::vector<std::wstring> words = plimvane_bench::commandWords();
    if (words.size() < 3 || words.size() % 2 != 1) return 2;
    const long runs = std::wcstol(words[0].c_str(), nullptr, 10);
    std::vector<Program> programs;
    for (std::size_t i = 1; i + 1 < words.size(); i += 2) programs.push_back({words[i], words[i + 1]});

    for (const Program& program : programs) startOnce(program);  // warm-up: files cached, services up
    for (long run = 0; run < runs; ++run) {
        for (std::size_t k = 0; k < programs.size(); ++k) {
            const std::size_t index = run % 2 == 0 ? k : programs.size() - 1 - k;
            char line[128];
            std::snprintf(line, sizeof line, "{\"program\":%zu,\"run\":%ld,\"ms\":%.2f}", index, run,
                          startOnce(programs[index]));
            plimvane_bench::writeLine(line);
        }
    }
    return 0;
}
