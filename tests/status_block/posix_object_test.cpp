// Linux only: POSIX shared memory is one namespace for the whole machine and its objects are
// files anyone with the right mode can open, truncate or lock.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "hosts/common/display_plugin_host.h"
#include "platform/shared_memory.h"
#include "status_block/status_block_name.h"
#include "tests/support/product_file.h"
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

// What another process of the same user can do to a block we have mapped: cut it short.
void CutToNothing(const std::string& name) {
    int fd = shm_open(ObjectNameFor(name).c_str(), O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 0), 0);
    close(fd);
}

// As without a guard: killed by SIGBUS, or ended by the handler ours replaced (a sanitizer's).
bool EndedByTheFault(int status) {
    return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS : WEXITSTATUS(status) != 0;
}

off_t ObjectSize(const std::string& name) {
    int fd = shm_open(ObjectNameFor(name).c_str(), O_RDONLY, 0600);
    struct stat info {};
    if (fd >= 0) fstat(fd, &info);
    if (fd >= 0) close(fd);
    return fd >= 0 ? info.st_size : -1;
}

// A small tmpfs on /dev/shm that this process alone sees (a mount namespace of its own, with
// a user namespace where it is not root). False where the system allows neither; nothing is
// mounted unless the mounts are private to this process first.
bool SmallShmOfOurOwn() {
    uid_t uid = geteuid();
    gid_t gid = getegid();
    if (unshare(CLONE_NEWNS) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
        std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
    }
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", "/dev/shm", "tmpfs", MS_NOSUID | MS_NODEV, "size=16k,mode=1777") == 0;
}

// Takes every page the tmpfs has left.
void FillShm(const char* file) {
    int fd = open(file, O_WRONLY | O_CREAT | O_APPEND, 0600);
    static const char page[4096] = {};
    while (fd >= 0 && write(fd, page, sizeof page) > 0) {
    }
    if (fd >= 0) close(fd);
}

// Opened while a host's standard input is closed: the block must not become its descriptor 0.
TEST(BlockObject, IsTheUsersOwnUnderANameOfTheirOwn) {
    std::string name = UniqueBlockName();
    int input = dup(0);
    close(0);
    platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    dup2(input, 0), close(input);
    ASSERT_TRUE(handle.open);
    EXPECT_GT(handle.value, 2);
    EXPECT_EQ(fcntl(static_cast<int>(handle.value), F_GETFD), FD_CLOEXEC);
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
    // Before any touch: on a full /dev/shm a repair at the touch could give private pages only.
    EXPECT_EQ(ObjectSize(name), static_cast<off_t>(kSize));
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

// A touch past the end of a cut object raises SIGBUS, which would end a host.
TEST(BlockObject, AViewCutShortUnderUsIsWholeAgainAtItsNextTouch) {
    for (bool write : {false, true}) {
        SCOPED_TRACE(write ? "a write" : "a read");
        std::string name = UniqueBlockName();
        platform::SharedMemoryHandle ours =
            platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        platform::SharedMemoryHandle theirs =
            platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        auto* view = static_cast<volatile unsigned char*>(platform::MapSharedMemory(ours, kSize));
        auto* other =
            static_cast<volatile unsigned char*>(platform::MapSharedMemory(theirs, kSize));
        ASSERT_NE(view, nullptr);
        ASSERT_NE(other, nullptr);
        view[kSize - 1] = 7;
        CutToNothing(name);
        if (write) view[kSize - 1] = 9;
        EXPECT_EQ(view[kSize - 1], write ? 9 : 0);
        EXPECT_EQ(ObjectSize(name), static_cast<off_t>(kSize));
        // Still one block for both holders, not a copy of our own.
        EXPECT_EQ(other[kSize - 1], write ? 9 : 0);
        platform::UnmapSharedMemory(const_cast<unsigned char*>(view), kSize);
        platform::UnmapSharedMemory(const_cast<unsigned char*>(other), kSize);
        platform::CloseSharedMemory(ours);
        platform::CloseSharedMemory(theirs);
    }
}

TEST(BlockObject, AViewWhoseHandleIsClosedReadsZerosOnceCutShort) {
    for (bool byUs : {true, false}) {
        SCOPED_TRACE(byUs ? "closed by us" : "closed by other code of the process, never told");
        std::string name = UniqueBlockName();
        platform::SharedMemoryHandle ours =
            platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        platform::SharedMemoryHandle theirs =
            platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        auto* view = static_cast<volatile unsigned char*>(platform::MapSharedMemory(ours, kSize));
        ASSERT_NE(view, nullptr);
        view[0] = 5;
        int closedNumber = static_cast<int>(ours.value);
        if (byUs)
            platform::CloseSharedMemory(ours);
        else
            close(closedNumber);
        // The closed descriptor's number now names a file of someone else's.
        FILE* reused = std::tmpfile();
        ASSERT_EQ(dup2(fileno(reused), closedNumber), closedNumber);
        CutToNothing(name);
        alarm(20);  // growing that file instead would leave the touch faulting for good
        EXPECT_EQ(view[0], 0);
        alarm(0);
        view[0] = 6;
        EXPECT_EQ(view[0], 6);
        struct stat info {};
        fstat(closedNumber, &info);
        EXPECT_EQ(info.st_size, 0) << "the repair grew a file that is not the block";
        close(closedNumber);
        std::fclose(reused);
        platform::UnmapSharedMemory(const_cast<unsigned char*>(view), kSize);
        platform::CloseSharedMemory(theirs);
    }
}

TEST(BlockObject, EveryViewHandedOutSurvivesACut) {
    std::string name = UniqueBlockName();
    platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    std::vector<volatile unsigned char*> views;
    for (int i = 0; i < 40; ++i)
        views.push_back(
            static_cast<volatile unsigned char*>(platform::MapSharedMemory(handle, kSize)));
    ASSERT_NE(views[0], nullptr);
    for (volatile unsigned char* view : views) {
        if (view == nullptr) continue;
        CutToNothing(name);
        EXPECT_EQ(view[kSize - 1], 0);  // a view no one watched would end us here
    }
    for (volatile unsigned char* view : views)
        platform::UnmapSharedMemory(const_cast<unsigned char*>(view), kSize);
    platform::CloseSharedMemory(handle);
}

// /dev/shm full (a container's 64 MiB, say): regrowing a cut object gives back its size but no
// page, and a touch that faulted again at once would spin in the handler for ever.
TEST(BlockObject, AFullTmpfsRefusesANewBlockAndNeverHangsATouchOfACutOne) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!SmallShmOfOurOwn()) std::_Exit(77);
        alarm(20);
        platform::SharedMemoryHandle handle = platform::OpenSharedMemory("cut", kSize, nullptr);
        auto* view = static_cast<volatile unsigned char*>(platform::MapSharedMemory(handle, kSize));
        if (view == nullptr) std::_Exit(10);
        view[kSize - 1] = 7;
        FillShm("/dev/shm/filler");
        platform::SharedMemoryHandle late = platform::OpenSharedMemory("late", kSize, nullptr);
        if (late.open) std::_Exit(11);  // its views would fault at their first touch
        if (shm_open(ObjectNameFor("late").c_str(), O_RDONLY, 0600) >= 0) std::_Exit(15);
        int fd = shm_open(ObjectNameFor("cut").c_str(), O_RDWR, 0600);
        if (fd < 0 || ftruncate(fd, 0) != 0) std::_Exit(12);
        FillShm("/dev/shm/filler");  // the cut's page too
        if (view[kSize - 1] != 0) std::_Exit(13);
        view[kSize - 1] = 8;
        std::_Exit(view[kSize - 1] == 8 ? 0 : 14);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no tmpfs of our own can be mounted here";
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status)
                                      << " (SIGALRM: the touch of the cut block never ended)";
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the step that failed (11: a block opened on a full tmpfs; 15: its object left behind)";
    }
}

TEST(BlockObject, AnOpenThatFailsHalfWayLeavesNoObjectBehind) {
    std::string name = UniqueBlockName();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit small = {1024, 1024};
        setrlimit(RLIMIT_FSIZE, &small);
        platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
        std::_Exit(handle.open ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the block opened past the size limit";
    EXPECT_EQ(ObjectSize(name), -1) << "the half-made object stayed in /dev/shm";
    shm_unlink(ObjectNameFor(name).c_str());
}

// The guard takes only the faults in the views it watches; any other still ends the process.
TEST(BlockObjectDeathTest, AFaultOutsideEveryBlockStillEndsTheProcess) {
    std::string name = UniqueBlockName();
    // Held here too, so that the block goes with this process rather than stay behind the
    // child that dies holding it.
    platform::SharedMemoryHandle kept = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    EXPECT_EXIT(
        {
            alarm(20);  // a fault taken for ours would repeat for good
            platform::SharedMemoryHandle handle =
                platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
            platform::MapSharedMemory(handle, kSize);
            FILE* file = std::tmpfile();
            auto* other = static_cast<volatile char*>(
                mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(file), 0));
            std::printf("%d", other[0]);
        },
        EndedByTheFault, "");
    platform::CloseSharedMemory(kept);
}

// A handler left behind by an unloaded plug-in would send the fault into code that is gone.
TEST(BlockObjectDeathTest, AFaultAfterThePlugInIsUnloadedStillEndsTheProcessAsOne) {
    EXPECT_EXIT(
        {
            alarm(20);
            {
                DisplayPluginHost plugin;
                std::string error;
                if (!plugin.Load(ProductPlugin("vistune"), &error)) std::_Exit(3);
                plugin.Init();
            }
            FILE* file = std::tmpfile();
            auto* other = static_cast<volatile char*>(
                mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(file), 0));
            std::printf("%d", other[0]);
        },
        EndedByTheFault, "");
}

sigjmp_buf afterHostsFault;
void HostsOwnFaultHandler(int, siginfo_t*, void*) {
    siglongjmp(afterHostsFault, 1);
}

bool HostsHandlerIsInPlace() {
    struct sigaction now;
    return sigaction(SIGBUS, nullptr, &now) == 0 && now.sa_sigaction == HostsOwnFaultHandler;
}

// A host with a SIGBUS handler of its own loads both plug-ins, ends them, unloads them in the
// given order (`second` may stay loaded; `late`: a handler set after the loads chains to ours)
// and faults on a file of its own: 0 when its handler got the fault, else the failed step.
struct sigaction beforeLate;
int HostFaultsAfterUnloading(const char* first, const char* second, const char* late) {
    struct sigaction host {};
    host.sa_sigaction = HostsOwnFaultHandler;
    host.sa_flags = SA_SIGINFO;
    sigaction(SIGBUS, &host, nullptr);
    void* tuner = dlopen(ProductPlugin("glyphbox").c_str(), RTLD_NOW);
    if (tuner == nullptr || HostsHandlerIsInPlace()) return 2;  // the tuner's guard is set at load
    void* display = dlopen(ProductPlugin("vistune").c_str(), RTLD_NOW);
    auto init = display ? reinterpret_cast<void (*)()>(dlsym(display, "GlyphboxInit")) : nullptr;
    if (init == nullptr) return 3;
    auto fini = reinterpret_cast<void (*)()>(dlsym(display, "GlyphboxFini"));
    fini();  // a display not yet started has no guard to keep loaded
    init();
    host.sa_sigaction = [](int n, siginfo_t* i, void* c) { beforeLate.sa_sigaction(n, i, c); };
    if (late) sigaction(SIGBUS, &host, &beforeLate);
    reinterpret_cast<int (*)()>(dlsym(tuner, "On_Exit"))();
    fini();
    dlclose(std::string(first) == "glyphbox" ? tuner : display);
    if (second) dlclose(std::string(second) == "glyphbox" ? tuner : display);
    if (second && !late && !HostsHandlerIsInPlace()) return 4;
    auto* other = static_cast<volatile char*>(
        mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(std::tmpfile()), 0));
    if (sigsetjmp(afterHostsFault, 1) == 0) return other[0] == 0 ? 5 : 6;
    return 0;
}

TEST(BlockObjectDeathTest, AHostsOwnFaultHandlerGetsItsFaultsWhicheverPlugInIsUnloadedFirst) {
    const char* orders[][3] = {{"glyphbox", "vistune", nullptr},
                               {"vistune", "glyphbox", nullptr},
                               {"glyphbox", nullptr, nullptr},
                               {"glyphbox", "vistune", "late"}};
    for (const auto& order : orders) {
        SCOPED_TRACE(std::string(order[0]) + " unloaded first" +
                     (order[1] ? "" : ", the other kept") +
                     (order[2] ? ", a handler set later" : ""));
        EXPECT_EXIT((alarm(20), std::_Exit(HostFaultsAfterUnloading(order[0], order[1], order[2]))),
                    ::testing::ExitedWithCode(0), "");
    }
    shm_unlink(ObjectNameFor(std::getenv(kStatusBlockNameVariable)).c_str());  // ended holding it
}

TEST(BlockObject, AFaultHandlerInstalledAfterOursIsLeftInPlace) {
    std::string name = UniqueBlockName();
    platform::SharedMemoryHandle handle = platform::OpenSharedMemory(name.c_str(), kSize, nullptr);
    void* view = platform::MapSharedMemory(handle, kSize);
    ASSERT_NE(view, nullptr);
    struct sigaction theirs = {};
    struct sigaction before, after;
    theirs.sa_handler = [](int) {};
    sigaction(SIGBUS, &theirs, &before);
    platform::UnmapSharedMemory(view, kSize);
    sigaction(SIGBUS, &before, &after);
    EXPECT_EQ(after.sa_handler, theirs.sa_handler);
    platform::CloseSharedMemory(handle);
}

}  // namespace
