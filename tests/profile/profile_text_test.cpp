#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "profile/profile_text.h"

namespace {

TEST(ProfileText, BasesOtherThanTwoEightAndSixteenAreDecimal) {
    for (int base : {0, 1, 3, 7, 10, 36, -16}) EXPECT_EQ(NormalizeBase(base), 10) << base;
    for (int base : {2, 8, 16}) EXPECT_EQ(NormalizeBase(base), base);
}

TEST(ProfileText, BinaryDigitsStopAtTheLimitAndNeverLeadWithZero) {
    char buffer[70];
    FormatBinary(0, buffer, 64);
    EXPECT_STREQ(buffer, "0");
    FormatBinary(6, buffer, 64);
    EXPECT_STREQ(buffer, "110");
    FormatBinary(0xFF, buffer, 4);
    EXPECT_STREQ(buffer, "1111");
    std::memset(buffer, 0xCC, sizeof buffer);
    FormatBinary(5, buffer, 0);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xCC);
}

TEST(ProfileText, ParseBoolKeepsTheDefaultForNothing) {
    EXPECT_EQ(ParseBool(nullptr, 5), 5);
    EXPECT_EQ(ParseBool("", 5), 5);
    EXPECT_EQ(ParseBool("yEs", 5), 1);
    EXPECT_EQ(ParseBool(" -0", 5), 0);
}

TEST(ProfileText, TrimRemovesOnlySpacesTabsAndLineBreaks) {
    char blanks[] = " \t\r\n ";
    EXPECT_EQ(TrimText(blanks), 1);
    EXPECT_STREQ(blanks, "");
    char x[] = "x";
    EXPECT_EQ(TrimText(x), 0);
    EXPECT_STREQ(x, "x");
    char mixed[] = "\t a b \n";
    EXPECT_EQ(TrimText(mixed), 1);
    EXPECT_STREQ(mixed, "a b");
    char other[] = "\va\f";
    EXPECT_EQ(TrimText(other), 0);
    EXPECT_EQ(TrimText(nullptr), 0);
}

TEST(ProfileText, SplitLeavesOutEmptyPieces) {
    char target[32];
    EXPECT_EQ(SplitText("a, b,,c", target, sizeof target, ",", 1), 6u);
    EXPECT_EQ(std::string(target, 7), std::string("a\0b\0c\0\0", 7));
    EXPECT_EQ(SplitText(",,", target, sizeof target, nullptr, 0), 0u);
    EXPECT_EQ(target[0], '\0');
    EXPECT_EQ(SplitText("", target, sizeof target, nullptr, 0), 0u);
    EXPECT_EQ(SplitText(nullptr, target, sizeof target, nullptr, 0), 0u);
    EXPECT_EQ(SplitText("a", nullptr, 8, nullptr, 0), 0u);
    EXPECT_EQ(SplitText("a", target, 0, nullptr, 0), 0u);
}

TEST(ProfileText, SplitNeverWritesAtOrPastTheSize) {
    const char* source = "one,two,three";
    for (std::uint32_t size = 1; size <= 16; ++size) {
        SCOPED_TRACE(size);
        char target[24];
        std::memset(target, 0xCC, sizeof target);
        std::uint32_t used = SplitText(source, target, size, ",", 0);
        for (std::uint32_t i = size; i < sizeof target; ++i)
            ASSERT_EQ(static_cast<unsigned char>(target[i]), 0xCC) << "byte " << i;
        ASSERT_LT(used, size);
        EXPECT_EQ(target[used], '\0');
        EXPECT_EQ(std::string("one\0two\0three\0", 14).compare(0, used, std::string(target, used)), 0);
    }
    char small[4];
    std::memset(small, 0xCC, sizeof small);
    EXPECT_EQ(SplitText("abcdef", small, 4, "", 0), 3u);
    EXPECT_EQ(std::string(small, 4), std::string("abc\0", 4));
}

TEST(ProfileText, WalkListStopsWhereTheCallbackSays) {
    const char list[] = "alpha\0Beta\0gamma\0";
    EXPECT_EQ(WalkList(list, MatchName, const_cast<char*>("BETA")), 0);
    EXPECT_EQ(WalkList(list, MatchName, const_cast<char*>("delta")), 1);
    EXPECT_EQ(WalkList(nullptr, MatchName, nullptr), 0);
    EXPECT_EQ(WalkList(list, nullptr, nullptr), 0);
    EXPECT_EQ(WalkList("\0", MatchName, const_cast<char*>("x")), 1);
}

TEST(ProfileText, CollectKeyNameCountsNamesWithTheirTerminators) {
    KeyListCursor counting{nullptr, 0, 0};
    EXPECT_EQ(CollectKeyName(" key =v", &counting), 1);
    EXPECT_EQ(CollectKeyName("=v", &counting), 1);
    EXPECT_EQ(CollectKeyName("novalue", &counting), 1);
    EXPECT_EQ(CollectKeyName(" =v", &counting), 1);  // empty after trimming: a lone zero
    EXPECT_EQ(counting.total, 5u);
    EXPECT_EQ(CollectKeyName(nullptr, &counting), 0);
    EXPECT_EQ(CollectKeyName("a=b", nullptr), 0);
}

TEST(ProfileText, CopySpanTakesTheBytesBetween) {
    const char text[] = "hello world";
    HeapText span = CopySpan(text + 6, text + 11);
    EXPECT_STREQ(span.get(), "world");
    EXPECT_STREQ(CopySpan(text, text).get(), "");
}

}  // namespace
