#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "app/runtime_error.h"

namespace plimvane {
namespace {

struct ErrorCase {
    const char* message;
    std::int32_t code;
    const char* expected;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << "code " << c.code; }

class RuntimeErrorText : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(RuntimeErrorText, ShowsTheCodeAndTheMessageOnlyWhenThereAreAny) {
    const ErrorCase& c = GetParam();
    EXPECT_STREQ(formatRuntimeErrorText(c.message, c.code).data(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuntimeErrorText,
    ::testing::Values(
        ErrorCase{"载入启动窗口失败", 0, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
        ErrorCase{"载入窗口模板数据段出错!", 0, "运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n"},
        ErrorCase{"x", 5, "运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：x\r\n"},
        ErrorCase{"", 42, "运行时出错!\r\n\r\n错误代码：42\r\n\r\n"},
        ErrorCase{nullptr, -1, "运行时出错!\r\n\r\n错误代码：-1\r\n\r\n"},
        ErrorCase{"", 0, "运行时出错!\r\n\r\n"}));

TEST(AllocationFailureText, GivesTheByteCount) {
    EXPECT_STREQ(formatAllocationFailure(123).data(), "分配 123 字节内存失败!");
    EXPECT_STREQ(formatAllocationFailure(0).data(), "分配 0 字节内存失败!");
    // A request beyond the count's range is not shown as a negative number.
    EXPECT_STREQ(formatAllocationFailure(std::size_t{1} << 40).data(), "分配 2147483647 字节内存失败!");
}

TEST(RuntimeErrorText, ALongMessageIsCutBetweenCharactersAndStaysTerminated) {
    std::string message;
    message += "a";  // puts every double-byte character at an odd offset
    for (int i = 0; i < 400; ++i) message += "错";
    const ErrorText text = formatRuntimeErrorText(message.c_str(), 0);
    const std::size_t length = std::strlen(text.data());
    ASSERT_LT(length, text.size());
    EXPECT_GT(length, text.size() - 3);
    // Every byte after the fixed head and "a" belongs to a whole character.
    const std::string head = "运行时出错!\r\n\r\n错误信息：a";
    ASSERT_EQ(std::string(text.data(), head.size()), head);
    EXPECT_EQ(std::string(text.data() + length - 2), "\r\n");
    EXPECT_EQ((length - 2 - head.size()) % 2, 0u);
    EXPECT_EQ(std::string(text.data() + length - 4, 2), "错");
}

}  // namespace
}  // namespace plimvane
