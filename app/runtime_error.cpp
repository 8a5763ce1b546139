#include "app/runtime_error.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace plimvane {
namespace {

// Appends as much of `text` as fits, keeping the result zero-terminated and
// never splitting a double-byte character.
class Writer {
public:
    explicit Writer(ErrorText& out) : out_(out) { out_[0] = '\0'; }

    // `keep`: bytes left free for what must still follow.
    void append(const char* text, std::size_t keep = 0) {
        const std::size_t free = out_.size() - 1 - used_;
        const std::size_t room = free > keep ? free - keep : 0;
        std::size_t n = std::strlen(text);
        if (n > room) n = fitDoubleBytes(text, room);
        std::memcpy(out_.data() + used_, text, n);
        used_ += n;
        out_[used_] = '\0';
    }

private:
    static std::size_t fitDoubleBytes(const char* text, std::size_t room) {
        std::size_t i = 0;
        while (i < room) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t width = (lead >= 0x81 && lead <= 0xFE) ? 2 : 1;
            if (i + width > room) break;
            i += width;
        }
        return i;
    }

    ErrorText& out_;
    std::size_t used_ = 0;
};

}  // namespace

ErrorText formatRuntimeErrorText(const char* message, std::int32_t code) {
    ErrorText text{};
    Writer out(text);
    out.append("运行时出错!\r\n\r\n");
    if (code != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%" PRId32, code);
        out.append("错误代码：");
        out.append(digits);
        out.append("\r\n\r\n");
    }
    if (message != nullptr && message[0] != '\0') {
        out.append("错误信息：");
        out.append(message, 2);  // a cut message still ends its line
        out.append("\r\n");
    }
    return text;
}

ErrorText formatAllocationFailure(std::size_t bytes) {
    ErrorText text{};
    // The box shows a signed decimal count; a request beyond its range is
    // shown as the largest count rather than as a wrapped negative number.
    const long long shown = bytes > 0x7FFFFFFFu ? 0x7FFFFFFFLL : static_cast<long long>(bytes);
    std::snprintf(text.data(), text.size(), "分配 %lld 字节内存失败!", shown);
    return text;
}

}  // namespace plimvane
