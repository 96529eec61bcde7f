#include "hosts/common/command_line.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "hosts/common/decimal_number.h"
#include "hosts/common/output.h"

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
    if (!out) return Unknown(option);
    const char* value = Value(option.c_str());
    if (value) *out = value;
    return value != nullptr;
}

bool CommandLine::Integer(const char* option, int low, int high, int* out) {
    const char* value = Value(option);
    if (!value) return false;
    long long number = 0;
    if (ParseWholeNumber(value, &number) && number >= low && number <= high) {
        *out = static_cast<int>(number);
        return true;
    }
    return Fail(std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not \"" + value + "\"");
}

bool CommandLine::Seconds(const char* option, double* out) {
    const char* value = Value(option);
    if (!value) return false;
    if (ParseDecimalNumber(value, out) && *out > 0 && *out <= 86400) return true;
    return Fail(std::string(option) +
                " takes a number of seconds above 0 and at most 86400, not \"" + value + "\"");
}

bool CommandLine::Once(const std::string& option) {
    return given_.insert(option).second || Fail(option + " is given twice; give it once");
}

bool CommandLine::Unknown(const std::string& word) {
    if (LooksLikeOption(word.c_str())) return Fail("unknown option \"" + word + "\"");
    return Fail("unexpected word \"" + word + "\": this tool takes options only");
}

bool CommandLine::Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

const char* HelpOrVersionAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1 && std::strcmp(argv[i - 1], "--") == 0) continue;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "--version") == 0)
            return argv[i];
    }
    return nullptr;
}

std::string VersionLine(const char* tool) {
    return std::string(tool) + " (glyphbox-lcd) glyphbox " GLYPHBOX_VERSION_TEXT
                               ", vistune " VISTUNE_VERSION_TEXT;
}

int UsageError(const char* tool, const std::string& message) {
    PrintError("%s: %s\nTry \"%s --help\".\n", tool, message.c_str(), tool);
    return 2;
}
