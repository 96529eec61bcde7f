#include "platform/child_process.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

// Quotes an argument the way the C runtime's command-line parser splits it again.
void AppendQuoted(std::string& line, const char* argument) {
    line += '"';
    int backslashes = 0;
    for (const char* p = argument; *p; ++p) {
        if (*p == '\\') {
            ++backslashes;
            continue;
        }
        if (*p == '"') backslashes = backslashes * 2 + 1;
        line.append(backslashes, '\\');
        backslashes = 0;
        line += *p;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

}  // namespace

ChildProcess StartChild(const char* path, const char* const* arguments) {
    ChildProcess child;
    if (path == nullptr) return child;
    std::string line;
    AppendQuoted(line, path);
    for (const char* const* argument = arguments; argument && *argument; ++argument) {
        line += ' ';
        AppendQuoted(line, *argument);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // A group of its own, so a Ctrl-Break can be sent to the child alone.
    if (!CreateProcessA(path, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                        nullptr, nullptr, &startup, &info))
        return child;
    CloseHandle(info.hThread);
    child.value = reinterpret_cast<std::intptr_t>(info.hProcess);
    child.running = true;
    return child;
}

int WaitChild(ChildProcess& child, int timeoutMs) {
    if (!child.running) return -1;
    HANDLE process = reinterpret_cast<HANDLE>(child.value);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    } else {
        TerminateProcess(process, static_cast<UINT>(-1));
        WaitForSingleObject(process, INFINITE);
    }
    CloseHandle(process);
    child = ChildProcess{};
    return static_cast<int>(code);
}

bool RequestChildStop(const ChildProcess& child, StopRequest request) {
    if (!child.running || request != StopRequest::kInterrupt) return false;
    DWORD id = GetProcessId(reinterpret_cast<HANDLE>(child.value));
    return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id) != 0;
}

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

}  // namespace platform
