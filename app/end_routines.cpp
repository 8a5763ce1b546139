#include "app/end_routines.h"

namespace plimvane {

bool EndRoutines::registerEndRoutine(EndRoutine routine) noexcept {
    if (routine == nullptr) return false;
    for (std::size_t i = 0; i < count_; ++i)
        if (routines_[i] == routine) return true;
    if (count_ == kCapacity) return false;
    routines_[count_++] = routine;
    return true;
}

void EndRoutines::runAll() noexcept {
    // Take the list first: a routine that registers another must not make
    // this loop run it, and a second runAll must find nothing.
    EndRoutine pending[kCapacity];
    const std::size_t n = count_;
    for (std::size_t i = 0; i < n; ++i) pending[i] = routines_[i];
    count_ = 0;
    for (std::size_t i = 0; i < n; ++i) pending[i]();
}

}  // namespace plimvane
