// Every holder keeps a shared flock on the object; whoever can turn it into an exclusive one
// is the last holder and unlinks the name, so the block vanishes with its last user as a
// Windows mapping does.
#include "platform/shared_memory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace platform {
namespace {

constexpr int kOpenAttempts = 100;
// Longer names are shortened, keeping a hash of the whole so distinct names stay distinct.
constexpr std::size_t kLongestKeptName = 200;

std::uint64_t HashName(const char* name) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* p = name; *p; ++p) hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return hash;
}

// POSIX names are "/name" with no further slash and at most NAME_MAX bytes.
void MakeObjectName(const char* name, char* out, std::size_t size) {
    if (std::strlen(name) <= kLongestKeptName)
        std::snprintf(out, size, "/%s", name);
    else
        std::snprintf(out, size, "/%.*s~%016llx", static_cast<int>(kLongestKeptName), name,
                      static_cast<unsigned long long>(HashName(name)));
    for (char* p = out + 1; *p; ++p)
        if (*p == '/') *p = '_';
}

int OpenOrCreate(const char* objectName, bool* created) {
    int fd = shm_open(objectName, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
        *created = true;
        fchmod(fd, 0666);  // the umask must not keep another user's host out
        return fd;
    }
    if (errno != EEXIST) return -1;
    *created = false;
    return shm_open(objectName, O_RDWR, 0666);
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
        if (flock(fd, LOCK_SH) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
        close(fd);
    }
    return -1;
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
    struct stat info;
    if (fstat(fd, &info) != 0 ||
        (info.st_size < static_cast<off_t>(size) && ftruncate(fd, size) != 0)) {
        close(fd);
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
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED,
                      static_cast<int>(handle.value), 0);
    return view == MAP_FAILED ? nullptr : view;
}

void UnmapSharedMemory(void* view, std::uint32_t size) {
    if (view) munmap(view, size);
}

void CloseSharedMemory(SharedMemoryHandle& handle) {
    if (!handle.open) return;
    int fd = static_cast<int>(handle.value);
    struct stat info;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0)
        shm_unlink(handle.objectName);
    close(fd);
    handle = SharedMemoryHandle{};
}

}  // namespace platform
