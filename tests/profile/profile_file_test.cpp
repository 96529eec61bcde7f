#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include "tests/profile/profile_fixture.h"

namespace {

class ProfileFileCore : public ProfileTest {};

TEST_F(ProfileFileCore, NumbersFallBackToTheDefaultOnlyWhenNothingIsStored) {
    Put("[s]\r\nempty=\r\nzero=0\r\n");
    EXPECT_EQ(file_.ReadInt("s", "missing", 7, 10), 7);
    EXPECT_EQ(file_.ReadInt("nosection", "k", 7, 10), 7);
    EXPECT_EQ(file_.ReadInt("s", "empty", 7, 10), 7);
    EXPECT_EQ(file_.ReadInt("s", "zero", 7, 10), 0);
    EXPECT_EQ(file_.ReadInt(nullptr, "zero", 7, 10), 7);
    EXPECT_EQ(file_.ReadInt("s", nullptr, 7, 10), 7);
    ProfileFile missing(folder_.File("nothing.ini").c_str());
    EXPECT_EQ(missing.ReadInt("s", "k", -3, 10), -3);
}

TEST_F(ProfileFileCore, IntegersAreReadAsStrtoulReadsThemWithin32Bits) {
    struct {
        const char* stored;
        int base;
        std::int32_t expected;
    } rows[] = {
        {"abc", 10, 0},           {"12abc", 10, 12},         {"-5", 10, -5},
        {"4294967295", 10, -1},   {"4294967296", 10, -1},    {"-4294967296", 10, -1},
        {"0x1F", 10, 0},          {"0x1F", 16, 31},          {"1f", 16, 31},
        {"  +42", 10, 42},        {"017", 8, 15},            {"017", 10, 17},
        {"101", 2, 5},            {"102", 2, 2},             {"12", 3, 12},
        {"12", 0, 12},            {"-2147483648", 10, INT_MIN}, {"0x", 16, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.stored) + " in base " + std::to_string(row.base));
        Put(std::string("[s]\r\nk=") + row.stored + "\r\n");
        EXPECT_EQ(file_.ReadInt("s", "k", 99, row.base), row.expected);
        EXPECT_EQ(file_.ReadUInt("s", "k", 99, row.base), static_cast<std::uint32_t>(row.expected));
    }
}

TEST_F(ProfileFileCore, OnlyTheFirst64BytesOfANumberAreSeen) {
    Put("[s]\r\nk=" + std::string(64, '0') + "12\r\n");
    EXPECT_EQ(file_.ReadInt("s", "k", 5, 10), 0);
}

TEST_F(ProfileFileCore, IntegersAreWrittenInTheirBase) {
    struct {
        std::int32_t value;
        int base;
        const char* stored;
    } rows[] = {
        {-1, 10, "-1"},  {-1, 16, "FFFFFFFF"}, {-1, 8, "37777777777"},
        {-1, 2, "11111111111111111111111111111111"}, {-1, 7, "-1"},
        {0, 2, "0"},     {5, 2, "101"},        {255, 16, "FF"}, {8, 8, "10"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.value) + " in base " + std::to_string(row.base));
        ASSERT_NE(file_.WriteInt("s", "k", row.value, row.base), 0);
        EXPECT_EQ(Value("s", "k"), row.stored);
    }
    ASSERT_NE(file_.WriteUInt("s", "u", 4294967295u, 10), 0);
    EXPECT_EQ(Value("s", "u"), "4294967295");
}

TEST_F(ProfileFileCore, EveryIntegerReadsBackInTheBaseItWasWrittenIn) {
    const std::int32_t values[] = {0, 1, -1, 7, -8, 255, 65536, INT_MAX, INT_MIN, 123456789};
    for (int base : {2, 8, 10, 16, 3}) {
        for (std::int32_t value : values) {
            SCOPED_TRACE(std::to_string(value) + " in base " + std::to_string(base));
            file_.WriteInt("s", "k", value, base);
            EXPECT_EQ(file_.ReadInt("s", "k", 0, base), value);
            file_.WriteUInt("s", "k", static_cast<std::uint32_t>(value), base);
            EXPECT_EQ(file_.ReadUInt("s", "k", 0, base), static_cast<std::uint32_t>(value));
        }
    }
}

TEST_F(ProfileFileCore, AddingStartsFromZeroAndWraps) {
    ASSERT_NE(file_.AddInt("s", "k", 5, 10), 0);
    EXPECT_EQ(Value("s", "k"), "5");
    file_.WriteInt("s", "k", INT_MAX, 10);
    file_.AddInt("s", "k", 1, 10);
    EXPECT_EQ(Value("s", "k"), "-2147483648");
    file_.WriteUInt("s", "u", 4294967295u, 10);
    file_.AddUInt("s", "u", 2, 16);
    EXPECT_EQ(Value("s", "u"), "1");
}

TEST_F(ProfileFileCore, LongValuesAreReadWhole) {
    for (std::size_t length : {510u, 511u, 512u, 600u, 1023u, 70000u}) {
        SCOPED_TRACE(length);
        std::string value(length, 'v');
        value[length - 1] = 'e';
        Put("[s]\r\nk=" + value + "\r\n");
        EXPECT_EQ(std::string(file_.ReadValue("s", "k", nullptr).get()), value);
        EXPECT_EQ(file_.ReadString("s", "k", nullptr, 0, nullptr), length);
    }
}

TEST_F(ProfileFileCore, AMegabytesLongValueDoesNotStallTheSettingsReads) {
    // LoadSettings' three reads and a whole-value read; growing 512 bytes a try took minutes.
    Put("[Options]\r\nEnabled=" + std::string(4 << 20, '1') + "\r\nRefresh=500\r\n");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file_.ReadInt("Options", "Enabled", 1, 10), -1);  // past 4294967295
    EXPECT_EQ(file_.ReadInt("Options", "Refresh", 2000, 10), 500);
    EXPECT_EQ(file_.ReadInt("Options", "Signal", 1, 10), 1);
    EXPECT_EQ(std::strlen(file_.ReadValue("Options", "Enabled", nullptr).get()), 4u << 20);
    // The fault took minutes; a busy machine under Wine takes several seconds.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
}

TEST_F(ProfileFileCore, AStringCutToTheBufferFillsItWithoutTerminator) {
    Put("[s]\r\nk=" + std::string(600, 'v') + "\r\nshort=ab\r\n");
    char buffer[80];
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(file_.ReadString("s", "k", buffer, 64, nullptr), 64u);
    EXPECT_EQ(std::string(buffer, 64), std::string(64, 'v'));
    EXPECT_EQ(static_cast<unsigned char>(buffer[64]), 0xCC);
    // A shorter value is padded with zeros up to the limit, and no further.
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(file_.ReadString("s", "short", buffer, 8, nullptr), 2u);
    EXPECT_EQ(std::string(buffer, 8), std::string("ab\0\0\0\0\0\0", 8));
    EXPECT_EQ(static_cast<unsigned char>(buffer[8]), 0xCC);
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(file_.ReadString("s", "short", buffer, 0, nullptr), 0u);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xCC);
}

TEST_F(ProfileFileCore, MissingValuesReadAsTheDefaultText) {
    Put("[s]\r\nempty=\r\n");
    EXPECT_STREQ(file_.ReadValue("s", "missing", "dflt").get(), "dflt");
    EXPECT_STREQ(file_.ReadValue("s", "missing", nullptr).get(), "");
    EXPECT_STREQ(file_.ReadValue("s", "empty", "dflt").get(), "");
    EXPECT_STREQ(file_.ReadValue(nullptr, "k", "dflt").get(), "dflt");
    EXPECT_STREQ(file_.ReadValue("s", nullptr, nullptr).get(), "");
}

TEST_F(ProfileFileCore, WritingNoValueStoresAnEmptyOneAndNoNameWritesNothing) {
    ASSERT_NE(file_.WriteString("s", "k", nullptr), 0);
    EXPECT_EQ(file_.HasKey("s", "k"), 1);
    EXPECT_EQ(Value("s", "k"), "");
    EXPECT_EQ(file_.WriteString(nullptr, "k", "v"), 0);
    EXPECT_EQ(file_.WriteString("s", nullptr, "v"), 0);
    EXPECT_EQ(Get(), "[s]\r\nk=\r\n");
}

TEST_F(ProfileFileCore, TheSettingsOfANewFileAreWrittenInOrder) {
    file_.WriteInt("Options", "Enabled", 1, 10);
    file_.WriteInt("Options", "Refresh", 2000, 10);
    file_.WriteInt("Options", "Signal", -56, 10);
    EXPECT_EQ(Get(), "[Options]\r\nEnabled=1\r\nRefresh=2000\r\nSignal=-56\r\n");
}

TEST_F(ProfileFileCore, PathIsKeptAndNoneEmptiesIt) {
    char buffer[8];
    ProfileFile none;
    EXPECT_EQ(none.GetPath(nullptr, 0), 0u);
    EXPECT_EQ(none.GetPath(buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], '\0');
    none.SetPath(nullptr);
    EXPECT_EQ(none.GetPath(nullptr, 0), 0u);

    ProfileFile file("C:\\a\\b.ini");
    EXPECT_EQ(file.GetPath(nullptr, 0), 10u);
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(file.GetPath(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "C:\\a");
    EXPECT_EQ(static_cast<unsigned char>(buffer[4]), 0xCC);
    file.SetPath(nullptr);
    EXPECT_EQ(file.GetPath(buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileFileCore, WithoutAPathReadsGiveDefaultsAndWritesNothing) {
    ProfileFile none;
    EXPECT_EQ(none.ReadInt("s", "k", 9, 10), 9);
    EXPECT_EQ(none.WriteInt("s", "k", 1, 10), 0);
    none.SetPath("");
    EXPECT_EQ(none.WriteString("s", "k", "v"), 0);
    EXPECT_EQ(none.DeleteSection("s"), 0);
}

TEST_F(ProfileFileCore, AWriteIntoAMissingFolderFails) {
    ProfileFile file(folder_.File("no-such-folder/settings.ini").c_str());
    EXPECT_EQ(file.WriteInt("s", "k", 1, 10), 0);
    EXPECT_EQ(file.ReadInt("s", "k", 4, 10), 4);
}

}  // namespace
