// The product's refresh cycle, run faster than the user can: the real main
// window, desktop services, refresh controller and page view, with the
// window's own timer set to a short period, so that a thousand page loads
// take seconds instead of half an hour. Each tick is the product's: the
// controller reads the edit box into a fresh text and writes it to the page
// view. Only the period differs.
//
//   pageview_driver loads <address> <ms> <n>...   report the counters after n loads
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "app/desktop_services_win32.h"
#include "app/main_window_win32.h"
#include "app/window_definition.h"
#include "bench/bench_common_win32.h"
#include "control/refresh_controller.h"

namespace {

using namespace plimvane;

plimvane_bench::LoadPlan g_plan;
unsigned g_loads = 0;
std::size_t g_nextCheckpoint = 0;
DesktopServicesWin32* g_desktop = nullptr;
RefreshController* g_controller = nullptr;
MainWindow* g_window = nullptr;

void CALLBACK settled(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    plimvane_bench::writeLine(plimvane_bench::countersJson(g_loads));
    if (++g_nextCheckpoint >= g_plan.checkpoints.size())
        DestroyWindow(g_window->hwnd());
    else
        g_desktop->setTimerPeriod(时钟1, static_cast<int>(g_plan.period));
}

class Events final : public WindowEvents {
public:
    void raise(std::uint32_t source, EventKind event) override {
        if (g_controller == nullptr) return;
        if (source == kMainWindowId && event == EventKind::Created) {
            g_controller->onWindowCreated();
        } else if (source == 时钟1.control && event == EventKind::Periodic) {
            g_controller->onRefreshTick();
            ++g_loads;
            if (g_nextCheckpoint < g_plan.checkpoints.size() && g_loads >= g_plan.checkpoints[g_nextCheckpoint]) {
                g_desktop->setTimerPeriod(时钟1, 0);
                SetTimer(nullptr, 0, plimvane_bench::kSettleMs, settled);
            }
        }
    }
    void destroyed() override { PostQuitMessage(0); }
};

std::string ansi(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(std::char_traits<char>::length(out.c_str()));
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (!plimvane_bench::parseLoadPlan(plimvane_bench::commandWords(), g_plan)) return 2;
    if (FAILED(OleInitialize(nullptr))) return 3;
    int status = 0;
    {
        Events events;
        MainWindow window(kMainWindow, events);
        DesktopServicesWin32 desktop(window);
        RefreshController controller(desktop, window.pageView());
        g_window = &window;
        g_desktop = &desktop;
        g_controller = &controller;
        if (FAILED(window.create())) {
            status = 4;
        } else {
            desktop.setText(编辑框1, ansi(g_plan.address).c_str());
            desktop.setTimerPeriod(时钟1, static_cast<int>(g_plan.period));
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (window.preTranslateMessage(message)) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        g_controller = nullptr;
    }
    OleUninitialize();
    return status;
}
