#include "platform/posix/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/descriptor.h"
#include "platform/posix/file_size_limit.h"
#include "platform/posix/ini_encoding.h"

namespace ini {
namespace {

// File times come from a coarse clock, so a file changed again within the same tick keeps
// its times. Only files left alone this long are kept parsed: any later change must then
// show as a new change time.
constexpr time_t kSettledSeconds = 2;
// A writer gives up when the writers ahead of it have not moved for this long, so a save
// against a lock held by a hung process ends in about a second instead of stalling the
// host, while one behind busy writers that finish in turn waits for them.
constexpr long kLockWaitMs = 1000;
// How often a waiting writer looks whether its turn has come (see PollPause).
constexpr useconds_t kLockPollUs = 1000;
constexpr std::uint64_t kSlowestPoll = 8;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
// Every file the engine makes in a settings folder starts as ".ini-write-" and six
// letters (mkstemp's), so one that a killed writer left can be told from the user's files.
constexpr char kTemporaryPrefix[] = ".ini-write-";
constexpr std::size_t kTemporaryNameLength = sizeof kTemporaryPrefix - 1 + 6;
// No live writer keeps a temporary this long without writing to it, so one older than
// this was left by a writer that died.
constexpr time_t kStaleTemporarySeconds = 60;
// As the kernel's own limit on links followed in one path.
constexpr int kMostLinks = 40;

enum class Encoding { kAnsi, kUtf16Le, kUtf16Be };

struct FileText {
    std::string text;  // as the file's bytes, or UTF-16 as UTF-8 after a UTF-8 mark
    Encoding encoding = Encoding::kAnsi;
    std::string oddByte;  // a UTF-16 file's last byte when its length is odd
};

struct CachedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    std::shared_ptr<const Document> document;
};

std::mutex cacheMutex;
CachedFile cache;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The change time is compared too: a restore with `cp -p` or `touch -r` puts the old
// modification time back, but no one can set the change time.
bool SameFile(const CachedFile& cached, const char* path, const struct stat& info) {
    return cached.document && cached.path == path && cached.device == info.st_dev &&
           cached.inode == info.st_ino && cached.size == info.st_size &&
           SameTime(cached.modified, info.st_mtim) && SameTime(cached.changed, info.st_ctim);
}

// A UTF-16 file is edited as UTF-8 behind a UTF-8 mark, which the conversion back removes;
// both conversions keep every code unit, so lines an edit leaves alone keep their bytes.
FileText Decode(std::string bytes) {
    FileText file;
    bool little = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    bool big = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
    if (!little && !big) {
        file.text = std::move(bytes);
        return file;
    }
    file.encoding = little ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    if (bytes.size() % 2 != 0) file.oddByte = bytes.substr(bytes.size() - 1);
    file.text = kUtf8Mark + Utf8FromUtf16(std::string_view(bytes).substr(2), big);
    return file;
}

std::string Encode(FileText file) {
    if (file.encoding == Encoding::kAnsi) return std::move(file.text);
    bool big = file.encoding == Encoding::kUtf16Be;
    std::string_view body = std::string_view(file.text).substr(sizeof kUtf8Mark - 1);
    return (big ? "\xFE\xFF" : "\xFF\xFE") + Utf16FromUtf8(body, big) + file.oddByte;
}

// False for a file that grows past the size bound while it is read. `expected` bytes are
// made room for at once, so a large file is not copied as the text grows.
bool ReadAll(int fd, off_t expected, std::string* out) {
    out->clear();
    out->reserve(static_cast<std::size_t>(expected < kLargestFile ? expected : kLargestFile) + 1);
    char chunk[65536];
    while (true) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out->append(chunk, static_cast<std::size_t>(got));
        if (static_cast<long long>(out->size()) > kLargestFile) return false;
    }
}

// Opens `path` for reading when it is a regular file. Non-blocking, as opening a named pipe
// would wait for a writer; a device such as /dev/zero would never end.
int OpenRegularFile(const char* path, struct stat* info) {
    int fd = platform::AboveStandardStreams(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd < 0) return -1;
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write replaces: `path`, or the end of its chain of symbolic links, so the links
// survive the rename. That end need not exist: a dangling link's target is created. Empty
// for a chain that loops or cannot be read.
std::string ResolveLinks(const char* path) {
    std::string current = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
        ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
        target.resize(static_cast<std::size_t>(length));
        current = target.front() == '/' ? target : FolderOf(current) + "/" + target;
    }
    return {};
}

long MillisecondsSince(const timespec& start) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

// Mode and owner for the files a write makes.
struct Ownership {
    mode_t mode;
    uid_t owner;
    gid_t group;
};

// A file made by a writer running as root goes to the settings' owner (the folder's owner
// for a new file), or that user could no longer save once root had.
void GiveAway(int fd, const Ownership& ownership) {
    if (geteuid() == 0 && fchown(fd, ownership.owner, ownership.group) != 0) {
        // The file stays root's; the save itself still goes through.
    }
}

// Whoever may write the settings may open the lock for reading and writing; no one else.
mode_t LockMode(mode_t settingsMode) {
    return 0600 | ((settingsMode & 0020) ? 0060 : 0) | ((settingsMode & 0002) ? 0006 : 0);
}

int MakeTemporary(const std::string& folder, std::string* name) {
    *name = folder + "/" + kTemporaryPrefix + "XXXXXX";
    return platform::AboveStandardStreams(mkostemp(name->data(), O_CLOEXEC));
}

// Opens the writers' lock file for reading and writing, making it when missing. Never
// through a symbolic link: a link planted in its place would have a writer running as root
// create or lock whatever file it names. A lock file this writer may not open (another
// user's, or root's made under umask 077) is replaced by a new one that every writer of the
// settings may open: otherwise the settings' owner could never save again. A writer still
// holding the old one sees it replaced before it renames (WriterLock::StillCurrent) and
// takes the new one, so no update is lost. So is one with a second name: the ticket counter
// would be written into whatever file that name belongs to.
int OpenLockFile(const std::string& path, const Ownership& ownership) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Non-blocking: a named pipe in the lock file's place would wait for a reader.
        int fd = platform::AboveStandardStreams(open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd < 0 && errno == ENOENT) {
            fd = platform::AboveStandardStreams(
                open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (fd < 0 && errno == EEXIST) continue;  // another writer made it meanwhile
            if (fd >= 0 && fchmod(fd, ownership.mode) == 0) GiveAway(fd, ownership);
        }
        if (fd >= 0) {
            struct stat info;
            bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
            if (regular && info.st_nlink == 1) return fd;
            close(fd);
            errno = regular ? EMLINK : EINVAL;  // the failure's reason, for the caller's errno
            if (!regular) return -1;
        } else if (errno != EACCES) {
            return -1;  // a symbolic link (ELOOP), a folder (EISDIR), no room, ...
        }
        std::string replacement;
        fd = MakeTemporary(FolderOf(path), &replacement);
        if (fd < 0) return -1;
        bool made = fchmod(fd, ownership.mode) == 0;
        GiveAway(fd, ownership);
        close(fd);
        if (!made || rename(replacement.c_str(), path.c_str()) != 0) {
            unlink(replacement.c_str());
            return -1;
        }
    }
    return -1;
}

// The lock file's bytes: the next ticket number (8 bytes, little-endian), the byte a writer
// holds while it writes, and from kFirstTicketByte on one byte per ticket, held (shared) by
// the ticket's owner from taking it until it is done or gives up.
constexpr off_t kCounterBytes = 8;
constexpr off_t kWriterByte = 8;
constexpr off_t kFirstTicketByte = 16;
// A counter past this was not written by us; starting again from 0 only costs the order.
constexpr std::uint64_t kMostTickets = 1ull << 40;

// Open-file-description locks: each WriterLock opens the file anew, so threads of one
// process exclude each other as processes do, and a killed writer's locks go with it.
bool TryLock(int fd, short type, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Where a lock held through another description lies in the range: the first byte of one
// such lock, kNoLock when there is none, kUnknownLock when that cannot be told.
constexpr off_t kNoLock = -1;
constexpr off_t kUnknownLock = -2;
off_t LockedByAnother(int fd, off_t start, off_t length) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = start;
    probe.l_len = length;
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return kUnknownLock;
    return probe.l_type == F_UNLCK ? kNoLock : probe.l_start;
}

// The byte of the earliest ticket before `ticket` still held: the writer now writing, or
// next to. Writers further back that give up do not change it; only the queue moving does.
off_t FirstTicketAhead(int fd, std::uint64_t ticket) {
    off_t first = ticket == 0 ? kNoLock
                              : LockedByAnother(fd, kFirstTicketByte, static_cast<off_t>(ticket));
    while (first > kFirstTicketByte) {
        off_t earlier = LockedByAnother(fd, kFirstTicketByte, first - kFirstTicketByte);
        if (earlier == kNoLock) break;
        first = earlier;
    }
    return first;
}

// The next in line looks every kLockPollUs, each further back that much less often, up to
// kSlowestPoll times as long. Writers all looking every millisecond took so much of a busy
// machine's time from the one writing that the queue stood still.
useconds_t PollPause(std::uint64_t ticket, off_t ahead) {
    std::uint64_t place = ahead < kFirstTicketByte
                              ? 1
                              : ticket - static_cast<std::uint64_t>(ahead - kFirstTicketByte);
    return kLockPollUs * static_cast<useconds_t>(std::min(place, kSlowestPoll));
}

bool HeldByAnother() { return errno == EAGAIN || errno == EACCES; }

// Serialises writers of one settings file, across processes and threads, in the order they
// came: a ticket lock on "<file>.lock" beside it. The settings file itself is replaced by
// each write, so a lock on it would be lost with it. A single lock that writers poll lets
// one that has just finished take it again ahead of those waiting, and with eight busy
// writers some waited past their bound and failed; with tickets each writes when every
// earlier ticket's byte is free: its owner finished, gave up or died. Holding the writer's
// byte as well keeps writers apart even if the counter was damaged. The lock file stays, as
// removing it would let a writer lock a file the next one no longer sees.
class WriterLock {
public:
    WriterLock(const std::string& settingsPath, const Ownership& ownership, const timespec& start)
        : path_(settingsPath + ".lock") {
        int fd = OpenLockFile(path_, ownership);
        std::uint64_t ticket = 0;
        if (fd >= 0 && TakeTicket(fd, start, &ticket) && WaitForTurn(fd, ticket))
            fd_ = fd;
        else if (fd >= 0)
            close(fd);  // gives the ticket up, so later writers do not wait for it
    }
    ~WriterLock() {
        if (fd_ >= 0) close(fd_);  // closing releases every lock it holds
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool Locked() const { return fd_ >= 0; }

    // False once the lock file has been replaced (see OpenLockFile): writers that opened
    // the new one no longer wait for this one.
    bool StillCurrent() const {
        struct stat held, named;
        return fstat(fd_, &held) == 0 && lstat(path_.c_str(), &named) == 0 &&
               held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    }

private:
    // True once every earlier ticket is done and the writer's byte is held; false when the
    // writers ahead did not move for kLockWaitMs, or the byte cannot be locked.
    static bool WaitForTurn(int fd, std::uint64_t ticket) {
        off_t waitingFor = kUnknownLock - 1;  // the first writer ahead, as last seen
        timespec moved{};
        while (true) {
            off_t ahead = FirstTicketAhead(fd, ticket);
            if (ahead == kNoLock && TryLock(fd, F_WRLCK, kWriterByte, 1)) return true;
            if (ahead == kNoLock && !HeldByAnother()) return false;
            if (ahead != waitingFor) {
                waitingFor = ahead;
                clock_gettime(CLOCK_MONOTONIC, &moved);
            }
            if (MillisecondsSince(moved) >= kLockWaitMs) return false;
            usleep(PollPause(ticket, ahead));
        }
    }

    // The counter is read and advanced under a lock of its own, and the ticket's byte is
    // taken before that lock is let go, so a later ticket always sees this one.
    static bool TakeTicket(int fd, const timespec& start, std::uint64_t* ticket) {
        while (!TryLock(fd, F_WRLCK, 0, kCounterBytes)) {
            if (!HeldByAnother() || MillisecondsSince(start) >= kLockWaitMs) return false;
            usleep(kLockPollUs);
        }
        unsigned char counter[kCounterBytes] = {};
        bool taken = pread(fd, counter, sizeof counter, 0) >= 0;  // an empty file starts at 0
        std::uint64_t next = 0;
        for (int i = kCounterBytes - 1; i >= 0; --i) next = next << 8 | counter[i];
        if (next >= kMostTickets) next = 0;
        *ticket = next++;
        for (unsigned char& byte : counter) {
            byte = static_cast<unsigned char>(next);
            next >>= 8;
        }
        taken = taken && platform::FileMayGrowTo(kCounterBytes) &&
                TryLock(fd, F_RDLCK, kFirstTicketByte + static_cast<off_t>(*ticket), 1) &&
                pwrite(fd, counter, sizeof counter, 0) == static_cast<ssize_t>(sizeof counter);
        TryLock(fd, F_UNLCK, 0, kCounterBytes);
        return taken;
    }

    std::string path_;
    int fd_ = -1;
};

// Whether a writer holds `name` in `dir`: a live writer keeps its temporary locked until it
// is renamed, however long it takes; a killed one's lock went with it.
bool HeldByAWriter(int dir, const char* name) {
    int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;
    bool held = LockedByAnother(fd, 0, 0) != kNoLock;
    close(fd);
    return held;
}

// Removes what writers killed mid-write left in the folder: files named as the engine names
// its temporaries, made by this user or the settings' owner, older than any live writer's
// and held by none. Called under this file's lock; writers of other files in the folder may
// be writing theirs, so the age alone does not tell.
void RemoveStaleTemporaries(const std::string& folder, uid_t settingsOwner) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) != 0 ||
            std::strlen(entry->d_name) != kTemporaryNameLength)
            continue;
        struct stat info;
        if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && (info.st_uid == geteuid() || info.st_uid == settingsOwner) &&
            info.st_mtim.tv_sec + kStaleTemporarySeconds <= now.tv_sec &&
            !HeldByAWriter(dirfd(dir), entry->d_name))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// Writes `bytes` to a new temporary file beside `path` with the given mode and owner; its
// name, or empty on failure (nothing is then left). It stays open as `*held`, locked, until
// the caller has renamed it and closes that.
std::string WriteTemporary(const std::string& path, const std::string& bytes,
                           const Ownership& ownership, bool keepOwner, int* held) {
    std::string temporary;
    if (!platform::FileMayGrowTo(static_cast<off_t>(bytes.size()))) return {};
    int fd = MakeTemporary(FolderOf(path), &temporary);
    if (fd < 0) return {};
    bool ok = TryLock(fd, F_WRLCK, 0, 0) && WriteAll(fd, bytes) && fsync(fd) == 0 &&
              fchmod(fd, ownership.mode) == 0;
    if (ok && keepOwner && fchown(fd, ownership.owner, ownership.group) != 0) {
        // Only root may give the file back to its owner; anyone else already is the owner.
    }
    if (ok && !keepOwner) GiveAway(fd, ownership);
    *held = fd;
    if (ok) return temporary;
    unlink(temporary.c_str());
    close(fd);
    return {};
}

bool TooLarge(const struct stat& info) { return info.st_size > kLargestFile; }

// Windows refuses to write a read-only file even for an administrator, so a file without
// any write permission counts as read-only for root too.
bool IsReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

enum class Outcome { kDone, kFailed, kAgain };

// Reads the file, applies `edit` and saves a change, all under `lock`. kAgain when the lock
// file was replaced meanwhile: another writer may be writing now, so the edit must be made
// again under the new lock, from the file as that writer leaves it.
Outcome EditUnderLock(const std::string& target, const WriterLock& lock, Ownership ownership,
                      const std::function<bool(Document&)>& edit) {
    struct stat info;
    bool exists = stat(target.c_str(), &info) == 0;
    FileText file;
    if (exists) {
        int fd = OpenRegularFile(target.c_str(), &info);
        std::string bytes;
        bool read = fd >= 0 && ReadAll(fd, info.st_size, &bytes);
        if (fd >= 0) close(fd);
        if (!read || TooLarge(info)) return Outcome::kFailed;
        file = Decode(std::move(bytes));
        ownership = {static_cast<mode_t>(info.st_mode & 07777), info.st_uid, info.st_gid};
    }
    Document document(std::move(file.text));
    if (!edit(document)) return Outcome::kDone;
    if (exists && IsReadOnly(target, info)) return Outcome::kFailed;
    file.text = document.TakeBytes();
    std::string bytes = Encode(std::move(file));
    // A file past the bound would be refused by every later call, losing all its settings.
    if (static_cast<long long>(bytes.size()) > kLargestFile) return Outcome::kFailed;
    int held = -1;
    std::string temporary = WriteTemporary(target, bytes, ownership, exists, &held);
    if (temporary.empty()) return Outcome::kFailed;
    bytes = std::string();
    bool current = lock.StillCurrent();
    bool renamed = current && rename(temporary.c_str(), target.c_str()) == 0;
    if (!renamed) unlink(temporary.c_str());
    close(held);
    if (renamed) return Outcome::kDone;
    return current ? Outcome::kFailed : Outcome::kAgain;
}

}  // namespace

std::shared_ptr<const Document> ReadFile(const char* path) {
    static const auto empty = std::make_shared<const Document>();
    if (path == nullptr || *path == '\0') return empty;
    struct stat info;
    int fd = OpenRegularFile(path, &info);
    if (fd < 0) return empty;
    std::lock_guard<std::mutex> guard(cacheMutex);
    if (TooLarge(info)) {
        close(fd);
        return empty;
    }
    if (SameFile(cache, path, info)) {
        close(fd);
        return cache.document;
    }
    cache = CachedFile{};  // its text is not kept beside the new one's
    std::string bytes;
    bool read = ReadAll(fd, info.st_size, &bytes);
    close(fd);
    if (!read) return empty;
    auto document = std::make_shared<const Document>(Decode(std::move(bytes)).text);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (info.st_mtim.tv_sec + kSettledSeconds <= now.tv_sec &&
        info.st_ctim.tv_sec + kSettledSeconds <= now.tv_sec)
        cache = {path, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim,
                 document};
    return document;
}

bool EditFile(const char* path, const std::function<bool(Document&)>& edit) {
    if (path == nullptr || *path == '\0') return false;
    const std::string target = ResolveLinks(path);
    if (target.empty()) return false;
    const std::string folderPath = FolderOf(target);
    struct stat folder;
    if (stat(folderPath.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return false;
    struct stat info;
    if (stat(target.c_str(), &info) == 0 && (TooLarge(info) || !S_ISREG(info.st_mode))) return false;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    // A lock file is replaced only when a writer could not open it, so one more try is
    // almost always the last.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A new file gets 0644 and, made by root, the folder's owner.
        Ownership ownership =
            stat(target.c_str(), &info) == 0
                ? Ownership{static_cast<mode_t>(info.st_mode & 07777), info.st_uid, info.st_gid}
                : Ownership{0644, folder.st_uid, folder.st_gid};
        WriterLock lock(target, {LockMode(ownership.mode), ownership.owner, ownership.group},
                        start);
        if (!lock.Locked()) return false;
        RemoveStaleTemporaries(folderPath, ownership.owner);
        Outcome outcome = EditUnderLock(target, lock, ownership, edit);
        if (outcome == Outcome::kAgain) continue;
        std::lock_guard<std::mutex> guard(cacheMutex);
        cache = CachedFile{};
        return outcome == Outcome::kDone;
    }
    return false;
}

}  // namespace ini
