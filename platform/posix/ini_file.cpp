#include "platform/posix/ini_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/multibyte.h"

namespace ini {
namespace {

// File times come from a coarse clock, so a file changed again within the same tick keeps
// its time. Only files left alone this long are kept parsed: any later change must then
// show as a new time.
constexpr time_t kSettledSeconds = 2;
constexpr int kLockAttempts = 2000;  // 10 s in steps of 5 ms
constexpr useconds_t kLockPauseUs = 5000;

enum class Encoding { kAnsi, kUtf16Le, kUtf16Be };

struct FileText {
    std::string text;  // in the active code page, a UTF-8 byte-order mark kept
    Encoding encoding = Encoding::kAnsi;
};

struct CachedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    std::shared_ptr<const Document> document;
};

std::mutex cacheMutex;
CachedFile cache;

bool SameFile(const CachedFile& cached, const char* path, const struct stat& info) {
    return cached.document && cached.path == path && cached.device == info.st_dev &&
           cached.inode == info.st_ino && cached.size == info.st_size &&
           cached.modified.tv_sec == info.st_mtim.tv_sec &&
           cached.modified.tv_nsec == info.st_mtim.tv_nsec;
}

std::string CodePageCharset() { return "CP" + std::to_string(platform::ActiveCodePage()); }

// Converts with iconv; characters the target lacks become "?" through transliteration.
std::string Convert(const std::string& text, const std::string& from, const std::string& to) {
    iconv_t converter = iconv_open((to + "//TRANSLIT").c_str(), from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;
        // An invalid or incomplete sequence: skip one unit and mark it.
        std::size_t unit = from.rfind("UTF-16", 0) == 0 ? 2 : 1;
        if (outLeft == 0 || inLeft < unit) break;
        *outPtr++ = '?';
        --outLeft;
        in += unit;
        inLeft -= unit;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

FileText Decode(std::string bytes) {
    FileText file;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        file.encoding = Encoding::kUtf16Le;
        file.text = Convert(bytes.substr(2), "UTF-16LE", CodePageCharset());
    } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        file.encoding = Encoding::kUtf16Be;
        file.text = Convert(bytes.substr(2), "UTF-16BE", CodePageCharset());
    } else {
        file.text = std::move(bytes);
    }
    return file;
}

std::string Encode(const FileText& file) {
    switch (file.encoding) {
        case Encoding::kUtf16Le:
            return "\xFF\xFE" + Convert(file.text, CodePageCharset(), "UTF-16LE");
        case Encoding::kUtf16Be:
            return "\xFE\xFF" + Convert(file.text, CodePageCharset(), "UTF-16BE");
        default: return file.text;
    }
}

bool ReadAll(int fd, std::string* out) {
    char chunk[65536];
    out->clear();
    while (true) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out->append(chunk, static_cast<std::size_t>(got));
    }
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

// Edits go to the file a symbolic link points at, so the link itself survives the rename.
std::string ResolveLink(const char* path) {
    struct stat info;
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        char* target = realpath(path, nullptr);
        if (target) {
            std::string resolved = target;
            free(target);
            return resolved;
        }
    }
    return path;
}

class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int attempt = 0; fd_ >= 0 && attempt < kLockAttempts; ++attempt) {
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            usleep(kLockPauseUs);
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
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

// Windows refuses to write a read-only file even for an administrator, so a file without
// any write permission counts as read-only for root too.
bool IsReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

}  // namespace

std::shared_ptr<const Document> ReadFile(const char* path) {
    static const auto empty = std::make_shared<const Document>();
    if (path == nullptr || *path == '\0') return empty;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return empty;
    struct stat info;
    std::lock_guard<std::mutex> guard(cacheMutex);
    if (fstat(fd, &info) == 0 && SameFile(cache, path, info)) {
        close(fd);
        return cache.document;
    }
    std::string bytes;
    bool read = ReadAll(fd, &bytes);
    close(fd);
    if (!read) return empty;
    auto document = std::make_shared<const Document>(Decode(std::move(bytes)).text);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (info.st_mtim.tv_sec + kSettledSeconds <= now.tv_sec)
        cache = {path, info.st_dev, info.st_ino, info.st_size, info.st_mtim, document};
    return document;
}

bool EditFile(const char* path, const std::function<bool(Document&)>& edit) {
    if (path == nullptr || *path == '\0') return false;
    std::string target = ResolveLink(path);
    struct stat folder;
    if (stat(FolderOf(target).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return false;
    FolderLock lock(FolderOf(target));
    if (!lock.Locked()) return false;

    struct stat info;
    bool exists = stat(target.c_str(), &info) == 0;
    FileText file;
    if (exists) {
        int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC);
        std::string bytes;
        bool read = fd >= 0 && ReadAll(fd, &bytes);
        if (fd >= 0) close(fd);
        if (!read) return false;
        file = Decode(std::move(bytes));
    }
    Document document(file.text);
    if (!edit(document)) return true;
    if (exists && IsReadOnly(target, info)) return false;
    file.text = document.Bytes();
    bool saved = SaveAtomically(target, Encode(file), exists ? &info : nullptr);
    std::lock_guard<std::mutex> guard(cacheMutex);
    cache = CachedFile{};
    return saved;
}

}  // namespace ini
