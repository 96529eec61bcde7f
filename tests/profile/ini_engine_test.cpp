// What only our Linux engine promises beyond the Windows calls' answers: bounded waits for
// the writers' lock, atomic replacement, a read cache that is never stale, symbolic links,
// permissions, a size bound, and reads that cost what they use.
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <malloc.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/ini_file.h"
#include "platform/profile_calls.h"
#include "tests/profile/profile_fixture.h"
#include "tuner_plugin/plugin_state.h"
#include "tuner_plugin/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Another process that takes the writers' lock of `path` through the engine and keeps it:
// until Finish, when it goes on to store "holder=1" in section "s", or until destroyed,
// when it is killed as a crash would end it.
class HeldLock {
public:
  explicit HeldLock(const std::string& path) {
      int ready[2], go[2];
      if (pipe(ready) != 0 || pipe(go) != 0) ADD_FAILURE() << "no pipe";
      child_ = fork();
      if (child_ == 0) {
          close(ready[0]);
          close(go[1]);
          bool waited = false;
          bool saved = ini::EditFile(path.c_str(), [&](ini::Document& document) {
              char byte = 1;
              if (!waited && (write(ready[1], &byte, 1) != 1 || read(go[0], &byte, 1) < 0))
                  _exit(3);
              waited = true;
              return document.SetValue("s", "holder", "1");
          });
          _exit(saved ? 0 : 1);
      }
      close(ready[1]);
      close(go[0]);
      go_ = go[1];
      char byte = 0;
      // The holder either holds the lock and says so, or fails and ends: never a hang.
      EXPECT_EQ(read(ready[0], &byte, 1), 1) << "the holder did not get the lock";
      close(ready[0]);
  }
  ~HeldLock() {
      if (child_ > 0) {
          kill(child_, SIGKILL);
          waitpid(child_, nullptr, 0);
      }
      if (go_ >= 0) close(go_);
  }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

  // Lets the holder write; its exit code, 0 when it saved.
  int Finish() {
      char byte = 1;
      EXPECT_EQ(write(go_, &byte, 1), 1);
      close(go_);
      go_ = -1;
      int status = 0;
      waitpid(child_, &status, 0);
      child_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  pid_t child_ = -1;
  int go_ = -1;
};

// Runs `call` in a child process as the user nobody (65534): true when it returned true.
bool AsAnotherUser(const std::function<bool()>& call) {
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(call() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Counts the times a file is opened while it lives. Closes are watched too: the kernel
// merges identical events in a row, and an open followed by its close never is one.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE);
    }
    ~OpenCounter() { close(fd_); }
    int Count() {
        int opens = 0;
        alignas(inotify_event) char events[4096];
        for (ssize_t got; (got = read(fd_, events, sizeof events)) > 0;)
            for (char* at = events; at < events + got;
                 at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                opens += (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) != 0;
        return opens;
    }

private:
    int fd_;
};

// As on a file system without locks: every fcntl (the engine's locks) fails with ENOLCK.
void RefuseEveryLock() {
    sock_filter code[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                          BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fcntl, 0, 1),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOLCK),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    sock_fprog program = {static_cast<unsigned short>(std::size(code)), code};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(4);
}

class IniEngine : public ProfileTest {
protected:
    int Write(const char* section, const char* key, const char* value) {
        return platform::StoreProfileString(section, key, value, path_.c_str());
    }
};

// A holder that never lets go makes each write fail after its one second of waiting (not
// the old 10 or 30 s), even with the lock file's ticket counter overwritten; a holder that
// dies frees the lock at once, and writers take tickets from a sane counter again.
TEST_F(IniEngine, AWriteAgainstAHeldLockGivesUpAfterAboutASecond) {
    Put("[s]\r\nk=1\r\n");
    {
        HeldLock other(path_);
        for (int write = 0; write < 2; ++write) {
            if (write == 1) TempFolder::Put(path_ + ".lock", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F");
            auto start = Clock::now();
            EXPECT_EQ(Write("s", "k", "2"), 0);
            EXPECT_GE(SecondsSince(start), 0.99);
            EXPECT_LT(SecondsSince(start), 2.0);
        }
        EXPECT_EQ(Get(), "[s]\r\nk=1\r\n");
    }
    auto start = Clock::now();
    EXPECT_NE(Write("s", "k", "2"), 0);
    EXPECT_LT(SecondsSince(start), 0.5);  // no writer that gave up is waited for
    EXPECT_EQ(Get(), "[s]\r\nk=2\r\n");
}

// The number of writers' tickets taken so far, from the lock file's counter.
std::uint64_t TicketsTaken(const std::string& path) {
    std::string counter = TempFolder::Get(path + ".lock") + std::string(8, '\0');
    std::uint64_t taken = 0;
    for (int i = 7; i >= 0; --i) taken = taken << 8 | static_cast<unsigned char>(counter[i]);
    return taken;
}

// Writers held up behind a holder write in the order they came once it is done, however
// their looks at the lock fall: each stores the number of writes before its own.
TEST_F(IniEngine, WritersWaitingForTheLockWriteInTheOrderTheyCame) {
    Put("[s]\r\ndone=0\r\n");
    HeldLock holder(path_);
    constexpr int kWriters = 5;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([this, w] {
            ini::EditFile(path_.c_str(), [w](ini::Document& document) {
                auto done = document.FindEntry(*document.FindSection("s"), "done");
                std::string before(done->value);
                document.SetValue("s", ("w" + std::to_string(w)).c_str(), before);
                return document.SetValue("s", "done", std::to_string(std::stoi(before) + 1));
            });
        });
        // The next writer starts once this one has its ticket (the holder has the first).
        for (auto start = Clock::now(); TicketsTaken(path_) < static_cast<std::uint64_t>(w) + 2 &&
                                        SecondsSince(start) < 10;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(holder.Finish(), 0);
    for (std::thread& writer : writers) writer.join();
    for (int w = 0; w < kWriters; ++w)
        EXPECT_EQ(Value("s", ("w" + std::to_string(w)).c_str()), std::to_string(w)) << w;
}

TEST_F(IniEngine, ALockThatCannotBeTakenIsNotWaitedFor) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;  // no one holds it; it cannot be used
        int reason;
    } rows[] = {
        {"a folder", [](const std::string& lock) { std::filesystem::create_directory(lock); },
         EISDIR},
        {"a named pipe", [](const std::string& lock) { mkfifo(lock.c_str(), 0644); }, EINVAL},
        {"a file system without locks", [](const std::string&) { RefuseEveryLock(); }, ENOLCK},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Put("[s]\r\nk=1\r\n");
        std::filesystem::remove_all(path_ + ".lock");
        auto threeWrites = [&] {  // in a child, as a filter stays for good
            row.make(path_ + ".lock");
            auto start = Clock::now();
            for (int write = 0; write < 3; ++write) {
                errno = 0;
                if (Write("s", "k", "2") != 0 || errno != row.reason) return 1;
            }
            return SecondsSince(start) < 0.5 ? 0 : 2;  // 3 s when each waits its second
        };
        EXPECT_EXIT(_exit(threeWrites()), ::testing::ExitedWithCode(0), "")
            << "1: a write went through or did not say why; 2: they waited";
        EXPECT_EQ(Get(), "[s]\r\nk=1\r\n");
    }
}

TEST_F(IniEngine, ALockFileWithASecondNameIsReplacedAndTheOtherFileLeftAlone) {
    Put("[s]\r\nk=1\r\n");
    const std::string other = folder_.File("other.txt");
    TempFolder::Put(other, "keep these bytes");
    ASSERT_EQ(link(other.c_str(), (path_ + ".lock").c_str()), 0);
    EXPECT_NE(Write("s", "k", "2"), 0);
    EXPECT_EQ(TempFolder::Get(other), "keep these bytes");
    EXPECT_EQ(Get(), "[s]\r\nk=2\r\n");
}

TEST_F(IniEngine, ASaveAgainstAHeldLockFailsAfterOneWait) {
    Put("[Options]\r\nEnabled=0\r\n");
    glyphbox::CurrentSettings().enabled = 1;
    glyphbox::CurrentSettings().known = glyphbox::kAllKnown;  // as after a load
    {
        HeldLock other(path_);
        auto start = Clock::now();
        EXPECT_EQ(glyphbox::SaveSettings(path_.c_str()), -1);
        EXPECT_LT(SecondsSince(start), 2.5);  // one write's wait; three would take three seconds
        EXPECT_EQ(Get(), "[Options]\r\nEnabled=0\r\n");
    }
    // What could not be saved is saved at the next chance.
    EXPECT_EQ(glyphbox::SaveSettings(path_.c_str()), 0);
    EXPECT_NE(Get().find("Enabled=1"), std::string::npos);
}

TEST_F(IniEngine, AWriteThatFailsHalfWayLeavesTheOldFileWholeAndNoStrayFile) {
    const std::string original = "[s]\r\nk=1\r\n";
    Put(original);
    // The temporary file cannot grow past 4 KB, so the write fails in the middle.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    // SIGXFSZ at its default, as in a host: a write past the limit would end the process.
    setrlimit(RLIMIT_FSIZE, &small);
    int written = Write("s", "k", std::string(10000, 'v').c_str()), reason = errno;
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(reason, EFBIG) << "the failure does not say why";
    EXPECT_EQ(Get(), original);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.File("")))
        EXPECT_TRUE(entry.path().filename() == "settings.ini" ||
                    entry.path().filename() == "settings.ini.lock")
            << entry.path();
}

TEST_F(IniEngine, ARewriteOfTheSameSizeWithinOneClockTickIsNeverReadStale) {
    Put("[s]\r\nk=4\r\n");
    struct stat first;
    stat(path_.c_str(), &first);
    EXPECT_EQ(Value("s", "k"), "4");
    Put("[s]\r\nk=5\r\n");
    // Same inode, same size and, as within one tick of the file clock, the same time.
    const timespec times[2] = {first.st_atim, first.st_mtim};
    utimensat(AT_FDCWD, path_.c_str(), times, 0);
    EXPECT_EQ(Value("s", "k"), "5");
}

TEST_F(IniEngine, ASymbolicLinkStaysALinkAndItsTargetIsEdited) {
    std::string target = folder_.File("real.ini");
    TempFolder::Put(target, "[s]\r\nk=1\r\n");
    std::filesystem::create_symlink(target, path_);
    ASSERT_NE(Write("s", "k", "2"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(TempFolder::Get(target), "[s]\r\nk=2\r\n");
}

// A host run once as root leaves a lock file only root may write (0644), or under umask
// 077 only root may open (0600): the settings' owner must still save, as before that run.
TEST_F(IniEngine, ALockFileLeftByRootNeverStopsTheOwnersSaves) {
    if (geteuid() != 0) GTEST_SKIP() << "making another user's lock file needs root";
    for (mode_t mode : {0644, 0600}) {
        SCOPED_TRACE(mode);
        Put("[s]\r\nk=1\r\n");
        TempFolder::Put(path_ + ".lock", "");
        chmod((path_ + ".lock").c_str(), mode);  // root's, as its host left it
        ASSERT_EQ(chown(folder_.File("").c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(path_.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(AsAnotherUser([&] { return Write("s", "k", "2") != 0; }));
        EXPECT_EQ(Get(), "[s]\r\nk=2\r\n");
    }
}

// Under umask 077 root's first save makes the settings file and its lock file; both go to
// the folder's owner, who saves afterwards as ever.
TEST_F(IniEngine, FilesASaveAsRootMakesBelongToTheSettingsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    ASSERT_EQ(chown(folder_.File("").c_str(), 65534, 65534), 0);
    mode_t oldMask = umask(077);
    EXPECT_NE(Write("s", "k", "1"), 0);
    umask(oldMask);
    for (const std::string& file : {path_, path_ + ".lock"}) {
        struct stat info;
        ASSERT_EQ(stat(file.c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_uid, 65534u) << file;
    }
    EXPECT_TRUE(AsAnotherUser([&] { return Write("s", "k", "2") != 0; }));
    EXPECT_EQ(Get(), "[s]\r\nk=2\r\n");
}

// Everyone who may write a shared settings file may open its lock file, so their saves take
// turns on one lock instead of each replacing the other's.
TEST_F(IniEngine, EveryoneWhoMayWriteTheSettingsMayOpenItsLockFile) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root and another user";
    Put("[s]\r\nk=1\r\n");
    chmod(path_.c_str(), 0666);
    chmod(folder_.File("").c_str(), 0777);
    EXPECT_NE(Write("s", "k", "2"), 0);
    struct stat before, after;
    ASSERT_EQ(stat((path_ + ".lock").c_str(), &before), 0);
    EXPECT_TRUE(AsAnotherUser([&] { return Write("s", "k", "3") != 0; }));
    ASSERT_EQ(stat((path_ + ".lock").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Get(), "[s]\r\nk=3\r\n");
}

// The owner replaces root's lock file while root's writer holds it: root's writer sees the
// replacement before it renames and writes again under the new lock, keeping both updates.
TEST_F(IniEngine, AWriterWhoseLockFileWasReplacedWritesAgainKeepingTheOtherUpdate) {
    if (geteuid() != 0) GTEST_SKIP() << "making another user's lock file needs root";
    Put("[s]\r\nk=1\r\n");
    TempFolder::Put(path_ + ".lock", "");
    chmod((path_ + ".lock").c_str(), 0600);
    ASSERT_EQ(chown(folder_.File("").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(path_.c_str(), 65534, 65534), 0);
    HeldLock root(path_);
    EXPECT_TRUE(AsAnotherUser([&] { return Write("s", "k", "2") != 0; }));
    EXPECT_EQ(root.Finish(), 0);
    EXPECT_EQ(Value("s", "k"), "2");
    EXPECT_EQ(Value("s", "holder"), "1");
}

// A link planted as the lock file would have a writer running as root create or lock the
// file it names (an empty /etc/nologin locks every other user out).
TEST_F(IniEngine, ALockFileThatIsASymbolicLinkIsRefusedAndWhatItNamesIsLeftAlone) {
    const std::string victim = folder_.File("victim");
    const struct {
        const char* what;
        bool victimExists;
    } rows[] = {{"a link to a missing file", false}, {"a link to an existing file", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Put("[s]\r\nk=1\r\n");
        std::filesystem::remove(victim);
        std::filesystem::remove(path_ + ".lock");
        if (row.victimExists) TempFolder::Put(victim, "keep");
        std::filesystem::create_symlink(victim, path_ + ".lock");
        EXPECT_EQ(Write("s", "k", "2"), 0);
        EXPECT_EQ(TempFolder::Get(victim), row.victimExists ? "keep" : "<missing>");
        EXPECT_EQ(Get(), "[s]\r\nk=1\r\n");
        EXPECT_TRUE(std::filesystem::is_symlink(path_ + ".lock"));
    }
}

TEST_F(IniEngine, AReadOnlyFolderFailsTheWriteCleanly) {
    std::filesystem::permissions(folder_.File(""), std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_exec |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::group_exec |
                                                       std::filesystem::perms::others_read |
                                                       std::filesystem::perms::others_exec);
    // Root writes anywhere, so the write is tried as a user without rights to the folder.
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        _exit(Write("s", "k", "v") == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::filesystem::permissions(folder_.File(""), std::filesystem::perms::owner_all);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Get(), "<missing>");
}

TEST_F(IniEngine, AFilePastTheSizeBoundIsNeitherReadNorWritten) {
    Put("[s]\r\nk=1\r\n");
    std::filesystem::resize_file(path_, 100 << 20);  // 100 MB, almost all a sparse hole
    auto start = Clock::now();
    EXPECT_EQ(Value("s", "k"), "<none>");
    EXPECT_EQ(Write("s", "k", "2"), 0);
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_EQ(std::filesystem::file_size(path_), 100u << 20);
    std::string head(10, '\0');
    std::ifstream(path_, std::ios::binary).read(head.data(), 10);
    EXPECT_EQ(head, "[s]\r\nk=1\r\n");
}

// Runs `call` in a child process that a hang or a runaway read cannot outlive: true when
// it returned in time with `call` true.
bool FinishesInAChild(const std::function<bool()>& call) {
    pid_t child = fork();
    if (child == 0) {
        alarm(10);
        bool done = false;
        try {
            done = call();
        } catch (...) {
        }
        _exit(done ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A careless user may point the settings at a device or a named pipe: a read or a write
// must neither wait for a pipe's writer nor read a device that never ends.
TEST_F(IniEngine, ASettingsFileThatIsNoRegularFileIsNeitherReadNorWritten) {
    const struct {
        const char* what;
        std::function<bool(const std::string&)> make;  // false when it cannot be made here
        bool write;  // a write beside /dev/zero would put its lock file into /dev
    } rows[] = {
        {"a link to /dev/zero",
         [](const std::string& path) { return symlink("/dev/zero", path.c_str()) == 0; }, false},
        {"a device that never ends",
         [](const std::string& path) { return mknod(path.c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0; },
         true},
        {"a named pipe", [](const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; }, true},
        {"a link to a named pipe",
         [](const std::string& path) {
             return mkfifo((path + ".pipe").c_str(), 0644) == 0 &&
                    symlink((path + ".pipe").c_str(), path.c_str()) == 0;
         },
         true},
        {"a lock file that is a named pipe",
         [](const std::string& path) {
             TempFolder::Put(path, "[s]\r\nk=1\r\n");
             return mkfifo((path + ".lock").c_str(), 0644) == 0;
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& entry : std::filesystem::directory_iterator(folder_.File("")))
            std::filesystem::remove(entry.path());
        if (!row.make(path_)) continue;  // a device node needs root
        EXPECT_TRUE(FinishesInAChild([&] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
            // A runaway read then fails fast rather than fill the machine's memory (the
            // sanitizers reserve more address space than this bound).
            struct rlimit memory = {1ul << 30, 1ul << 30};
            setrlimit(RLIMIT_AS, &memory);
#endif
            std::string value = Value("s", "k");
            return (value == "<none>" || value == "1") && (!row.write || Write("s", "k", "2") == 0);
        }));
    }
}

// A write that took the file past the bound would leave every later read with defaults.
TEST_F(IniEngine, AFileAtTheSizeBoundIsReadButNotGrownPastIt) {
    std::string head = "[s]\r\nk=1\r\n;";
    Put(head + std::string(ini::kLargestFile - head.size(), 'x'));
    EXPECT_EQ(Value("s", "k"), "1");
    EXPECT_EQ(Write("s", "k2", "2"), 0);
    EXPECT_EQ(Value("s", "k"), "1");
    EXPECT_NE(Write("s", "k", "3"), 0);  // the same size: still within the bound
    EXPECT_EQ(Value("s", "k"), "3");
}

// The peak of this process's resident memory while `call` runs, above what it held before,
// in bytes; -1 where the system cannot tell.
long long PeakMemoryOf(const std::function<void()>& call) {
    auto status = [](const char* field) {
        std::ifstream in("/proc/self/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(field, 0) == 0)
                return std::atoll(line.c_str() + std::strlen(field)) * 1024;
        return -1ll;
    };
    // Resetting the high-water mark makes it the present resident size.
    if (!(std::ofstream("/proc/self/clear_refs") << "5")) return -1;
    long long before = status("VmRSS:");
    call();
    long long peak = status("VmHWM:");
    return before < 0 || peak < 0 ? -1 : peak - before;
}

// A file just under the size bound, of the shortest lines, costs a read or a write less
// than four times its size in memory (it once cost sixty).
TEST_F(IniEngine, AFileOfShortLinesUnderTheSizeBoundIsReadAndWrittenInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers keep freed memory and add their own";
#endif
    const std::size_t lines = (ini::kLargestFile - 1024) / 2;
    const struct {
        const char* what;
        std::string head, tail, line;
        const char* before;  // the value of s/k before the write
    } rows[] = {
        {"lines of \"a\" before any section", "", "", "a\n", "<none>"},
        {"lines of \"a\" in the section written", "[s]\r\n", "k=1\r\n", "a\n", "1"},
        // Each line's end was once looked for up to the file's end: hours for this file.
        {"lines ending in CR alone", "[s]\r", "k=1\r", "a\r", "1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text = row.line;
        while (text.size() < 2 * lines) text += text;
        text = row.head + text.substr(0, 2 * lines) + row.tail;
        const long long size = static_cast<long long>(text.size());
        Put(text);
        text = std::string();
        int results[2] = {};
        ASSERT_EQ(pipe(results), 0);
        // In a child of its own, so no memory this process freed earlier is used again
        // unseen; large blocks are mapped afresh for the same reason.
        pid_t child = fork();
        if (child == 0) {
            mallopt(M_MMAP_THRESHOLD, 128 * 1024);
            alarm(120);
            std::string value;
            int written = 0;
            char lines[64];
            long long peaks[3] = {
                PeakMemoryOf([&] { value = Value("s", "k"); }),
                PeakMemoryOf([&] { written = Write("s", "k", "changed"); }),
                // The section's millions of lines, of which only what fits is gathered.
                PeakMemoryOf(
                    [&] { platform::ReadProfileSection("s", lines, sizeof lines, path_.c_str()); }),
            };
            if (value != row.before || written == 0) peaks[0] = -2;
            _exit(write(results[1], peaks, sizeof peaks) == sizeof peaks ? 0 : 1);
        }
        close(results[1]);
        long long peaks[3] = {-1, -1, -1};
        bool reported = read(results[0], peaks, sizeof peaks) == sizeof peaks;
        close(results[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(reported && WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_NE(peaks[0], -2) << "s/k was not read as " << row.before << " or not written";
        if (peaks[0] == -1)
            GTEST_SKIP() << "the system does not reset the resident high-water mark";
        EXPECT_LT(peaks[0], 4 * size) << "bytes to read a file of " << size;
        EXPECT_LT(peaks[1], 4 * size) << "bytes to write a file of " << size;
        EXPECT_LT(peaks[2], 4 * size) << "bytes to list a section of a file of " << size;
    }
}

// A restore (`cp -p backup.ini settings.ini`) changes a file that may be kept parsed and
// puts its old modification time back: only the change time shows it.
// The first time within one tick of the file clock, so even the change time stays the same;
// the second time long after the file's last change, when it is kept parsed.
TEST_F(IniEngine, AFileRestoredWithItsOldModificationTimeIsReadAnew) {
    const timespec old[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    for (bool settled : {false, true}) {
        SCOPED_TRACE(settled ? "settled" : "just changed");
        Put("[s]\r\nk=1\r\n");
        ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), old, 0), 0);
        if (settled) std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        EXPECT_EQ(Value("s", "k"), "1");
        Put("[s]\r\nk=2\r\n");  // in place: the same inode and size
        ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), old, 0), 0);
        EXPECT_EQ(Value("s", "k"), "2");
    }
}

// A link whose target does not exist yet (`ln -s real/settings.ini link.ini`) stays a link,
// and the write creates the target. A chain of links is followed to its end; a loop, or a
// target in a missing folder, fails the write and leaves the links as they were.
TEST_F(IniEngine, ADanglingLinkStaysALinkAndItsTargetIsCreated) {
    std::filesystem::create_directory(folder_.File("real"));
    std::filesystem::create_symlink("real/settings.ini", path_);
    ASSERT_NE(Write("s", "k", "1"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(TempFolder::Get(folder_.File("real/settings.ini")), "[s]\r\nk=1\r\n");
    EXPECT_EQ(Value("s", "k"), "1");

    const std::string chain = folder_.File("chain.ini");
    std::filesystem::create_symlink("middle.ini", chain);
    std::filesystem::create_symlink(folder_.File("real/other.ini"), folder_.File("middle.ini"));
    EXPECT_NE(platform::StoreProfileString("s", "k", "2", chain.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(chain));
    EXPECT_TRUE(std::filesystem::is_symlink(folder_.File("middle.ini")));
    EXPECT_EQ(TempFolder::Get(folder_.File("real/other.ini")), "[s]\r\nk=2\r\n");

    const std::string loop = folder_.File("loop.ini"), nowhere = folder_.File("nowhere.ini");
    std::filesystem::create_symlink("loop.ini", loop);
    std::filesystem::create_symlink("missing/settings.ini", nowhere);
    for (const std::string& link : {loop, nowhere}) {
        SCOPED_TRACE(link);
        EXPECT_EQ(platform::StoreProfileString("s", "k", "3", link.c_str()), 0);
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

// What writers killed mid-write left: the next write removes the engine's own temporaries
// once they are too old for a live writer to own, and nothing else.
TEST_F(IniEngine, TheNextWriteRemovesOnlyTheEnginesOwnStaleTemporaries) {
    Put("[s]\r\nk=1\r\n");
    const struct {
        const char* name;
        int ageSeconds;
        bool anotherUsers;
        bool removed;
        bool held = false;  // by a writer of another file in the folder, paused at its rename
    } rows[] = {
        {".ini-write-aB3xYz", 120, false, true},
        {".ini-write-aB3xY0", 5, false, false},  // a live writer may be writing it
        {".ini-write-aB3xY1", 120, true, false},
        {".ini-write-aB3xY", 120, false, false},  // not a name the engine makes
        {".ini-write-aB3xYzz", 120, false, false},
        {"notes.ini-write-aB3xYz", 120, false, false},
        {".ini-write-aB3xY2", 120, false, false, true},
    };
    std::vector<int> writers;
    for (const auto& row : rows) {
        if (row.anotherUsers && geteuid() != 0) continue;
        const std::string file = folder_.File(row.name);
        TempFolder::Put(file, "[s]\r\nk=0\r\n");
        if (row.anotherUsers) {
            ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        }
        const timespec age[2] = {{time(nullptr) - row.ageSeconds, 0},
                                 {time(nullptr) - row.ageSeconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), age, 0), 0);
        struct flock whole = {F_WRLCK, SEEK_SET, 0, 0, 0};
        if (row.held) {
            writers.push_back(open(file.c_str(), O_RDWR));
            ASSERT_EQ(fcntl(writers.back(), F_OFD_SETLK, &whole), 0);
        }
    }
    ASSERT_NE(Write("s", "k", "2"), 0);
    for (int fd : writers) close(fd);
    for (const auto& row : rows) {
        if (row.anotherUsers && geteuid() != 0) continue;
        EXPECT_EQ(std::filesystem::exists(folder_.File(row.name)), !row.removed) << row.name;
    }
}

// kill -9 at random moments of writes of a 1 MiB file, as a crash would: the file is whole
// every time, and once what the killed writers left is old enough, the next write leaves
// nothing but the file and its lock file.
TEST_F(IniEngine, WritersKilledAtAnyMomentLeaveTheFileWholeAndNoTemporaryForLong) {
    const std::string big(1 << 20, 'x');
    Put("[s]\r\nk=0\r\nbig=" + big + "\r\n");
    std::mt19937 random(18);
    for (int round = 1; round <= 30; ++round) {
        pid_t child = fork();
        if (child == 0) {
            for (int write = 0;; ++write)
                Write("s", "k", std::to_string(round * 10000 + write).c_str());
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_EQ(Value("s", "big"), big) << "round " << round;
        ASSERT_NE(Value("s", "k"), "<none>") << "round " << round;
    }
    int leftovers = 0;
    const timespec old[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const auto& entry : std::filesystem::directory_iterator(folder_.File("")))
        if (entry.path().filename().string().rfind(".ini-write-", 0) == 0) {
            utimensat(AT_FDCWD, entry.path().c_str(), old, 0);
            ++leftovers;
        }
    RecordProperty("leftovers", leftovers);
    ASSERT_NE(Write("s", "k", "last"), 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.File("")))
        EXPECT_TRUE(entry.path().filename() == "settings.ini" ||
                    entry.path().filename() == "settings.ini.lock")
            << entry.path();
}

TEST_F(IniEngine, ReadsOfALongValueOpenTheFileAsOftenAsTheyMust) {
    Put("[s]\r\nk=" + std::string(1 << 20, '7') + "\r\n");
    char buffer[80];
    const struct {
        const char* read;
        std::function<void()> call;
        int mostOpens;
    } rows[] = {
        {"ReadInt", [&] { file_.ReadInt("s", "k", 0, 10); }, 1},
        {"ReadDouble", [&] { file_.ReadDouble("s", "k", 0); }, 1},
        {"ReadChar", [&] { file_.ReadChar("s", "k", 'd'); }, 1},
        {"ReadString into 80 bytes", [&] { file_.ReadString("s", "k", buffer, sizeof buffer, nullptr); }, 1},
        {"HasKey", [&] { file_.HasKey("s", "k"); }, 1},
        // Doubling from 512 bytes passes a megabyte in 13 reads; steps of 512 would take 2049.
        {"ReadValue", [&] { file_.ReadValue("s", "k", nullptr); }, 13},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.read);
        OpenCounter opens(path_);
        row.call();
        EXPECT_LE(opens.Count(), row.mostOpens);
    }
}

}  // namespace
