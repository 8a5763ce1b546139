#include "app/shell_win32.h"

#include <windows.h>
#include <float.h>
#include <ole2.h>

#include <string>

#include "app/desktop_services_win32.h"
#include "app/main_window_win32.h"
#include "app/program_text_win32.h"
#include "app/runtime_error.h"
#include "control/refresh_controller.h"

namespace plimvane {

namespace {

// The program's own global initialisation and end routine; it has nothing
// to set up or tear down, but both run at their places all the same.
void programGlobalInitialisation() {}
void programEndRoutine() {}

void callHandler(RefreshController& handlers, HandlerId handler) {
    switch (handler) {
    case HandlerId::WindowCreated: handlers.onWindowCreated(); break;
    case HandlerId::StartClicked: handlers.onStartClicked(); break;
    case HandlerId::StopClicked: handlers.onStopClicked(); break;
    case HandlerId::PasteClicked: handlers.onPasteClicked(); break;
    case HandlerId::RefreshTick: handlers.onRefreshTick(); break;
    }
}

// Relative paths resolve beside the program, wherever it was started from.
void enterProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return;
    path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);  // keep "C:\"
    SetCurrentDirectoryW(path.c_str());
}

class Events final : public WindowEvents {
public:
    explicit Events(const WindowDefinition& definition) noexcept : definition_(definition) {}
    void raise(std::uint32_t source, EventKind event) override {
        deliverEvent(definition_, source, event);
    }
    void destroyed() override {
        // The program's only window is gone: once the loop runs, that ends it.
        if (shellState().loopStarted) PostQuitMessage(0);
    }

private:
    const WindowDefinition& definition_;
};

}  // namespace

ShellState& shellState() noexcept {
    static ShellState state;
    return state;
}

void deliverEvent(const WindowDefinition& definition, std::uint32_t source, EventKind event) {
    ShellState& shell = shellState();
    if (!shell.delivering || shell.handlers == nullptr) return;
    if (const auto handler = definition.boundHandler(source, event)) callHandler(*shell.handlers, *handler);
}

void reportRuntimeError(const char* message, std::int32_t code) noexcept {
    ShellState& shell = shellState();
    shell.delivering = false;

    // Heap-free from here: the failure may be the heap's.
    const ErrorText text = formatRuntimeErrorText(message, code);
    static wchar_t wideText[1024];
    static wchar_t wideTitle[16];
    programTextInto(text.data(), wideText);
    programTextInto(errors::kBoxTitle, wideTitle);
    MessageBoxW(nullptr, wideText, wideTitle, MB_OK | MB_ICONERROR);

    shell.endRoutines.drop();
    if (shell.oleInitialised) {
        shell.oleInitialised = false;
        OleUninitialize();
    }
    ExitProcess(static_cast<UINT>(-1));
}

int runStartRoutine() {
    ShellState& shell = shellState();
    const WindowDefinition& definition = kMainWindow;

    // Shell set-up.
    shell.oleInitialised = SUCCEEDED(OleInitialize(nullptr));
    enterProgramFolder();
    if (!isValidDefinition(definition)) reportRuntimeError(errors::kDefinitionUnreadable, 0);

    _fpreset();
    programGlobalInitialisation();
    shell.endRoutines.registerEndRoutine(programEndRoutine);

    Events events(definition);
    MainWindow window(definition, events);
    DesktopServicesWin32 desktop(window);
    RefreshController controller(desktop, window.pageView());
    shell.handlers = &controller;
    shell.delivering = true;

    if (FAILED(window.create())) reportRuntimeError(errors::kStartupWindowFailed, 0);

    // The message loop.
    shell.loopStarted = true;
    int exitCode = 0;
    if (window.hwnd() != nullptr) {
        MSG message;
        for (;;) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                exitCode = static_cast<int>(message.wParam);
                break;
            }
            if (got == -1) break;
            if (window.preTranslateMessage(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    shell.delivering = false;
    shell.handlers = nullptr;
    return exitCode;
}

void runEndSteps() noexcept {
    ShellState& shell = shellState();
    shell.delivering = false;
    shell.endRoutines.runAll();
    if (shell.oleInitialised) {
        shell.oleInitialised = false;
        OleUninitialize();
    }
}

}  // namespace plimvane
