#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr char kNotRegular[] = "is not a regular file (a pipe or a device)";

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

// `doing`: "cannot be read" or "cannot be written", before the system's reason.
bool FailWithErrno(std::string* error, const char* doing) {
    if (errno == ENOENT) return Fail(error, "no such file");
    if (errno == EISDIR) return Fail(error, "is a folder, not a file");
    return Fail(error, std::string(doing) + ": " + std::strerror(errno));
}

const char* Doing(int flags) {
    return (flags & O_WRONLY) ? "cannot be written" : "cannot be read";
}

// An output may also be a device (/dev/null) or a pipe another program reads; an input must be
// a regular file, as a device or a pipe could feed it without end.
bool Usable(const struct stat& status, int flags) {
    bool output = (flags & O_WRONLY) != 0;
    return S_ISREG(status.st_mode) ||
           (output && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)));
}

// Non-blocking, so that opening a fifo with no writer returns at once; fstat then refuses it.
// An output pipe is made blocking again once open, so a slow reader slows us, not fails us.
int OpenRegular(const std::string& path, int flags, std::string* error) {
    int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == ENXIO)
            Fail(error, "is a pipe that no program reads");
        else if (errno == ENOENT && (flags & O_CREAT))
            Fail(error, "no such folder");
        else
            FailWithErrno(error, Doing(flags));
        return -1;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !Usable(status, flags)) {
        Fail(error, S_ISDIR(status.st_mode) ? "is a folder, not a file" : kNotRegular);
        close(fd);
        return -1;
    }
    if (S_ISFIFO(status.st_mode)) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* bytes,
                     std::string* error) {
    int fd = OpenRegular(path, O_RDONLY, error);
    if (fd < 0) return false;
    struct stat status {};
    fstat(fd, &status);
    if (static_cast<unsigned long long>(status.st_size) > maxBytes) {
        close(fd);
        return Fail(error, "is " + std::to_string(status.st_size) + " bytes; files over " +
                               std::to_string(maxBytes) + " bytes are refused");
    }
    bytes->clear();
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            FailWithErrno(error, "cannot be read");
            close(fd);
            return false;
        }
        if (got == 0) break;
        bytes->append(buffer, static_cast<std::size_t>(got));
        // A file still growing as it is read is held to the same bound.
        if (bytes->size() > maxBytes) {
            close(fd);
            return Fail(error, "is over " + std::to_string(maxBytes) + " bytes; refused");
        }
    }
    close(fd);
    return true;
}

bool WriteRegularFile(const std::string& path, std::string_view bytes, bool append,
                      std::string* error) {
    int fd = OpenRegular(path, O_WRONLY | O_CREAT | (append ? O_APPEND : 0), error);
    if (fd < 0) return false;
    // A device or a pipe cannot be cut (EINVAL); it is written as it is.
    bool written = (append || ftruncate(fd, 0) == 0 || errno == EINVAL) && WriteAll(fd, bytes);
    int reason = errno;
    if (close(fd) != 0 && written) written = false, reason = errno;
    if (written) return true;
    errno = reason;
    return FailWithErrno(error, "cannot be written");
}

bool CheckWritablePath(const std::string& path, std::string* error) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return Fail(error, "is a folder, not a file");
        if (!Usable(status, O_WRONLY)) return Fail(error, kNotRegular);
        int fd = S_ISFIFO(status.st_mode) ? OpenRegular(path, O_WRONLY, error) : -2;
        if (fd >= 0) close(fd);
        return fd != -1;  // a pipe is told at once when no program reads it
    }
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    return Fail(error, "no such folder");
}

}  // namespace platform
