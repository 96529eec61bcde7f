#include "platform/posix/descriptor.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

int AboveStandardStreams(int fd) {
    if (fd < 0 || fd > 2) return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    int reason = errno;
    close(fd);
    errno = reason;
    return moved;
}

}  // namespace platform
