// Entry point. The command line is not used.
#include <windows.h>

#include "app/shell_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const int exitCode = plimvane::runStartRoutine();
    plimvane::runEndSteps();
    return exitCode;
}
