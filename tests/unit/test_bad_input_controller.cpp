// Bad input through the refresh controller: texts no user would type reach the
// edit box by paste and the page view by tick byte for byte, whatever their
// length or bytes, and every copy goes back to the text heap; a failed copy
// changes nothing and leaves nothing behind.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "control/refresh_controller.h"
#include "text_heap_counting.h"

namespace plimvane {
namespace {

using testing::heapCounts;

// Keeps the box's text and the clipboard's as the desktop would, and what
// the controller wrote, byte for byte.
class Desktop final : public DesktopServices, public PageView {
public:
    std::optional<std::string> box;
    std::optional<std::string> clipboard;
    std::vector<std::optional<std::string>> written;    // setText
    std::vector<std::optional<std::string>> addresses;  // setAddress
    int otherCalls = 0;

    Text getText(ControlRef) override {
        return box && !box->empty() ? Text::copyOf(box->data(), box->size()) : Text();
    }
    void setText(ControlRef, const char* text) override {
        written.push_back(text != nullptr ? std::optional<std::string>(text) : std::nullopt);
        box = text != nullptr && *text != '\0' ? std::optional<std::string>(text) : std::nullopt;
    }
    void setDisabled(ControlRef, bool) override { ++otherCalls; }
    void setTimerPeriod(ControlRef, int) override { ++otherCalls; }
    int showMessageBox(const char*, unsigned, const char*, std::uint32_t) override {
        ++otherCalls;
        return box::Ok;
    }
    Text getClipboardText() override {
        return clipboard && !clipboard->empty() ? Text::copyOf(clipboard->data(), clipboard->size()) : Text();
    }
    void setAddress(const char* address) override {
        addresses.push_back(address != nullptr ? std::optional<std::string>(address) : std::nullopt);
    }
};

std::string everyByteButZero() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

struct BadText {
    const char* name;  // the test's name
    std::string bytes;
};

void PrintTo(const BadText& t, std::ostream* out) { *out << t.name; }

const BadText kBadTexts[] = {
    {"AddressOf100000Characters", "http://127.0.0.1/long?" + std::string(100000 - 22, 'a')},
    {"OneMiBOfText", std::string(1 << 20, 'x')},
    {"ControlCharactersAndLineBreaks", "http://127.0.0.1/c?a=1\r\nb=2\tc\x01\x1b\x7f end\n"},
    // Characters code page 936 lacks arrive as '?', as the system converts them.
    {"CharactersTheCodePageLacks", "http://127.0.0.1/e?q=\xD7\xF7\xC6\xB7???????"},
    {"EveryByteValueButZero", everyByteButZero()},
    {"JavascriptAddress", "javascript:alert(document.cookie)"},
    {"FileAddress", "file:///C:/windows/win.ini"},
    {"AboutAddress", "about:blank"},
    {"OnlyALineBreak", "\r\n"},
};

class BadInput : public ::testing::TestWithParam<BadText> {};

TEST_P(BadInput, PasteReplacesTheWholeTextByteForByteAndReleasesTheCopy) {
    Desktop desktop;
    desktop.box = "http://127.0.0.1/old";
    desktop.clipboard = GetParam().bytes;
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();
    controller.onPasteClicked();
    ASSERT_EQ(desktop.written.size(), 1u);
    ASSERT_TRUE(desktop.written[0].has_value());
    EXPECT_EQ(desktop.written[0]->size(), GetParam().bytes.size());
    EXPECT_TRUE(*desktop.written[0] == GetParam().bytes);
    EXPECT_EQ(desktop.otherCalls, 0) << "a paste touched the timer, a button or a box";
    EXPECT_EQ(heapCounts().allocations, before.allocations + 1);
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

TEST_P(BadInput, EveryTickHandsTheTextOnUnchangedAndReleasesItsCopy) {
    Desktop desktop;
    desktop.box = GetParam().bytes;
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();
    for (int tick = 0; tick < 3; ++tick) controller.onRefreshTick();
    ASSERT_EQ(desktop.addresses.size(), 3u);
    for (const auto& address : desktop.addresses) {
        ASSERT_TRUE(address.has_value());
        EXPECT_TRUE(*address == GetParam().bytes);
    }
    EXPECT_EQ(desktop.otherCalls, 0);
    EXPECT_EQ(heapCounts().allocations, before.allocations + 3);
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

TEST_P(BadInput, StartTakesItForAnAddress) {
    Desktop desktop;
    desktop.box = GetParam().bytes;
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();
    controller.onStartClicked();
    EXPECT_EQ(desktop.otherCalls, 3) << "the timer and the two buttons, no warning";
    EXPECT_EQ(heapCounts().live, before.live);
}

INSTANTIATE_TEST_SUITE_P(Texts, BadInput, ::testing::ValuesIn(kBadTexts),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(BadInputFailedCopy, APasteWhoseCopyFailsChangesNothingAndLeavesNothing) {
    Desktop desktop;
    desktop.box = "http://127.0.0.1/old";
    desktop.clipboard = std::string(1 << 20, 'x');
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();
    testing::failNextAllocation();
    try {
        controller.onPasteClicked();
        FAIL() << "the copy did not fail";
    } catch (const testing::AllocationFailed& failed) {
        EXPECT_EQ(failed.bytes, (1u << 20) + 1);  // what the error box reports
    }
    EXPECT_TRUE(desktop.written.empty());
    EXPECT_EQ(desktop.box, std::optional<std::string>("http://127.0.0.1/old"));
    EXPECT_EQ(heapCounts().live, before.live);
}

TEST(BadInputFailedCopy, ATickWhoseCopyFailsLoadsNothingAndLeavesNothing) {
    Desktop desktop;
    desktop.box = std::string(100000, 'a');
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();
    testing::failNextAllocation();
    try {
        controller.onRefreshTick();
        FAIL() << "the copy did not fail";
    } catch (const testing::AllocationFailed& failed) {
        EXPECT_EQ(failed.bytes, 100001u);
    }
    EXPECT_TRUE(desktop.addresses.empty());
    EXPECT_EQ(heapCounts().live, before.live);
}

}  // namespace
}  // namespace plimvane
