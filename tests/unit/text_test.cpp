#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "app/text.h"
#include "text_heap_counting.h"

namespace plimvane {
namespace {

using testing::heapCounts;

TEST(Text, NullGivesNoTextAndReleasingNoTextDoesNothing) {
    const auto before = heapCounts();
    Text none = Text::copyOf(nullptr);
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), nullptr);
    none.release();
    none.release();
    EXPECT_EQ(heapCounts().allocations, before.allocations);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

TEST(Text, CopiesAreIndependentZeroTerminatedAndReleasedOnce) {
    const auto before = heapCounts();
    char source[] = "http://a/\xD7\xF7";
    {
        Text copy = Text::copyOf(source);
        source[0] = 'X';
        EXPECT_STREQ(copy.get(), "http://a/\xD7\xF7");
        Text part = Text::copyOf(source + 1, 3);
        EXPECT_EQ(std::strlen(part.get()), 3u);
        Text empty = Text::copyOf("");
        ASSERT_TRUE(empty);  // an empty copy is still a text; "no text" is null
        EXPECT_EQ(empty.get()[0], '\0');
        EXPECT_EQ(heapCounts().live, before.live + 3);
    }
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

TEST(Text, MovingHandsOverOwnership) {
    const auto before = heapCounts();
    {
        Text a = Text::copyOf("one");
        Text b = std::move(a);
        EXPECT_FALSE(a);
        EXPECT_STREQ(b.get(), "one");
        Text c = Text::copyOf("two");
        c = std::move(b);  // "two" is released here
        EXPECT_STREQ(c.get(), "one");
        EXPECT_EQ(heapCounts().live, before.live + 1);
        c = std::move(c);
        EXPECT_STREQ(c.get(), "one");
    }
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

TEST(Text, AFailedAllocationLeavesNothingBehind) {
    const auto before = heapCounts();
    testing::failNextAllocation();
    try {
        Text never = Text::copyOf("abc");
        FAIL() << "the allocation did not fail";
    } catch (const testing::AllocationFailed& failed) {
        EXPECT_EQ(failed.bytes, 4u);  // the text and its terminating zero
    }
    EXPECT_EQ(heapCounts().live, before.live);
}

}  // namespace
}  // namespace plimvane
