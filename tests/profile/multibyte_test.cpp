// The same cases run against the C runtime's functions on Windows and our own elsewhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/multibyte.h"
#include "tests/support/temp_folder.h"

namespace {

class Multibyte : public ::testing::Test {
protected:
    void TearDown() override { platform::SetMultibyteCodePage(1250); }
};

// In code page 932 "\x82\xA0" is one character, and "\x83\x5D" one whose trail byte is "]".
bool UsingWineRuntime() { return UsingWineProfileCalls(); }

constexpr char kHiragana[] = "\x82\xA0";

TEST_F(Multibyte, TheDefaultCodePageHasNoDoubleByteCharacters) {
    platform::SetMultibyteCodePage(1250);
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_FALSE(platform::IsLeadByte(static_cast<unsigned char>(byte))) << byte;
}

TEST_F(Multibyte, BoundedCopyPadsWithZerosAndLeavesNoTerminatorWhenFull) {
    char buffer[8];
    std::memset(buffer, 0xCC, sizeof buffer);
    platform::MbsBoundedCopy(buffer, "ab", 5);
    EXPECT_EQ(std::string(buffer, 5), std::string("ab\0\0\0", 5));
    EXPECT_EQ(static_cast<unsigned char>(buffer[5]), 0xCC);
    std::memset(buffer, 0xCC, sizeof buffer);
    platform::MbsBoundedCopy(buffer, "abcdef", 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(static_cast<unsigned char>(buffer[3]), 0xCC);
}

TEST_F(Multibyte, BoundedCopyNeverSplitsADoubleByteCharacter) {
    ASSERT_TRUE(platform::SetMultibyteCodePage(932));
    char buffer[8];
    std::memset(buffer, 0xCC, sizeof buffer);
    platform::MbsBoundedCopy(buffer, "a\x82\xA0z", 2);
    EXPECT_EQ(std::string(buffer, 2), std::string("a\0", 2));
    std::memset(buffer, 0xCC, sizeof buffer);
    platform::MbsBoundedCopy(buffer, "a\x82\xA0z", 3);
    EXPECT_EQ(std::string(buffer, 3), "a\x82\xA0");
    std::memset(buffer, 0xCC, sizeof buffer);
    platform::MbsBoundedCopy(buffer, kHiragana, 1);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(Multibyte, CaseIsFoldedForAToZOnly) {
    EXPECT_EQ(platform::MbsCompareNoCase("Options", "OPTIONS"), 0);
    EXPECT_NE(platform::MbsCompareNoCase("\xE9", "\xC9"), 0);
    EXPECT_LT(platform::MbsCompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(platform::MbsCompare("b", "a"), 0);
    EXPECT_NE(platform::MbsCompare("a", "A"), 0);
    ASSERT_TRUE(platform::SetMultibyteCodePage(932));
    // The trail byte 0x61 is not the letter "a" inside a double-byte character.
    EXPECT_NE(platform::MbsCompareNoCase("\x83\x61", "\x83\x41"), 0);
}

TEST_F(Multibyte, SearchesStepOverWholeCharacters) {
    ASSERT_TRUE(platform::SetMultibyteCodePage(932));
    const char text[] = "\x83\x5D]x";
    // Wine's _mbsstr compares byte by byte and so finds the trail byte; Windows' steps
    // over the double-byte character, as our engine does.
    EXPECT_EQ(platform::MbsFind(text, "]"), UsingWineRuntime() ? text + 1 : text + 2);
    EXPECT_EQ(platform::MbsFindChar(text, ']'), text + 2);
    EXPECT_EQ(platform::MbsFind(text, "x"), text + 3);
    EXPECT_EQ(platform::MbsFind(text, "y"), nullptr);
    EXPECT_EQ(platform::MbsFind(text, ""), text);
    EXPECT_EQ(platform::MbsFindChar(text, 0x835D), text);
}

TEST_F(Multibyte, ReverseKeepsDoubleByteCharactersInOrder) {
    char plain[] = "abc";
    platform::MbsReverse(plain);
    EXPECT_STREQ(plain, "cba");
    ASSERT_TRUE(platform::SetMultibyteCodePage(932));
    char mixed[] = "a\x82\xA0z";
    platform::MbsReverse(mixed);
    EXPECT_STREQ(mixed, "z\x82\xA0" "a");
}

}  // namespace
