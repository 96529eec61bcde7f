#include "hosts/common/command_line.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "project_version.h"

namespace {

// "--once" or "-x", but not "-3" or "-": a forgotten value must not swallow the next option.
bool LooksLikeOption(const char* word) {
    return word[0] == '-' && (word[1] == '-' || std::isalpha(static_cast<unsigned char>(word[1])));
}

}  // namespace

const char* CommandLine::Value(const char* option) {
    const char* value = Next();
    if (value && std::strcmp(value, "--") == 0) {
        value = Next();
    } else if (value && LooksLikeOption(value)) {
        Fail(std::string(option) + " needs a value, not the option \"" + value +
             "\" (a value starting with - goes after --)");
        return nullptr;
    }
    if (!value) Fail(std::string(option) + " needs a value");
    return value;
}

bool CommandLine::Text(const std::string& option, std::string* out) {
    if (!out) return Fail("unknown option \"" + option + "\"");
    const char* value = Value(option.c_str());
    if (value) *out = value;
    return value != nullptr;
}

bool CommandLine::Integer(const char* option, int low, int high, int* out) {
    const char* value = Value(option);
    if (!value) return false;
    const char* end = value + std::strlen(value);
    auto [stop, status] = std::from_chars(value, end, *out);
    if (status == std::errc() && stop == end && *out >= low && *out <= high) return true;
    return Fail(std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not \"" + value + "\"");
}

bool CommandLine::Seconds(const char* option, double* out) {
    const char* value = Value(option);
    if (!value) return false;
    char* end = nullptr;
    *out = std::strtod(value, &end);
    if (*value != '\0' && *end == '\0' && *out > 0 && *out <= 86400) return true;
    return Fail(std::string(option) +
                " takes a number of seconds above 0 and at most 86400, not \"" + value + "\"");
}

bool CommandLine::Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

std::string VersionLine(const char* tool) {
    return std::string(tool) + " (glyphbox-lcd) glyphbox " GLYPHBOX_VERSION_TEXT
                               ", vistune " VISTUNE_VERSION_TEXT;
}

int UsageError(const char* tool, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry \"%s --help\".\n", tool, message.c_str(), tool);
    return 2;
}
