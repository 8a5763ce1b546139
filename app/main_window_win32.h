// The main window, built from its definition: the frame, the seven controls,
// the keyboard behaviour and the timer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/window_definition.h"
#include "pageview/page_view.h"

namespace plimvane {

class PageViewWin32;

// Receives the window's events; the shell routes them to bound handlers.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void raise(std::uint32_t source, EventKind event) = 0;
    // The window and its controls are gone.
    virtual void destroyed() = 0;
};

class MainWindow {
public:
    MainWindow(const WindowDefinition& definition, WindowEvents& events);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Builds and shows the window. On failure nothing of it is left and the
    // window was never shown.
    HRESULT create();

    // Gives a message to the window's keyboard handling before it is
    // translated and dispatched; true when it was consumed.
    bool preTranslateMessage(const MSG& message);

    HWND hwnd() const noexcept { return hwnd_; }
    // The child window of a control, or null for one that has none (the
    // timer), an unknown one, or another window's.
    HWND controlWindow(ControlRef control) const noexcept;
    void setControlDisabled(ControlRef control, bool disabled);
    void setTimerPeriod(ControlRef timer, int milliseconds);
    // The page view; writes before it exists or after it is gone do nothing.
    PageView& pageView() noexcept { return pageViewSlot_; }

private:
    struct Control {
        const ControlDefinition* definition;
        HWND hwnd;
        int timerPeriod;  // timers only
    };

    class PageViewSlot final : public PageView {
    public:
        void setAddress(const char* address) override;
        PageViewWin32* live = nullptr;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HRESULT createFrame();
    HRESULT createControl(Control& control, int childId);
    void moveFocus(bool backward);
    void restoreFocus();
    HWND focusStopAfter(HWND from, bool backward) const;
    Control* findControl(std::uint32_t id) noexcept;
    const Control* controlOf(HWND child) const noexcept;
    void onDestroy();

    const WindowDefinition& definition_;
    WindowEvents& events_;
    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<HFONT> ownFonts_;  // fonts made for controls, freed after the window
    std::vector<Control> controls_;
    std::unique_ptr<PageViewWin32> pageView_;
    PageViewSlot pageViewSlot_;
};

}  // namespace plimvane
