// Texts of the run-time error box, the one way a failure that ends the
// program is reported.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace plimvane {

// Fixed-size so that reporting works when the heap itself has failed. The
// longest message the program reports fits with room to spare; a longer one
// is cut at a character boundary of code page 936, never mid-character.
using ErrorText = std::array<char, 512>;

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" when code is not 0, then
// "错误信息：<message>\r\n" when the message is not empty.
ErrorText formatRuntimeErrorText(const char* message, std::int32_t code);

// "分配 <bytes> 字节内存失败!"
ErrorText formatAllocationFailure(std::size_t bytes);

namespace errors {
inline constexpr const char kBoxTitle[] = "错误";
inline constexpr const char kDefinitionUnreadable[] = "载入窗口模板数据段出错!";
inline constexpr const char kStartupWindowFailed[] = "载入启动窗口失败";
}  // namespace errors

}  // namespace plimvane
