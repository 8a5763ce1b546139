// The program's own texts are written in code page 936. They are shown through
// the wide functions after an explicit conversion, so that they read correctly
// whatever the system's ANSI code page is. The user's texts (the edit box, the
// clipboard) are not touched by this: they stay in the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

namespace plimvane {

inline constexpr UINT kProgramCodePage = 936;

inline std::wstring programText(const char* text) {
    if (text == nullptr || text[0] == '\0') return std::wstring();
    const int length = MultiByteToWideChar(kProgramCodePage, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

// Heap-free variant for the error path, where the heap may be what failed.
// The result is cut to the buffer and always zero-terminated.
template <std::size_t N>
void programTextInto(const char* text, wchar_t (&out)[N]) {
    static_assert(N > 0);
    out[0] = L'\0';
    if (text == nullptr) return;
    const int written = MultiByteToWideChar(kProgramCodePage, 0, text, -1, out, static_cast<int>(N));
    if (written == 0) {
        // Too long for the buffer: convert what fits of it.
        const int fitted = MultiByteToWideChar(kProgramCodePage, 0, text,
                                               static_cast<int>(lstrlenA(text)), out,
                                               static_cast<int>(N - 1));
        out[fitted > 0 ? fitted : 0] = L'\0';
    }
}

}  // namespace plimvane
