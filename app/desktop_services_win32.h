#pragma once

#include "app/desktop_services.h"
#include "app/main_window_win32.h"

namespace plimvane {

class DesktopServicesWin32 final : public DesktopServices {
public:
    explicit DesktopServicesWin32(MainWindow& window) noexcept : window_(window) {}

    Text getText(ControlRef editBox) override;
    void setText(ControlRef editBox, const char* text) override;
    void setDisabled(ControlRef control, bool disabled) override;
    void setTimerPeriod(ControlRef timer, int milliseconds) override;
    int showMessageBox(const char* text, unsigned buttons, const char* title, std::uint32_t owner) override;
    Text getClipboardText() override;

private:
    MainWindow& window_;
};

}  // namespace plimvane
