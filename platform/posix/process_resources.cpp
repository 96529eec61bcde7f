#include "platform/process_resources.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>

namespace platform {

ProcessResources CurrentProcessResources() {
    ProcessResources resources{0, 0};
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.') ++resources.handles;
        closedir(folder);
        --resources.handles;  // the descriptor of the listing itself
    }
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kilobytes = 0;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmRSS: %ld kB", &kilobytes) == 1) resources.memoryBytes = kilobytes * 1024;
        std::fclose(status);
    }
    return resources;
}

}  // namespace platform
