#include "platform/win32/wide_text.h"

namespace platform {

std::wstring Utf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    int size = static_cast<int>(utf8.size());
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    int size = static_cast<int>(utf16.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::string WindowsErrorText(DWORD code) {
    wchar_t words[512] = L"";
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, words, 512, nullptr);
    while (length > 0 && (words[length - 1] == L'\n' || words[length - 1] == L'\r' ||
                          words[length - 1] == L'.' || words[length - 1] == L' '))
        --length;
    std::string number = "Windows error " + std::to_string(code);
    if (length == 0) return number;
    return Utf8(std::wstring_view(words, length)) + " (" + number + ")";
}

}  // namespace platform
