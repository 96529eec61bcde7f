#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/environment.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/test_names.h"

namespace {

bool IsAllZero(const StatusBlock* block) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < sizeof *block; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

TEST(SharedBlockMapping, StartsEmpty) {
    SharedBlockMapping mapping;
    EXPECT_EQ(mapping.View(), nullptr);
    EXPECT_EQ(mapping.Size(), 0u);
    mapping.Close();
    mapping.Close();
    EXPECT_EQ(mapping.View(), nullptr);
}

TEST(SharedBlockMapping, ANewBlockIsZeroFilledAndKeepsItsName) {
    std::string name = UniqueBlockName();
    SharedBlockMapping mapping(name.c_str());
    ASSERT_NE(mapping.View(), nullptr);
    EXPECT_EQ(mapping.Size(), kStatusBlockSize);
    EXPECT_STREQ(mapping.Name(), name.c_str());
    EXPECT_TRUE(IsAllZero(mapping.View()));
}

TEST(SharedBlockMapping, TwoMappingsOfOneNameShareTheirBytes) {
    std::string name = UniqueBlockName();
    SharedBlockMapping first(name.c_str());
    SharedBlockMapping second(name.c_str());
    ASSERT_NE(first.View(), nullptr);
    ASSERT_NE(second.View(), nullptr);
    first.View()->player.filePath[1023] = 'x';
    second.View()->isRunning = 1;
    EXPECT_EQ(second.View()->player.filePath[1023], 'x');
    EXPECT_EQ(first.View()->isRunning, 1);
}

TEST(SharedBlockMapping, TheBlockDisappearsWithItsLastHolder) {
    std::string name = UniqueBlockName();
    {
        SharedBlockMapping mapping(name.c_str());
        ASSERT_NE(mapping.View(), nullptr);
        mapping.View()->isRunning = 1;
    }
    SharedBlockMapping again(name.c_str());
    ASSERT_NE(again.View(), nullptr);
    EXPECT_TRUE(IsAllZero(again.View()));
}

TEST(SharedBlockMapping, ASecondCreateReleasesTheFirstBlock) {
    std::string firstName = UniqueBlockName();
    std::string secondName = UniqueBlockName();
    SharedBlockMapping mapping(firstName.c_str());
    ASSERT_NE(mapping.View(), nullptr);
    mapping.View()->isRunning = 1;
    ASSERT_TRUE(mapping.Create(secondName.c_str()));
    EXPECT_STREQ(mapping.Name(), secondName.c_str());
    // Had the first mapping leaked, its block would still hold the byte written.
    SharedBlockMapping reopened(firstName.c_str());
    ASSERT_NE(reopened.View(), nullptr);
    EXPECT_EQ(reopened.View()->isRunning, 0);
}

TEST(SharedBlockMapping, CreateAgainWithTheSameNameKeepsTheBlockOfOtherHolders) {
    std::string name = UniqueBlockName();
    SharedBlockMapping other(name.c_str());
    SharedBlockMapping mapping(name.c_str());
    other.View()->isRunning = 1;
    ASSERT_TRUE(mapping.Create(name.c_str()));
    EXPECT_EQ(mapping.View()->isRunning, 1);
}

TEST(SharedBlockMapping, CreateWithoutANameFailsAndHoldsNothing) {
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        SharedBlockMapping mapping;
        EXPECT_FALSE(mapping.Create(name));
        EXPECT_EQ(mapping.View(), nullptr);
        EXPECT_EQ(mapping.Size(), 0u);
    }
}

TEST(SharedBlockMapping, ALongNameIsKeptCutTo259Characters) {
    std::string name = UniqueBlockName() + std::string(300, 'n');
    SharedBlockMapping mapping;
    ASSERT_TRUE(mapping.Create(name.c_str()));
    EXPECT_EQ(std::strlen(mapping.Name()), 259u);
    EXPECT_EQ(std::string(mapping.Name()), name.substr(0, 259));
    // The system's name for it keeps a hash of the whole: one letter past the cut is another block.
    SharedBlockMapping other((name + "x").c_str());
    ASSERT_NE(other.View(), nullptr);
    mapping.View()->isRunning = 1;
    EXPECT_EQ(other.View()->isRunning, 0);
}

TEST(SharedBlockMapping, NamesThatDifferAreDifferentBlocks) {
    std::string base = UniqueBlockName();
    for (const char* other : {"_b", "%2Fb", "%b"}) {
        SCOPED_TRACE(other);
        SharedBlockMapping slash((base + "/b").c_str()), mapping((base + other).c_str());
        ASSERT_TRUE(mapping.View() != nullptr && slash.View() != nullptr);
        slash.View()->isRunning = 1;
        EXPECT_EQ(mapping.View()->isRunning, 0);
    }
}

// Restores the test program's own block name, whatever a test set.
struct BlockNameVariable {
    BlockNameVariable() { platform::ReadEnvironment(kStatusBlockNameVariable, own, sizeof own); }
    ~BlockNameVariable() { platform::WriteEnvironment(kStatusBlockNameVariable, own); }
    char own[64];
};

TEST(StatusBlockName, ASetVariableIsTheNameWhateverItsLengthOrNamesNoBlock) {
    BlockNameVariable restore;
    const struct {
        std::string value;
        bool names;
    } rows[] = {
        {"", false},
        {"x", true},
        {std::string(259, 'n'), true},
        {std::string(260, 'n'), true},
        {std::string(kLongestBlockNameVariable, 'n'), true},
        {std::string(kLongestBlockNameVariable + 1, 'n'), false},
    };
    static char held[kLongestBlockNameVariable + 2];
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value.size());
        // Windows holds neither a longer variable (Wine mangles one) nor, maybe, an empty one.
        bool written = platform::WriteEnvironment(kStatusBlockNameVariable, row.value.c_str());
        platform::ReadEnvironment(kStatusBlockNameVariable, held, sizeof held);
        if (!written || platform::EnvironmentLength(kStatusBlockNameVariable) < 0 ||
            (!row.value.empty() && held != row.value))
            continue;
        const char* name = StatusBlockName();
        if (row.names) {
            ASSERT_NE(name, nullptr);
            EXPECT_TRUE(row.value == name) << "another name: " << std::string(name).substr(0, 40);
        } else {
            EXPECT_EQ(name, nullptr) << "fell back to " << std::string(name).substr(0, 40);
        }
    }
}

}  // namespace
