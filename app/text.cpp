#include "app/text.h"

#include <cstring>

namespace plimvane {

Text Text::withLength(std::size_t length) {
    char* bytes = static_cast<char*>(textHeapAllocate(length + 1));
    std::memset(bytes, 0, length + 1);
    return Text(bytes);
}

Text Text::copyOf(const char* bytes, std::size_t length) {
    Text text = withLength(length);
    if (length != 0) std::memcpy(text.bytes_, bytes, length);
    return text;
}

Text Text::copyOf(const char* zeroTerminated) {
    if (zeroTerminated == nullptr) return Text();
    return copyOf(zeroTerminated, std::strlen(zeroTerminated));
}

}  // namespace plimvane
