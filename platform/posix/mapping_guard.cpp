// One SIGBUS handler serves every watched view of the process and passes any other fault on
// to the handler it replaced. Registration happens under a lock; the handler only reads the
// slots, whose view is stored last and cleared first. Nothing is checked on the way to the
// block: a field answer costs what it did, and only a fault pays for the repair.
#include "platform/posix/mapping_guard.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "platform/posix/file_size_limit.h"

namespace platform {
namespace {

// A process maps a block or two (a tool and the plug-in it loads); tests map a few more.
constexpr int kSlots = 16;

struct Slot {
    std::atomic<char*> view{nullptr};
    std::atomic<std::uint32_t> size{0};
    std::atomic<int> fd{-1};
    // The object the view maps, to tell it from another file under a reused number.
    std::atomic<dev_t> device{0};
    std::atomic<ino_t> inode{0};
};

Slot slots[kSlots];
std::mutex registry;
int watched = 0;
bool installed = false;
struct sigaction replaced;

// Growing the object back keeps the view shared with the other processes; private zero
// pages at least keep this one alive. A repair counts only once the object has its pages:
// on a full tmpfs the size alone comes back, and the touch would fault again for ever.
bool Repair(Slot& slot, const char* address) {
    char* view = slot.view.load();
    std::uint32_t size = slot.size.load();
    if (view == nullptr || address < view || address >= view + size) return false;
    int fd = slot.fd.load();
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && info.st_dev == slot.device.load() &&
        info.st_ino == slot.inode.load() &&
        (info.st_size >= static_cast<off_t>(size) || (FileMayGrowTo(size) && ftruncate(fd, size) == 0)) &&
        fallocate(fd, 0, 0, size) == 0)
        return true;
    return mmap(view, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                0) != MAP_FAILED;
}

void PassOn(int number, siginfo_t* info, void* context) {
    if (replaced.sa_handler == SIG_DFL || replaced.sa_handler == SIG_IGN) {
        // The default action ends the process, as it would have without us; the signal is
        // blocked in here, so it lands as this returns.
        signal(SIGBUS, SIG_DFL);
        raise(SIGBUS);
        return;
    }
    if (replaced.sa_flags & SA_SIGINFO)
        replaced.sa_sigaction(number, info, context);
    else
        replaced.sa_handler(number);
}

void OnBusError(int number, siginfo_t* info, void* context) {
    int savedErrno = errno;
    bool repaired = false;
    for (Slot& slot : slots)
        repaired = repaired || Repair(slot, static_cast<const char*>(info->si_addr));
    errno = savedErrno;
    if (!repaired) PassOn(number, info, context);
}

void Install() {
    struct sigaction ours {};
    ours.sa_sigaction = OnBusError;
    ours.sa_flags = SA_SIGINFO;
    sigemptyset(&ours.sa_mask);
    installed = sigaction(SIGBUS, &ours, &replaced) == 0;
}

// A plug-in may be unloaded: a handler left behind would point into code that is gone. One
// installed after ours may pass faults on to ours, so it is left alone, and ours stays.
void Uninstall() {
    struct sigaction current;
    if (sigaction(SIGBUS, nullptr, &current) != 0) return;
    if (!(current.sa_flags & SA_SIGINFO) || current.sa_sigaction != OnBusError) return;
    if (sigaction(SIGBUS, &replaced, nullptr) == 0) installed = false;
}

}  // namespace

bool GuardMapping(void* view, std::uint32_t size, int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) return false;
    std::lock_guard<std::mutex> hold(registry);
    if (!installed) Install();
    if (!installed) return false;
    for (Slot& slot : slots) {
        if (slot.view.load() != nullptr) continue;
        slot.size.store(size);
        slot.fd.store(fd);
        slot.device.store(info.st_dev);
        slot.inode.store(info.st_ino);
        slot.view.store(static_cast<char*>(view));
        ++watched;
        return true;
    }
    return false;
}

void UnguardMapping(void* view) {
    if (view == nullptr) return;
    std::lock_guard<std::mutex> hold(registry);
    for (Slot& slot : slots) {
        if (slot.view.load() != view) continue;
        slot.view.store(nullptr);
        slot.fd.store(-1);
        if (--watched == 0) Uninstall();
        return;
    }
}

void ForgetMappingDescriptor(int fd) {
    std::lock_guard<std::mutex> hold(registry);
    for (Slot& slot : slots)
        if (slot.fd.load() == fd) slot.fd.store(-1);
}

}  // namespace platform
