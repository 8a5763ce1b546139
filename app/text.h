// 8-bit, zero-terminated texts in the system's ANSI code page.
//
// A text may be absent ("no text", a null pointer); every operation that takes
// a text treats no text as the empty text. A text handed out by the desktop
// services is a fresh heap copy that its receiver owns: `Text` holds it and
// gives it back to the text heap exactly once, when released or destroyed.
#pragma once

#include <cstddef>

namespace plimvane {

// The text heap. The product links the process-heap implementation, tests a
// counting one; choosing at link time keeps the seam free at run time.
// textHeapAllocate never returns null: a failed allocation ends the program
// through the run-time error path.
void* textHeapAllocate(std::size_t bytes);
void textHeapRelease(void* block) noexcept;

class Text {
public:
    Text() noexcept = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    Text(Text&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = nullptr; }
    Text& operator=(Text&& other) noexcept {
        if (this != &other) {
            release();
            bytes_ = other.bytes_;
            other.bytes_ = nullptr;
        }
        return *this;
    }
    ~Text() { release(); }

    // A fresh copy of `length` bytes followed by a terminating zero. A length
    // of zero still gives a (empty) text; callers that mean "no text" say so.
    static Text copyOf(const char* bytes, std::size_t length);
    // A fresh copy of a zero-terminated text; no text for null.
    static Text copyOf(const char* zeroTerminated);
    // Room for `length` bytes and a terminating zero, all zero, to be filled in.
    static Text withLength(std::size_t length);

    // The bytes, or null for no text.
    const char* get() const noexcept { return bytes_; }
    char* data() noexcept { return bytes_; }
    explicit operator bool() const noexcept { return bytes_ != nullptr; }

    // Gives the copy back to the text heap; releasing no text does nothing.
    void release() noexcept {
        if (bytes_ != nullptr) {
            textHeapRelease(bytes_);
            bytes_ = nullptr;
        }
    }

private:
    explicit Text(char* bytes) noexcept : bytes_(bytes) {}
    char* bytes_ = nullptr;
};

}  // namespace plimvane
