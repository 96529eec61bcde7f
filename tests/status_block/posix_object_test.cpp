// Linux only: POSIX shared memory is one namespace for the whole machine and its objects are
// files anyone with the right mode can open, truncate or lock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "platform/shared_memory.h"
#include "tests/support/test_names.h"

namespace {

constexpr std::uint32_t kSize = 2316;

std::string ObjectNameFor(const std::string& name) {
    return "/" + name + "." + std::to_string(geteuid());
}

// Another process's object under our name, made before we look.
struct ForeignObject {
    explicit ForeignObject(const std::string& objectName, mode_t mode, off_t size) : name(objectName) {
        fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd >= 0 && (fchmod(fd, mode) != 0 || ftruncate(fd, size) != 0)) {
            close(fd);
            fd = -1;
        }
    }
    ~ForeignObject() {
        if (fd >= 0) close(fd);
        shm_unlink(name.c_str());
    }
    std::string name;
    int fd = -1;
};

TEST(BlockObject, IsTheUsersOwnUnderANameOfTheirOwn) {
    std::string name = UniqueBlockName();
    platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    ASSERT_TRUE(handle.open);
    EXPECT_EQ(std::string(handle.objectName), ObjectNameFor(name));
    struct stat info;
    ASSERT_EQ(fstat(static_cast<int>(handle.value), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_uid, geteuid());
    platform::CloseSharedMemory(handle);
}

TEST(BlockObject, AnObjectOthersCouldChangeIsRefused) {
    struct Row {
        const char* what;
        mode_t mode;
        bool foreignOwner;
    };
    const Row rows[] = {{"writable by all", 0666, false}, {"readable by the group", 0640, false},
                        {"owned by another user", 0600, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.foreignOwner && geteuid() != 0) continue;  // only root can give a file away
        std::string name = UniqueBlockName();
        ForeignObject other(ObjectNameFor(name), row.mode, kSize);
        ASSERT_GE(other.fd, 0);
        if (row.foreignOwner) {
            ASSERT_EQ(fchown(other.fd, 65534, 65534), 0);
        }
        flock(other.fd, LOCK_SH);  // a live holder: the object is not reset as abandoned
        platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        EXPECT_FALSE(handle.open);
        platform::CloseSharedMemory(handle);
    }
}

TEST(BlockObject, AnObjectCutShortByAnotherHolderIsGrownBeforeItIsMapped) {
    std::string name = UniqueBlockName();
    ForeignObject other(ObjectNameFor(name), 0600, 0);
    ASSERT_GE(other.fd, 0);
    flock(other.fd, LOCK_SH);
    platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    ASSERT_TRUE(handle.open);
    auto* bytes = static_cast<volatile unsigned char*>(platform::MapSharedMemory(handle, kSize));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[kSize - 1], 0);  // a fault here, had the object stayed empty
    platform::UnmapSharedMemory(const_cast<unsigned char*>(bytes), kSize);
    platform::CloseSharedMemory(handle);
}

TEST(BlockObject, AProcessKeepingItsLockCannotHangAnOpener) {
    std::string name = UniqueBlockName();
    ForeignObject other(ObjectNameFor(name), 0600, kSize);
    ASSERT_GE(other.fd, 0);
    ASSERT_EQ(flock(other.fd, LOCK_EX), 0);
    auto opening = std::async(std::launch::async, [&] {
        platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        bool opened = handle.open;
        platform::CloseSharedMemory(handle);
        return opened;
    });
    // The opener gives up after about a second; a blocking lock would wait for as long as
    // the other process liked.
    bool ended = opening.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    flock(other.fd, LOCK_UN);
    ASSERT_TRUE(ended) << "the opener waited for the lock without a bound";
    EXPECT_FALSE(opening.get());
}

}  // namespace
