// One SIGBUS handler serves every watched view of this copy of the code and passes any other
// fault on to the handler it replaced. Registration happens under a lock; the handler only
// reads the slots, whose view is stored last and cleared first. Nothing is checked on the
// way to the block: a field answer costs what it did, and only a fault pays for the repair.
//
// Each plug-in carries a copy of this file, so a host that loads both holds two handlers in
// a chain: the host's, the first plug-in's, the second's. A copy that goes away while
// another's handler chains to it hands that copy its own predecessor (through an exported
// function found beside the other handler), so no handler ever passes a fault into code
// that was unloaded, and the host's handler is back in place once the last copy is gone.
#include "platform/posix/mapping_guard.h"

#include <dlfcn.h>
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
// What a fault that is not ours goes to. Changed while a handler may read it, so each
// change is written to the next of a few records in turn and then pointed to.
std::atomic<const struct sigaction*> replaced{nullptr};
constexpr int kRecords = 4;
struct sigaction records[kRecords];
std::atomic<unsigned> changes{0};

void Replace(const struct sigaction& action) {
    struct sigaction& record = records[changes.fetch_add(1) % kRecords];
    record = action;
    replaced.store(&record);
}

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
        (info.st_size >= static_cast<off_t>(size) ||
         (FileMayGrowTo(size) && ftruncate(fd, size) == 0)) &&
        fallocate(fd, 0, 0, size) == 0)
        return true;
    return mmap(view, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                0) != MAP_FAILED;
}

void PassOn(int number, siginfo_t* info, void* context) {
    const struct sigaction* next = replaced.load();
    if (next == nullptr || next->sa_handler == SIG_DFL || next->sa_handler == SIG_IGN) {
        // The default action ends the process, as it would have without us; the signal is
        // blocked in here, so it lands as this returns.
        signal(SIGBUS, SIG_DFL);
        raise(SIGBUS);
        return;
    }
    if (next->sa_flags & SA_SIGINFO)
        next->sa_sigaction(number, info, context);
    else
        next->sa_handler(number);
}

void OnBusError(int number, siginfo_t* info, void* context) {
    int savedErrno = errno;
    bool repaired = false;
    for (Slot& slot : slots)
        repaired = repaired || Repair(slot, static_cast<const char*>(info->si_addr));
    errno = savedErrno;
    if (!repaired) PassOn(number, info, context);
}

bool IsOurs(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == OnBusError;
}

// Asks the copy whose handler is `action`, if it is one of ours, to pass faults that went to
// `gone` on to `instead`; true when some copy down the chain did. With `instead` null, only
// whether faults reach `gone` through copies of ours alone.
bool UnchainFrom(const struct sigaction& action, void* gone, const struct sigaction* instead);

}  // namespace
}  // namespace platform

extern "C" __attribute__((visibility("default"))) bool GlyphboxMappingGuardUnchain(
    void* self, void* gone, const struct sigaction* instead) {
    using platform::replaced;
    const struct sigaction* next = replaced.load();
    if (self != reinterpret_cast<void*>(platform::OnBusError) || next == nullptr) return false;
    if (!(next->sa_flags & SA_SIGINFO) || reinterpret_cast<void*>(next->sa_sigaction) != gone)
        return platform::UnchainFrom(*next, gone, instead);
    if (instead) platform::Replace(*instead);
    return true;
}

namespace platform {
namespace {

bool UnchainFrom(const struct sigaction& action, void* gone, const struct sigaction* instead) {
    if (!(action.sa_flags & SA_SIGINFO)) return false;
    void* handler = reinterpret_cast<void*>(action.sa_sigaction);
    Dl_info where;
    if (dladdr(handler, &where) == 0 || where.dli_fname == nullptr) return false;
    void* library = dlopen(where.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return false;
    using Unchain = bool (*)(void*, void*, const struct sigaction*);
    auto unchain = reinterpret_cast<Unchain>(dlsym(library, "GlyphboxMappingGuardUnchain"));
    bool done = unchain != nullptr && unchain(handler, gone, instead);
    dlclose(library);
    return done;
}

void Install() {
    struct sigaction ours {};
    ours.sa_sigaction = OnBusError;
    ours.sa_flags = SA_SIGINFO;
    sigemptyset(&ours.sa_mask);
    struct sigaction before;
    installed = sigaction(SIGBUS, &ours, &before) == 0;
    if (installed) Replace(before);
}

// A handler of someone else's set after ours may pass faults on to ours, through code that
// must then stay mapped: the library is made one that is never unloaded.
void StayLoaded() {
    Dl_info where;
    if (dladdr(reinterpret_cast<void*>(OnBusError), &where) != 0 && where.dli_fname != nullptr)
        dlopen(where.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

// A plug-in may be unloaded: a handler left behind would point into code that is gone. When
// another copy of ours chains to this one, it is handed our predecessor. A handler of the
// host's installed after ours may pass faults on to ours: ours then stays, and this copy's
// code stays loaded with it, unless it is being unloaded already (`unloading`).
void Uninstall(bool unloading = false) {
    if (!installed) return;
    struct sigaction current;
    const struct sigaction* next = replaced.load();
    if (next == nullptr || sigaction(SIGBUS, nullptr, &current) != 0) return;
    if (IsOurs(current)) {
        if (sigaction(SIGBUS, next, nullptr) == 0) installed = false;
        return;
    }
    if (UnchainFrom(current, reinterpret_cast<void*>(OnBusError), next)) {
        installed = false;
        return;
    }
    if (!unloading) StayLoaded();
}

// Unloaded with views still watched (a host that never said goodbye): the handler goes
// with the code.
struct UninstallAtUnload {
    ~UninstallAtUnload() {
        std::lock_guard<std::mutex> hold(registry);
        Uninstall(true);
    }
} uninstallAtUnload;

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

// Runs from the plug-ins' exit entry points, where an unload can still be refused: they keep
// their views until they are unloaded, and once an unload has begun our destructor comes too
// late to keep the code a later handler chains into.
void KeepLoadedWhileOthersChainToUs() {
    std::lock_guard<std::mutex> hold(registry);
    struct sigaction current;
    if (installed && sigaction(SIGBUS, nullptr, &current) == 0 && !IsOurs(current) &&
        !UnchainFrom(current, reinterpret_cast<void*>(OnBusError), nullptr))
        StayLoaded();
}

void ForgetMappingDescriptor(int fd) {
    std::lock_guard<std::mutex> hold(registry);
    for (Slot& slot : slots)
        if (slot.fd.load() == fd) slot.fd.store(-1);
}

}  // namespace platform
