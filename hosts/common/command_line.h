// What every host tool does with its command line: strict option values, --help and
// --version, and usage errors that name the option and the value at fault.
#pragma once

#include <set>
#include <string>

class CommandLine {
  public:
    CommandLine(int argc, char** argv) : argc_(argc), argv_(argv) {}

    // The next word, or null at the end.
    const char* Next() { return index_ + 1 < argc_ ? argv_[++index_] : nullptr; }

    // The word Next would return, without taking it.
    const char* Peek() const { return index_ + 1 < argc_ ? argv_[index_ + 1] : nullptr; }

    // The value after `option`; null, with the error set, when the line ends first or the next
    // word is an option. After "--" the word following it is the value, whatever it is.
    const char* Value(const char* option);

    // Stores the value after `option` in `*out`; false, with the error set, when the line
    // ends first or `out` is null (no such option).
    bool Text(const std::string& option, std::string* out);

    // The value after `option` as a whole number from `low` to `high`; false, with the
    // error naming the option, the value and the range, otherwise.
    bool Integer(const char* option, int low, int high, int* out);

    // The value after `option` as a number of seconds above 0 and at most a day; a decimal
    // fraction is allowed.
    bool Seconds(const char* option, double* out);

    // False, with the error naming it, when `option` was already given: every tool refuses a
    // repeated option rather than letting one of the two win silently.
    bool Once(const std::string& option);

    // The usage error for a word that is not one of the tool's options.
    bool Unknown(const std::string& word);

    // Keeps the first error; always false, so a parser can `return Fail(...)`.
    bool Fail(const std::string& message);

    const std::string& Error() const { return error_; }

  private:
    int argc_;
    char** argv_;
    int index_ = 0;
    std::string error_;
    std::set<std::string> given_;
};

// "--help" or "--version" when either is anywhere on the line (not as the value after "--"):
// it is answered, whatever else the line says. Null otherwise.
const char* HelpOrVersionAsked(int argc, char** argv);

// "TOOL (glyphbox-lcd) glyphbox 1.1.0.0, vistune 1.3.0.0", from the versions set in CMake.
std::string VersionLine(const char* tool);

// Prints "TOOL: MESSAGE" and a pointer to --help on stderr; returns 2, the usage exit code.
int UsageError(const char* tool, const std::string& message);
