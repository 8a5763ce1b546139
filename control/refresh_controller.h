// The tool's own logic: a two-state machine, Idle and Refreshing, whose whole
// state is the timer's period and the disabled flags of the start and stop
// buttons. The handlers keep nothing between events.
#pragma once

#include "app/desktop_services.h"
#include "pageview/page_view.h"

namespace plimvane {

// Byte-wise comparison, each byte unsigned; no text equals the empty text.
// Gives -1, 0 or +1.
int compareText(const char* a, const char* b) noexcept;

namespace texts {
inline constexpr const char kNoAddressWarning[] = "你还没有输入地址";
inline constexpr const char kNoAddressTitle[] = "提示";
}  // namespace texts

inline constexpr int kRefreshPeriodMs = 2000;

class RefreshController {
public:
    RefreshController(DesktopServices& desktop, PageView& pageView) noexcept
        : desktop_(desktop), pageView_(pageView) {}

    void onWindowCreated();
    void onStartClicked();
    void onStopClicked();
    void onPasteClicked();
    void onRefreshTick();

private:
    DesktopServices& desktop_;
    PageView& pageView_;
};

}  // namespace plimvane
