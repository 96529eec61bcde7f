#include "platform/arguments.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {

void UseUtf8Arguments(int* argc, char*** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return;
    // Kept for the whole run, as argv is.
    static std::vector<std::string> words;
    static std::vector<char*> pointers;
    for (int i = 0; i < count; ++i) words.push_back(Utf8(wide[i]));
    LocalFree(wide);
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    *argc = count;
    *argv = pointers.data();
}

std::string ExecutablePathUtf8() {
    std::wstring path(32768, L'\0');  // the longest path Windows has
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    return Utf8(std::wstring_view(path.data(), length));
}

}  // namespace platform
