// A file grown past RLIMIT_FSIZE raises SIGXFSZ, whose default action ends the process, and a
// plug-in may not change how its host handles signals: so growth is checked beforehand.
#pragma once

#include <errno.h>
#include <sys/resource.h>
#include <sys/types.h>

namespace platform {

// True when this process may make a file `size` bytes long (or the limit cannot be read);
// false with errno EFBIG, the reason the write itself would have given.
inline bool FileMayGrowTo(off_t size) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        static_cast<rlim_t>(size) <= limit.rlim_cur)
        return true;
    errno = EFBIG;
    return false;
}

}  // namespace platform
