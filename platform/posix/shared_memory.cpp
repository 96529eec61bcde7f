// Every holder keeps a shared flock on the object; whoever can turn it into an exclusive one
// is the last holder and unlinks the name, so the block vanishes with its last user as a
// Windows mapping does. POSIX shared memory is one namespace for the whole machine, so each
// user gets a name of their own and an object only they can open, as a logon session's
// namespace gives on Windows; nothing another process does may block us for long.
#include "platform/shared_memory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/object_name.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/file_size_limit.h"
#include "platform/posix/mapping_guard.h"

namespace platform {
namespace {

constexpr int kOpenAttempts = 100;
// A holder takes the exclusive lock only for the moment it closes; anyone holding it
// longer is not one of us, and we give up rather than hang the host.
constexpr int kLockAttempts = 500;
constexpr long kLockPauseNs = 2000000;  // 2 ms: a second in all
// Longer names are shortened, keeping a hash of the whole so distinct names stay distinct.
constexpr std::size_t kLongestKeptName = 200;

// POSIX names are "/name" with no further slash and at most NAME_MAX bytes; the user's id
// ends it. A slash is written as "%2F" and a percent sign as "%25", so that two names stay
// two objects ("a/b" and "a_b" once opened one block).
void MakeObjectName(const char* name, char* out, std::size_t size) {
    std::string escaped;
    for (const char* p = name; *p; ++p)
        escaped += *p == '/' ? "%2F" : *p == '%' ? "%25" : std::string(1, *p);
    char kept[kLongestKeptName + 18];
    ShortenObjectName(escaped.c_str(), kLongestKeptName, kept, sizeof kept);
    std::snprintf(out, size, "/%s.%u", kept, static_cast<unsigned>(geteuid()));
}

// An object someone else made under our name, or one that others may open, could be
// changed or cut short under us at any time.
bool OnlyOursToUse(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

int OpenOrCreate(const char* objectName, bool* created) {
    int fd = AboveStandardStreams(shm_open(objectName, O_RDWR | O_CREAT | O_EXCL, 0600));
    if (fd >= 0) {
        *created = true;
        fchmod(fd, 0600);
        return fd;
    }
    if (errno != EEXIST) return -1;
    *created = false;
    fd = AboveStandardStreams(shm_open(objectName, O_RDWR, 0600));
    if (fd >= 0 && !OnlyOursToUse(fd)) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

bool LockSharedBounded(int fd) {
    const timespec pause{0, kLockPauseNs};
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (flock(fd, LOCK_SH | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        nanosleep(&pause, nullptr);
    }
    return false;
}

// Opens the object holding a shared lock on a name that is still linked: the last holder
// of the previous instance may have unlinked it between our open and our lock.
int OpenLinkedAndLocked(const char* objectName, bool* created) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = OpenOrCreate(objectName, created);
        if (fd < 0) {
            if (errno == ENOENT) continue;  // vanished between the two opens
            return -1;
        }
        // Holding it alone means every earlier holder is gone, perhaps killed before it
        // could remove the name: start from zeros, as a new Windows mapping does.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            *created = true;
            if (ftruncate(fd, 0) != 0) {
                close(fd);
                return -1;
            }
        }
        struct stat info;
        if (!LockSharedBounded(fd)) {
            close(fd);
            return -1;
        }
        if (fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
        close(fd);
    }
    return -1;
}

// Closes `fd`, removing the name when no one else holds the object, so a block that failed
// half-way (a file size limit, a full tmpfs) is not left in /dev/shm.
void ReleaseAsLastHolder(int fd, const char* objectName) {
    struct stat info;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0)
        shm_unlink(objectName);
    close(fd);
}

}  // namespace

SharedMemoryHandle OpenSharedMemory(const char* name, std::uint32_t size, bool* created) {
    SharedMemoryHandle handle;
    if (name == nullptr || name[0] == '\0') return handle;
    char objectName[256];
    MakeObjectName(name, objectName, sizeof objectName);
    bool wasCreated = false;
    int fd = OpenLinkedAndLocked(objectName, &wasCreated);
    if (fd < 0) return handle;
    // Growing is idempotent, so an opener finishes the job of a creator that died early.
    // Mapping more than the object holds would fault at the first read past its end.
    // Its pages are taken now: on a full tmpfs the open fails here, instead of the first
    // touch of a view faulting.
    struct stat info;
    if (fstat(fd, &info) != 0 ||
        (info.st_size < static_cast<off_t>(size) &&
         (!FileMayGrowTo(size) || ftruncate(fd, size) != 0)) ||
        fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(size) ||
        posix_fallocate(fd, 0, size) != 0) {
        ReleaseAsLastHolder(fd, objectName);
        return handle;
    }
    if (created) *created = wasCreated;
    std::memcpy(handle.objectName, objectName, sizeof objectName);
    handle.value = fd;
    handle.open = true;
    return handle;
}

void* MapSharedMemory(const SharedMemoryHandle& handle, std::uint32_t size) {
    if (!handle.open) return nullptr;
    int fd = static_cast<int>(handle.value);
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) return nullptr;
    // Anyone who can open the object can cut it short; a view nobody watches would then end
    // the process at its next touch.
    if (GuardMapping(view, size, fd)) return view;
    munmap(view, size);
    return nullptr;
}

void UnmapSharedMemory(void* view, std::uint32_t size) {
    if (view == nullptr) return;
    UnguardMapping(view);
    munmap(view, size);
}

void CloseSharedMemory(SharedMemoryHandle& handle) {
    if (!handle.open) return;
    int fd = static_cast<int>(handle.value);
    ForgetMappingDescriptor(fd);
    ReleaseAsLastHolder(fd, handle.objectName);
    handle = SharedMemoryHandle{};
}

void PrepareSharedMemoryForUnload() {
    KeepLoadedWhileOthersChainToUs();
}

}  // namespace platform
