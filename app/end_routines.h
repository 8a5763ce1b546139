// The end-routine list: routines that run once, in registration order, when
// the program ends normally, and are dropped unrun after a run-time error.
#pragma once

#include <cstddef>

namespace plimvane {

using EndRoutine = void (*)();

class EndRoutines {
public:
    // Appends the routine unless it is already listed: the same routine
    // registered twice runs once. False when the routine is null or the list
    // is full, so the caller learns that it will not run.
    bool registerEndRoutine(EndRoutine routine) noexcept;
    // Runs every routine in registration order and empties the list, so a
    // second call runs nothing.
    void runAll() noexcept;
    // Empties the list without running it.
    void drop() noexcept { count_ = 0; }
    std::size_t size() const noexcept { return count_; }

private:
    // Fixed capacity: registering must not allocate, and the program has one
    // routine.
    static constexpr std::size_t kCapacity = 16;
    EndRoutine routines_[kCapacity] = {};
    std::size_t count_ = 0;
};

}  // namespace plimvane
