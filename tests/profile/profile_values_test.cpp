#include <cstring>
#include <string>

#include "tests/profile/profile_fixture.h"

namespace {

class ProfileValues : public ProfileTest {};

TEST_F(ProfileValues, BooleansReadTrueYesAndNonZeroNumbersAsOne) {
    struct {
        const char* stored;
        std::int32_t expected;
    } rows[] = {
        {"TRUE", 1}, {"Yes", 1}, {"7", 1},   {"-3", 1},   {"12abc", 1}, {"false", 0},
        {"no", 0},   {"on", 0},  {"off", 0}, {"0x10", 0}, {"0", 0},     {"abc", 0},
        {"99999999999", 1},      {"=", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        Put(std::string("[s]\r\nk=") + row.stored + "\r\n");
        EXPECT_EQ(file_.ReadBool("s", "k", 5), row.expected);
    }
    Put("[s]\r\nk=\r\n");
    EXPECT_EQ(file_.ReadBool("s", "k", 5), 5);
    EXPECT_EQ(file_.ReadBool("s", "missing", -2), -2);
}

TEST_F(ProfileValues, ToggleStoresOneThenZero) {
    ASSERT_NE(file_.ToggleBool("s", "k"), 0);
    EXPECT_EQ(Value("s", "k"), "1");
    file_.ToggleBool("s", "k");
    EXPECT_EQ(Value("s", "k"), "0");
    file_.WriteBool("s", "k", 42);
    EXPECT_EQ(Value("s", "k"), "1");
}

TEST_F(ProfileValues, DoublesAreFixedPointWithTheGivenDecimals) {
    struct {
        double value;
        int precision;
        const char* stored;
    } rows[] = {
        {3.14159, 2, "3.14"},  {3.14159, 0, "3.141590"}, {3.14159, -1, "3.141590"},
        {3.14159, 4, "3.1416"}, {-0.5, 1, "-0.5"},        {1e20, 0, "100000000000000000000.000000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        ASSERT_NE(file_.WriteDouble("s", "k", row.value, row.precision), 0);
        EXPECT_EQ(Value("s", "k"), row.stored);
    }
    file_.AddDouble("s", "sum", 1.5, 1);
    EXPECT_EQ(Value("s", "sum"), "1.5");
    EXPECT_DOUBLE_EQ(file_.ReadDouble("s", "sum", 0), 1.5);
    EXPECT_DOUBLE_EQ(file_.ReadDouble("s", "missing", 2.25), 2.25);
    Put("[s]\r\nk=abc\r\n");
    EXPECT_DOUBLE_EQ(file_.ReadDouble("s", "k", 2.25), 0.0);
}

// A fixed-point text past 64 characters would overrun the formatting buffer or read back as
// another number, so it is stored in a form that reads back as the same value.
TEST_F(ProfileValues, HugeDoublesAndPrecisionsStillReadBackTheSameNumber) {
    const struct {
        double value;
        int precision;
    } rows[] = {{1e300, 50}, {1e57, 0}, {-1e56, 6}, {3.5, 100}, {3.5, 2147483647}, {1e300, 6}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.precision);
        ASSERT_NE(file_.WriteDouble("s", "k", row.value, row.precision), 0);
        EXPECT_LE(Value("s", "k").size(), 64u);
        EXPECT_DOUBLE_EQ(file_.ReadDouble("s", "k", 0), row.value);
    }
}

TEST_F(ProfileValues, CharactersAreOneByteValues) {
    file_.WriteChar("s", "c", 'x');
    EXPECT_EQ(Value("s", "c"), "x");
    EXPECT_EQ(file_.ReadChar("s", "c", '?'), 'x');
    EXPECT_EQ(file_.ReadChar("s", "missing", '?'), '?');
    file_.WriteChar("s", "c", '\0');
    EXPECT_EQ(Value("s", "c"), "");
    EXPECT_EQ(file_.ReadChar("s", "c", '?'), '?');
    Put("[s]\r\nc=long\r\n");
    EXPECT_EQ(file_.ReadChar("s", "c", '?'), 'l');
}

TEST_F(ProfileValues, BlocksAreStoredAsUpperCaseHex) {
    const unsigned char bytes[] = {0x00, 0xAB, 0x10};
    ASSERT_NE(file_.WriteBlock("s", "b", bytes, 3), 0);
    EXPECT_EQ(Value("s", "b"), "00AB10");
    const unsigned char more[] = {0xFF};
    file_.AppendBlock("s", "b", more, 1);
    EXPECT_EQ(Value("s", "b"), "00AB10FF");
    EXPECT_EQ(file_.WriteBlock("s", "b", nullptr, 3), 0);
    EXPECT_EQ(file_.AppendBlock("s", "b", nullptr, 3), 0);
    file_.WriteBlock("s", "empty", bytes, 0);
    EXPECT_EQ(Value("s", "empty"), "");
}

TEST_F(ProfileValues, BlocksAreReadFromAnOffsetAndRefusedWhenNotHex) {
    struct {
        const char* stored;
        std::uint32_t offset;
        std::uint32_t count;
        const char* bytes;
    } rows[] = {
        {"00ab10", 0, 3, "\x00\xAB\x10"}, {"00ab10", 1, 2, "\xAB\x10"}, {"00ab10", 3, 0, ""},
        {"00AB1", 0, 2, "\x00\xAB"},      {"00AG10", 0, 0, ""},         {"00AB1G", 0, 0, ""},
        {"", 0, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.stored) + " from " + std::to_string(row.offset));
        Put(std::string("[s]\r\nb=") + row.stored + "\r\n");
        unsigned char buffer[8];
        std::memset(buffer, 0xCC, sizeof buffer);
        EXPECT_EQ(file_.ReadBlock("s", "b", buffer, 8, row.offset), row.count);
        EXPECT_EQ(std::memcmp(buffer, row.bytes, row.count), 0);
        EXPECT_EQ(buffer[row.count], 0xCC);
        EXPECT_EQ(file_.ReadBlock("s", "b", nullptr, 0, row.offset), row.count);
    }
    Put("[s]\r\nb=0102030405\r\n");
    unsigned char two[2];
    EXPECT_EQ(file_.ReadBlock("s", "b", two, 2, 1), 2u);
    EXPECT_EQ(two[0], 2);
    EXPECT_EQ(two[1], 3);
}

TEST_F(ProfileValues, FixedRecordsComeBackWholeOrAsTheDefault) {
    const Block8 record{{0x11223344u, 0xAABBCCDDu}};
    const Block8 fallback{{1, 2}};
    ASSERT_NE(file_.WriteBlock8("s", "r", record), 0);
    EXPECT_EQ(Value("s", "r"), "44332211DDCCBBAA");
    Block8 read = file_.ReadBlock8("s", "r", fallback);
    EXPECT_EQ(read.words[0], record.words[0]);
    EXPECT_EQ(read.words[1], record.words[1]);

    Put("[s]\r\nr=44332211DDCCBBA\r\n");
    EXPECT_EQ(file_.ReadBlock8("s", "r", fallback).words[0], 1u);
    Put("[s]\r\nr=44332211DDCCBBAAFFFF\r\n");
    EXPECT_EQ(file_.ReadBlock8("s", "r", fallback).words[1], 0xAABBCCDDu);

    const Block16 wide{{1, 2, 3, 0xFFFFFFFFu}};
    file_.WriteBlock16("s", "w", wide);
    Block16 back = file_.ReadBlock16("s", "w", Block16{});
    EXPECT_EQ(std::memcmp(&back, &wide, sizeof wide), 0);
    EXPECT_EQ(file_.ReadBlock16("s", "r", Block16{{9, 9, 9, 9}}).words[0], 9u);
}

TEST_F(ProfileValues, AppendingAddsToTheStoredText) {
    EXPECT_NE(file_.AppendString("s", "k", "ab"), 0);
    EXPECT_NE(file_.AppendString("s", "k", "cd"), 0);
    EXPECT_EQ(Value("s", "k"), "abcd");
    EXPECT_EQ(file_.AppendString("s", "k", nullptr), 0);
}

TEST_F(ProfileValues, ListsAreSplitAtTheDelimiter) {
    Put("[s]\r\nnums=1,2,3\r\nspaced=a, b,,c\r\ncolons=a::b\r\nempty=\r\n");
    char buffer[32];
    EXPECT_EQ(file_.ReadList("s", "nums", buffer, sizeof buffer, nullptr, 1), 6u);
    EXPECT_EQ(std::string(buffer, 7), std::string("1\0" "2\0" "3\0\0", 7));
    EXPECT_EQ(file_.ReadList("s", "nums", nullptr, 0, nullptr, 1), 6u);
    EXPECT_EQ(file_.ReadList("s", "spaced", buffer, sizeof buffer, ",", 1), 6u);
    EXPECT_EQ(file_.ReadList("s", "spaced", buffer, sizeof buffer, ",", 0), 7u);
    EXPECT_EQ(std::string(buffer, 8), std::string("a\0 b\0c\0\0", 8));
    EXPECT_EQ(file_.ReadList("s", "colons", buffer, sizeof buffer, "::", 0), 4u);
    EXPECT_EQ(std::string(buffer, 5), std::string("a\0b\0\0", 5));
    EXPECT_EQ(file_.ReadList("s", "colons", buffer, sizeof buffer, "", 0), 4u);
    EXPECT_STREQ(buffer, "a::b");
    EXPECT_EQ(file_.ReadList("s", "empty", buffer, sizeof buffer, nullptr, 0), 0u);
    EXPECT_EQ(file_.ReadList(nullptr, "nums", buffer, sizeof buffer, nullptr, 0), 0u);
}

}  // namespace
