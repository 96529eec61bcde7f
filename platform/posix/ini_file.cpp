#include "platform/posix/ini_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/ini_encoding.h"

namespace ini {
namespace {

// File times come from a coarse clock, so a file changed again within the same tick keeps
// its times. Only files left alone this long are kept parsed: any later change must then
// show as a new change time.
constexpr time_t kSettledSeconds = 2;
// A writer waits this long for another to finish, so a save against a lock held by a hung
// process ends in about a second instead of stalling the host.
constexpr long kLockWaitMs = 1000;
constexpr useconds_t kLockPauseUs = 10000;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
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
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

std::mutex& WritingThreads() {
    static std::mutex mutex;
    return mutex;
}

long MillisecondsSince(const timespec& start) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

// Serialises writers of one settings file, across processes and threads, through a lock
// on "<file>.lock" beside it: the settings file itself is replaced by each write, so a lock
// on it would be lost with it, and a file opened for writing can be locked where folders
// cannot (network file systems). The lock file stays, as removing it would let a writer
// lock a file the next one no longer sees. Threads also take a mutex first: where flock is
// emulated with per-process locks (network file systems), it does not keep them apart.
class WriterLock {
public:
    explicit WriterLock(const std::string& path) {
        const std::string lockPath = path + ".lock";
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        while (true) {
            bool held = true;  // by another thread while the mutex is
            if (threads_.owns_lock() || threads_.try_lock()) {
                // Non-blocking: a named pipe in the lock file's place would wait for a reader.
                fd_ = open(lockPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
                // A lock file left by another user (a host run once as root) may only be
                // readable; a lock on a file opened for reading serves as well where it works.
                if (fd_ < 0 && errno == EACCES)
                    fd_ = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
                struct stat info;
                bool regular = fd_ >= 0 && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
                if (regular && flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
                // Only a lock someone holds is worth waiting for; any other failure is final.
                held = regular && errno == EWOULDBLOCK;
                Release();
            }
            if (!held || MillisecondsSince(start) >= kLockWaitMs) return;
            usleep(kLockPauseUs);
        }
    }
    ~WriterLock() { Release(); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool Locked() const { return fd_ >= 0; }

private:
    void Release() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
        fd_ = -1;
    }

    std::unique_lock<std::mutex> threads_{WritingThreads(), std::defer_lock};
    int fd_ = -1;
};

bool SaveAtomically(const std::string& path, const std::string& bytes, const struct stat* old) {
    std::string temporary = FolderOf(path) + "/.ini-write-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0 &&
              fchmod(fd, old ? (old->st_mode & 07777) : 0644) == 0;
    if (ok && old && fchown(fd, old->st_uid, old->st_gid) != 0) {
        // Only root may give the file back to its owner; anyone else already is the owner.
    }
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

bool TooLarge(const struct stat& info) { return info.st_size > kLargestFile; }

// Windows refuses to write a read-only file even for an administrator, so a file without
// any write permission counts as read-only for root too.
bool IsReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
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
    std::string target = ResolveLinks(path);
    if (target.empty()) return false;
    struct stat folder;
    if (stat(FolderOf(target).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return false;
    struct stat info;
    if (stat(target.c_str(), &info) == 0 && (TooLarge(info) || !S_ISREG(info.st_mode))) return false;
    WriterLock lock(target);
    if (!lock.Locked()) return false;

    bool exists = stat(target.c_str(), &info) == 0;
    FileText file;
    if (exists) {
        int fd = OpenRegularFile(target.c_str(), &info);
        std::string bytes;
        bool read = fd >= 0 && ReadAll(fd, info.st_size, &bytes);
        if (fd >= 0) close(fd);
        if (!read || TooLarge(info)) return false;
        file = Decode(std::move(bytes));
    }
    Document document(std::move(file.text));
    if (!edit(document)) return true;
    if (exists && IsReadOnly(target, info)) return false;
    file.text = document.TakeBytes();
    std::string bytes = Encode(std::move(file));
    // A file past the bound would be refused by every later call, losing all its settings.
    if (static_cast<long long>(bytes.size()) > kLargestFile) return false;
    bool saved = SaveAtomically(target, bytes, exists ? &info : nullptr);
    std::lock_guard<std::mutex> guard(cacheMutex);
    cache = CachedFile{};
    return saved;
}

}  // namespace ini
