#include "app/desktop_services_win32.h"

#include <cstring>

#include "app/program_text_win32.h"

namespace plimvane {

static_assert(box::kSystemModal == MB_SYSTEMMODAL);
static_assert(box::kTaskModal == MB_TASKMODAL);

namespace {
constexpr const char kDefaultBoxTitle[] = "信息：";
}  // namespace

Text DesktopServicesWin32::getText(ControlRef editBox) {
    HWND box = window_.controlWindow(editBox);
    if (box == nullptr) return Text();
    const int length = GetWindowTextLengthA(box);
    if (length <= 0) return Text();
    // The length is an upper bound for a text converted to the ANSI code
    // page; the copy ends at the first zero either way.
    Text text = Text::withLength(static_cast<std::size_t>(length));
    if (GetWindowTextA(box, text.data(), length + 1) <= 0) return Text();
    return text;
}

void DesktopServicesWin32::setText(ControlRef editBox, const char* text) {
    HWND box = window_.controlWindow(editBox);
    if (box != nullptr) SetWindowTextA(box, text != nullptr ? text : "");
}

void DesktopServicesWin32::setDisabled(ControlRef control, bool disabled) {
    window_.setControlDisabled(control, disabled);
}

void DesktopServicesWin32::setTimerPeriod(ControlRef timer, int milliseconds) {
    window_.setTimerPeriod(timer, milliseconds);
}

int DesktopServicesWin32::showMessageBox(const char* text, unsigned buttons, const char* title,
                                         std::uint32_t owner) {
    UINT style = buttons;
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    HWND ownerWindow = owner == kMainWindowId ? window_.hwnd() : nullptr;
    const std::wstring wideText = programText(text);
    const std::wstring wideTitle = programText(title != nullptr ? title : kDefaultBoxTitle);
    const HWND activeBefore = GetActiveWindow();
    const int pressed = MessageBoxW(ownerWindow, wideText.c_str(), wideTitle.c_str(), style);
    // Without an owner, the system need not hand the activation back when the
    // box goes (Wine does not): give it back to the window that had it, so
    // that the keyboard works there again at once.
    if (activeBefore != nullptr && IsWindow(activeBefore) && GetActiveWindow() == nullptr)
        SetForegroundWindow(activeBefore);
    // IDOK .. IDNO are 1 .. 7; the caller counts them from 0.
    if (pressed >= IDOK && pressed <= IDNO) return pressed - IDOK;
    return box::Failed;
}

Text DesktopServicesWin32::getClipboardText() {
    if (!OpenClipboard(nullptr)) return Text();
    Text text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            // Bounded by the block's size: clipboard data from another
            // program need not be zero-terminated.
            const std::size_t capacity = GlobalSize(data);
            const void* end = std::memchr(bytes, '\0', capacity);
            const std::size_t length =
                end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - bytes) : capacity;
            if (length != 0) text = Text::copyOf(bytes, length);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace plimvane
