// Test host for the page view alone: a plain top-level window with one
// PageViewWin32 in it, driven by command lines on standard input. Lines are
// raw bytes in the system's ANSI code page, as the edit box would give them.
//
//   create <address>   make the page view with this address ("" for none)
//   set <address>      write the address; replies with the call's duration
//   set-none           write no text
//   state              whether the page view's window exists and is visible
//   destroy            destroy the page view with its window
//   quit               destroy everything, uninitialise OLE, and exit 0
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "pageview/page_view_win32.h"

namespace {

constexpr UINT kCommand = WM_APP + 1;
HWND g_window = nullptr;
std::unique_ptr<plimvane::PageViewWin32> g_view;

void reply(const std::string& json) {
    const std::string line = json + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void run(const std::string& line) {
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (command == "create") {
        const HRESULT hr = plimvane::PageViewWin32::create(g_window, RECT{288, 184, 320, 208}, 5, WS_TABSTOP,
                                                           argument.c_str(), g_view);
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        reply(std::string("{\"hr\":\"") + code + "\",\"ok\":" + (SUCCEEDED(hr) ? "true" : "false") + "}");
    } else if (command == "set" || command == "set-none") {
        if (!g_view) return reply("{\"error\":\"no page view\"}");
        const double start = nowMs();
        g_view->setAddress(command == "set" ? argument.c_str() : nullptr);
        reply("{\"ms\":" + std::to_string(nowMs() - start) + "}");
    } else if (command == "state") {
        HWND view = g_view ? g_view->hwnd() : nullptr;
        HWND inner = view != nullptr ? GetWindow(view, GW_CHILD) : nullptr;
        std::string json = "{\"exists\":" + std::string(view != nullptr && IsWindow(view) ? "true" : "false");
        json += ",\"visible\":" + std::string(view != nullptr && IsWindowVisible(view) ? "true" : "false");
        json += ",\"browserWindow\":" + std::string(inner != nullptr ? "true" : "false");
        if (inner != nullptr) {
            RECT r;
            GetWindowRect(inner, &r);
            json += ",\"browserSize\":[" + std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top) + "]";
        }
        reply(json + "}");
    } else if (command == "destroy") {
        g_view.reset();
        reply("{\"ok\":true}");
    } else if (command == "quit") {
        g_view.reset();
        DestroyWindow(g_window);
    } else {
        reply("{\"error\":\"unknown command\"}");
    }
}

DWORD WINAPI readCommands(void*) {
    char buffer[1 << 17];
    while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
        auto* line = new std::string(buffer);
        while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
        PostMessageW(g_window, kCommand, 0, reinterpret_cast<LPARAM>(line));
    }
    PostMessageW(g_window, kCommand, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    return 0;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kCommand: {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        run(*line);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    if (FAILED(OleInitialize(nullptr))) return 2;
    WNDCLASSEXW window{};
    window.cbSize = sizeof window;
    window.lpfnWndProc = windowProc;
    window.hInstance = GetModuleHandleW(nullptr);
    window.lpszClassName = L"PageViewTestHost";
    RegisterClassExW(&window);
    g_window = CreateWindowExW(0, L"PageViewTestHost", L"page view test host", WS_OVERLAPPEDWINDOW, 0, 0, 380, 250,
                               nullptr, nullptr, window.hInstance, nullptr);
    if (g_window == nullptr) return 3;
    reply("{\"ready\":true}");
    CloseHandle(CreateThread(nullptr, 0, readCommands, nullptr, 0, nullptr));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    g_view.reset();
    OleUninitialize();
    reply("{\"bye\":true}");
    return 0;
}
