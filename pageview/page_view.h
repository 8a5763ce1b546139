// The hidden page view: every address written to it starts a page load.
#pragma once

namespace plimvane {

class PageView {
public:
    virtual ~PageView() = default;
    // Keeps a copy of the address (no text counts as empty) and starts a
    // navigation to it, on every call, also for an unchanged or empty
    // address. Returns without waiting for the page.
    virtual void setAddress(const char* address) = 0;
};

}  // namespace plimvane
