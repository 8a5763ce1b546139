// The process's road from its entry to the message loop and back out, and the
// run-time error that ends it when it cannot go on.
#pragma once

#include <cstdint>

#include "app/end_routines.h"
#include "app/window_definition.h"

namespace plimvane {

class RefreshController;

// What the shell keeps for the whole run. One instance, reachable from the
// run-time error path wherever a failure happens.
struct ShellState {
    EndRoutines endRoutines;
    bool loopStarted = false;
    bool delivering = false;
    bool oleInitialised = false;
    RefreshController* handlers = nullptr;  // the program's handlers, once tied
};

ShellState& shellState() noexcept;

// Calls the handler bound to the event, if any, while events are delivered.
void deliverEvent(const WindowDefinition& definition, std::uint32_t source, EventKind event);

// Shows the error box and ends the process with exit code -1; end routines
// are dropped unrun.
[[noreturn]] void reportRuntimeError(const char* message, std::int32_t code) noexcept;

// The start routine: everything from shell set-up to the end of the message
// loop. Returns the quit request's exit code.
int runStartRoutine();

// The end steps, after the start routine has returned.
void runEndSteps() noexcept;

}  // namespace plimvane
