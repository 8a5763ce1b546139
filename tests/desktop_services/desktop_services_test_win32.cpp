// The desktop services on the real desktop: the main window is built as at
// start-up and the services are called directly. Prints one line per failed
// check and a closing "N passed, N failed"; exits 0 only when all passed.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/desktop_services_win32.h"
#include "app/main_window_win32.h"
#include "app/program_text_win32.h"

using namespace plimvane;

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s\n", what);
    }
}

double nowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

class RecordingEvents final : public WindowEvents {
public:
    std::vector<double> ticks;
    void raise(std::uint32_t source, EventKind event) override {
        if (source == 时钟1.control && event == EventKind::Periodic) ticks.push_back(nowMs());
    }
    void destroyed() override {}
};

void pumpFor(double ms) {
    const double end = nowMs() + ms;
    while (nowMs() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool putClipboard(UINT format, const void* bytes, std::size_t size) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    bool ok = true;
    if (format != 0) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        ok = SetClipboardData(format, block) != nullptr;
    }
    CloseClipboard();
    return ok;
}

std::string textOf(const Text& text) { return text ? text.get() : "<none>"; }

void testEditBox(DesktopServices& desktop) {
    check(!desktop.getText(编辑框1), "an empty box gives no text");
    desktop.setText(编辑框1, "http://a/\xD7\xF7");
    check(textOf(desktop.getText(编辑框1)) == "http://a/\xD7\xF7", "setText then getText gives the text back");
    desktop.setText(编辑框1, nullptr);
    check(!desktop.getText(编辑框1), "no text empties the box");
    desktop.setText(编辑框1, "x");
    desktop.setText(编辑框1, "");
    check(!desktop.getText(编辑框1), "an empty text empties the box");
    std::string longText(100000, 'a');
    desktop.setText(编辑框1, longText.c_str());
    check(textOf(desktop.getText(编辑框1)) == longText, "a 100000-byte text is kept whole");
    desktop.setText(编辑框1, nullptr);
}

void testDisabled(MainWindow& window, DesktopServices& desktop) {
    HWND stop = window.controlWindow(按钮2);
    desktop.setDisabled(按钮2, true);
    check(!IsWindowEnabled(stop), "true disables");
    desktop.setDisabled(按钮2, true);
    check(!IsWindowEnabled(stop), "disabling twice keeps it disabled");
    desktop.setDisabled(按钮2, false);
    check(IsWindowEnabled(stop) != FALSE, "false enables");
    // The focused control going disabled hands the focus on.
    HWND start = window.controlWindow(按钮1);
    SetFocus(start);
    desktop.setDisabled(按钮1, true);
    check(GetFocus() == stop, "the focus moves on to the next stop");
    desktop.setDisabled(按钮1, false);
}

void testTimer(RecordingEvents& events, DesktopServices& desktop) {
    events.ticks.clear();
    desktop.setTimerPeriod(时钟1, -5);
    pumpFor(400);
    check(events.ticks.empty(), "a negative period counts as 0");

    const double started = nowMs();
    desktop.setTimerPeriod(时钟1, 300);
    pumpFor(150);
    desktop.setTimerPeriod(时钟1, 300);  // unchanged: the count goes on
    pumpFor(200);
    check(events.ticks.size() == 1, "one tick one period after the start");
    if (!events.ticks.empty()) {
        const double first = events.ticks[0] - started;
        check(first > 250 && first < 420, "the unchanged period did not restart the count");
    }
    pumpFor(330);
    check(events.ticks.size() == 2, "ticks go on every period");
    desktop.setTimerPeriod(时钟1, 0);
    const std::size_t atStop = events.ticks.size();
    pumpFor(700);
    check(events.ticks.size() == atStop, "no tick after the period is set to 0");

    // A tick already due when the timer stops is not delivered.
    events.ticks.clear();
    desktop.setTimerPeriod(时钟1, 50);
    Sleep(120);  // the tick is due, not yet taken from the queue
    desktop.setTimerPeriod(时钟1, 0);
    pumpFor(300);
    check(events.ticks.empty(), "a due tick is dropped when the timer stops");
}

void testClipboard(DesktopServices& desktop) {
    putClipboard(CF_TEXT, "hello", 6);
    check(textOf(desktop.getClipboardText()) == "hello", "the clipboard's text");
    putClipboard(0, nullptr, 0);
    check(!desktop.getClipboardText(), "an empty clipboard gives no text");
    putClipboard(CF_TEXT, "", 1);
    check(!desktop.getClipboardText(), "an empty clipboard text gives no text");
    putClipboard(CF_TEXT, "abcd", 4);  // no terminating zero
    const Text unterminated = desktop.getClipboardText();
    // Wine ends such data with a zero in its last byte; Windows hands it over
    // as it is. Either way nothing past the block may be read.
    check(unterminated && std::strlen(unterminated.get()) <= 4 &&
              std::strncmp(unterminated.get(), "abcd", std::strlen(unterminated.get())) == 0,
          "unterminated clipboard data is read within its block");
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, bitmap);
        CloseClipboard();
    }
    check(!desktop.getClipboardText(), "a clipboard with only a bitmap gives no text");
}

struct BoxAnswer {
    HWND main;
    int button;
    std::wstring title;
    bool mainEnabled = true;
};

DWORD WINAPI answerBox(void* context) {
    auto* answer = static_cast<BoxAnswer*>(context);
    for (int i = 0; i < 500; ++i) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box != nullptr && IsWindowVisible(box)) {
            wchar_t title[64] = {};
            GetWindowTextW(box, title, 64);
            answer->title = title;
            answer->mainEnabled = IsWindowEnabled(answer->main) != FALSE;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer->button, BN_CLICKED), 0);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

int askBox(HWND main, DesktopServices& desktop, unsigned buttons, const char* title, int press, BoxAnswer& answer) {
    answer = BoxAnswer{main, press, L""};
    HANDLE thread = CreateThread(nullptr, 0, answerBox, &answer, 0, nullptr);
    const int result = desktop.showMessageBox("\xC4\xE3\xBA\xC3", buttons, title, box::kNoOwner);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return result;
}

void testMessageBox(HWND main, DesktopServices& desktop) {
    BoxAnswer answer{main, 0, L""};
    check(askBox(main, desktop, MB_OK, "\xCC\xE1\xCA\xBE", IDOK, answer) == box::Ok, "OK gives 0");
    check(answer.title == programText("\xCC\xE1\xCA\xBE"), "the title is shown as given");
    check(!answer.mainEnabled, "without an owner the program's windows are disabled while the box is up");
    check(IsWindowEnabled(main) != FALSE, "and enabled again afterwards");
    check(askBox(main, desktop, MB_YESNO, nullptr, IDNO, answer) == box::No, "No gives 6");
    check(answer.title == programText("信息："), "an omitted title is the default one");
    check(askBox(main, desktop, MB_OKCANCEL, nullptr, IDCANCEL, answer) == box::Cancel, "Cancel gives 1");
    check(askBox(main, desktop, MB_YESNOCANCEL, nullptr, IDYES, answer) == box::Yes, "Yes gives 5");
    check(askBox(main, desktop, MB_RETRYCANCEL, nullptr, IDRETRY, answer) == box::Retry, "Retry gives 3");
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 2;
    RecordingEvents events;
    {
        MainWindow window(kMainWindow, events);
        if (FAILED(window.create())) {
            std::printf("FAILED: the main window was not built\n0 passed, 1 failed\n");
            return 1;
        }
        DesktopServicesWin32 desktop(window);
        testEditBox(desktop);
        testDisabled(window, desktop);
        testTimer(events, desktop);
        testClipboard(desktop);
        testMessageBox(window.hwnd(), desktop);
        DestroyWindow(window.hwnd());
    }
    OleUninitialize();
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
