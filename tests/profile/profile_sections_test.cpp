#include <cstring>
#include <string>

#include "tests/profile/profile_fixture.h"

namespace {

class ProfileSections : public ProfileTest {};

TEST_F(ProfileSections, EmptyListsNeedTwoBytes) {
    EXPECT_EQ(file_.ReadSection("none", nullptr, 0), 2u);
    EXPECT_EQ(file_.ReadSectionNames(nullptr, 0), 2u);
    Put("[s]\r\na=1\r\nb=2\r\n[t]\r\n");
    EXPECT_EQ(file_.ReadSection("s", nullptr, 0), 10u);
    EXPECT_EQ(file_.ReadSectionNames(nullptr, 0), 6u);
    EXPECT_EQ(file_.ReadSection(nullptr, nullptr, 0), 0u);
}

TEST_F(ProfileSections, LongSectionsAreMeasuredWhole) {
    std::string text = "[big]\r\n";
    for (int i = 0; i < 300; ++i) text += "key" + std::to_string(i) + "=value\r\n";
    Put(text);
    std::uint32_t needed = file_.ReadSection("big", nullptr, 0);
    std::string buffer(needed, '\xCC');
    EXPECT_EQ(file_.ReadSection("big", buffer.data(), needed), needed - 2);
    EXPECT_EQ(buffer.substr(0, 11), std::string("key0=value\0", 11));
    EXPECT_EQ(buffer.substr(needed - 3), std::string("\0\0\xCC", 3));
}

TEST_F(ProfileSections, KeyNamesSkipLinesWithoutANameOrEquals) {
    Put("[s]\r\na=1\r\n bb =2\r\n=3\r\nc\r\n");
    EXPECT_EQ(file_.ReadKeyNames("s", nullptr, 0), 5u);
    char buffer[16];
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(file_.ReadKeyNames("s", buffer, 6), 5u);
    EXPECT_EQ(std::string(buffer, 6), std::string("a\0bb\0\0", 6));
    EXPECT_EQ(file_.ReadKeyNames("missing", buffer, sizeof buffer), 0u);
    EXPECT_EQ(file_.ReadKeyNames(nullptr, buffer, sizeof buffer), 0u);
}

TEST_F(ProfileSections, ASmallBufferGetsTheKeyNamesThatFitAndNothingPastItsEnd) {
    Put("[s]\r\nalpha=1\r\nb=2\r\ngamma=3\r\n");
    for (std::uint32_t size = 0; size <= 16; ++size) {
        SCOPED_TRACE(size);
        char buffer[24];
        std::memset(buffer, 0xCC, sizeof buffer);
        std::uint32_t used = file_.ReadKeyNames("s", buffer, size);
        for (std::uint32_t i = size; i < sizeof buffer; ++i)
            ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xCC) << "byte " << i;
        if (size == 0) continue;
        ASSERT_LT(used, size);
        EXPECT_EQ(buffer[used], '\0');
        // What was written is a whole list of whole names.
        std::string list(buffer, used);
        EXPECT_TRUE(used == 0 || list.back() == '\0');
        EXPECT_EQ(std::string("alpha\0b\0gamma\0", 14).compare(0, used, list), 0);
    }
}

TEST_F(ProfileSections, HasSectionAndHasKeyTellWhatExists) {
    Put("[Options]\r\nempty=\r\nsentinel={63788286-AE30-4D6B-95DF-3B451C1C79F9}\r\n"
        "lower={63788286-ae30-4d6b-95df-3b451c1c79f9}\r\n");
    EXPECT_EQ(file_.HasSection("OPTIONS"), 1);
    EXPECT_EQ(file_.HasSection("Other"), 0);
    EXPECT_EQ(file_.HasSection(nullptr), 0);
    EXPECT_EQ(file_.HasKey("options", "EMPTY"), 1);
    EXPECT_EQ(file_.HasKey("Options", "missing"), 0);
    EXPECT_EQ(file_.HasKey("Options", "sentinel"), 0);
    EXPECT_EQ(file_.HasKey("Options", "lower"), 1);
    EXPECT_EQ(file_.HasKey(nullptr, "empty"), 0);
}

TEST_F(ProfileSections, CopyingASectionReplacesTheTargetWhole) {
    Put("[Options]\r\na=1\r\nb=2\r\n[Backup]\r\nold=9\r\n");
    EXPECT_EQ(file_.CopySection("Options", "options", 0), 0);
    EXPECT_EQ(file_.CopySection("Options", "Backup", 1), 0);
    EXPECT_EQ(Value("Backup", "old"), "9");
    EXPECT_EQ(file_.CopySection("Missing", "Backup", 0), 0);
    EXPECT_EQ(file_.CopySection(nullptr, "Backup", 0), 0);
    ASSERT_NE(file_.CopySection("Options", "Backup", 0), 0);
    EXPECT_EQ(Value("Backup", "old"), "<none>");
    EXPECT_EQ(Value("Backup", "b"), "2");
    EXPECT_EQ(Value("Options", "a"), "1");
}

TEST_F(ProfileSections, MovingASectionRemovesTheSourceAfterTheCopy) {
    Put("[from]\r\nk=v\r\n");
    EXPECT_EQ(file_.MoveSection("from", "to", 0), 1);
    EXPECT_EQ(file_.HasSection("from"), 0);
    EXPECT_EQ(Value("to", "k"), "v");
    EXPECT_EQ(file_.MoveSection("from", "to", 0), 0);
}

TEST_F(ProfileSections, KeysAreCopiedAndMovedOneByOne) {
    Put("[s]\r\nk=v\r\nother=1\r\n[t]\r\nkeep=1\r\n");
    EXPECT_EQ(file_.CopyKey("s", "k", "S", "K", 0), 0);
    EXPECT_EQ(file_.CopyKey("s", "missing", "t", "k", 0), 0);
    EXPECT_EQ(file_.CopyKey("s", "k", "t", "keep", 1), 0);
    EXPECT_EQ(file_.CopyKey("s", "k", "t", nullptr, 0), 0);
    ASSERT_NE(file_.CopyKey("s", "k", "t", "copy", 0), 0);
    EXPECT_EQ(Value("t", "copy"), "v");
    EXPECT_EQ(Value("t", "keep"), "1");
    EXPECT_EQ(file_.MoveKey("s", "k", "s", "renamed", 0), 1);
    EXPECT_EQ(file_.HasKey("s", "k"), 0);
    EXPECT_EQ(Value("s", "renamed"), "v");
}

TEST_F(ProfileSections, RemovalTakesTheKeyOrTheWholeSection) {
    Put("[a]\r\nk=1\r\nj=2\r\n[b]\r\nx=1\r\n");
    EXPECT_NE(file_.DeleteKey("a", "k"), 0);
    EXPECT_EQ(Get(), "[a]\r\nj=2\r\n[b]\r\nx=1\r\n");
    EXPECT_NE(file_.DeleteSection("a"), 0);
    EXPECT_EQ(Get(), "[b]\r\nx=1\r\n");
    EXPECT_NE(file_.DeleteKey("b", "missing"), 0);
    EXPECT_EQ(Get(), "[b]\r\nx=1\r\n");
}

}  // namespace
