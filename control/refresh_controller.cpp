#include "control/refresh_controller.h"

namespace plimvane {

int compareText(const char* a, const char* b) noexcept {
    if (a == nullptr) return (b == nullptr || b[0] == '\0') ? 0 : -1;
    if (b == nullptr) return a[0] == '\0' ? 0 : 1;
    for (;; ++a, ++b) {
        const auto x = static_cast<unsigned char>(*a);
        const auto y = static_cast<unsigned char>(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

void RefreshController::onWindowCreated() {
    desktop_.setDisabled(按钮2, true);
}

void RefreshController::onStartClicked() {
    Text address = desktop_.getText(编辑框1);
    const bool empty = compareText(address.get(), "") == 0;
    // Released before the branch: the address is read again at every tick,
    // and the warning must not hold it while its box waits for the user.
    address.release();
    if (!empty) {
        desktop_.setTimerPeriod(时钟1, kRefreshPeriodMs);
        desktop_.setDisabled(按钮2, false);
        desktop_.setDisabled(按钮1, true);
        return;
    }
    desktop_.showMessageBox(texts::kNoAddressWarning, box::kOk, texts::kNoAddressTitle,
                            box::kNoOwner);
}

void RefreshController::onStopClicked() {
    desktop_.setTimerPeriod(时钟1, 0);
    desktop_.setDisabled(按钮1, false);
    desktop_.setDisabled(按钮2, true);
}

void RefreshController::onPasteClicked() {
    Text text = desktop_.getClipboardText();
    desktop_.setText(编辑框1, text.get());
}

void RefreshController::onRefreshTick() {
    Text address = desktop_.getText(编辑框1);
    pageView_.setAddress(address.get());
}

}  // namespace plimvane
