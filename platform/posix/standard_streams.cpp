#include "platform/standard_streams.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

// /dev/null opened the other way round: reading fd 0 or writing fd 1 and 2 fails with EBADF,
// as it would have on the closed stream. open() takes the lowest free number, which is the
// closed one, since lower ones are open by then. Close-on-exec, so a child sees it closed.
void HoldStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int standIn = open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
        if (standIn >= 0 && standIn != fd) close(standIn);  // a lower one was closed meanwhile
    }
}

}  // namespace platform
