#include "platform/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace platform {
namespace {

constexpr int kPollMs = 5;

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

}  // namespace

ChildProcess StartChild(const char* path, const char* const* arguments) {
    ChildProcess child;
    if (path == nullptr) return child;
    std::vector<char*> argv{const_cast<char*>(path)};
    for (const char* const* argument = arguments; argument && *argument; ++argument)
        argv.push_back(const_cast<char*>(*argument));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, path, nullptr, nullptr, argv.data(), environ) != 0) return child;
    child.value = pid;
    child.running = true;
    return child;
}

int WaitChild(ChildProcess& child, int timeoutMs) {
    if (!child.running) return -1;
    pid_t pid = static_cast<pid_t>(child.value);
    child = ChildProcess{};
    int status = 0;
    const timespec pause{0, kPollMs * 1000000L};
    for (int waited = 0; waited <= timeoutMs; waited += kPollMs) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return ExitCodeOf(status);
        if (done < 0) return -1;
        nanosleep(&pause, nullptr);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

bool RequestChildStop(const ChildProcess& child, StopRequest request) {
    int number = request == StopRequest::kInterrupt   ? SIGINT
                 : request == StopRequest::kTerminate ? SIGTERM
                                                      : SIGHUP;
    return child.running && kill(static_cast<pid_t>(child.value), number) == 0;
}

int CurrentProcessId() { return static_cast<int>(getpid()); }

}  // namespace platform
