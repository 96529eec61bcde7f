#include "hosts/common/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "hosts/common/command_line.h"
#include "platform/console.h"

namespace {

// The first failure's reason; later writes are skipped, so it is not overwritten.
int failure = 0;
bool told = false;

}  // namespace

bool Print(const std::string& text) {
    if (failure != 0) return false;
    errno = 0;
    if (platform::WriteStandardOutput(text)) return true;
    failure = errno != 0 ? errno : EIO;
    return false;
}

namespace {

std::string Format(const char* format, va_list arguments) {
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

}  // namespace

bool PrintFormat(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = Format(format, arguments);
    va_end(arguments);
    return Print(text);
}

void PrintError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = Format(format, arguments);
    va_end(arguments);
    platform::WriteStandardError(text);
}

bool OutputSucceeded(const char* tool) {
    if (failure == 0) return true;
    if (!told) PrintError("%s: cannot write to standard output: %s\n", tool, std::strerror(failure));
    told = true;
    return false;
}

int PrintHelpOrVersion(const char* tool, const char* usage, const char* asked) {
    Print(std::strcmp(asked, "--help") == 0 ? std::string(usage) : VersionLine(tool) + "\n");
    return OutputSucceeded(tool) ? 0 : 1;
}
