#include "platform/regular_file.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr char kNotRegular[] = "is not a regular file (a pipe or a device)";

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

// The same English words as on Linux, whatever the system's language.
std::string Reason(DWORD code) {
    switch (code) {
        case ERROR_ACCESS_DENIED:
            return "Permission denied";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "the file is in use by another program";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "No space left on device";
        case ERROR_WRITE_PROTECT:
            return "Read-only file system";
        default:
            return WindowsErrorText(code);
    }
}

bool FailWithCode(std::string* error, const char* doing, DWORD code) {
    if (code == ERROR_FILE_NOT_FOUND) return Fail(error, "no such file");
    if (code == ERROR_PATH_NOT_FOUND) return Fail(error, "no such folder");
    return Fail(error, std::string(doing) + ": " + Reason(code));
}

// Folders and devices are refused before they are opened, so no open can wait on them.
bool CheckAttributes(const std::string& path, const char* doing, std::string* error) {
    DWORD attributes = GetFileAttributesW(Utf16(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithCode(error, doing, GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(error, "is a folder, not a file");
    return true;
}

HANDLE OpenRegular(const std::string& path, DWORD access, DWORD disposition, const char* doing,
                   std::string* error) {
    HANDLE file = CreateFileW(Utf16(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FailWithCode(error, doing, GetLastError());
        return file;
    }
    // An output may also be a device (NUL) or a pipe; an input could be fed without end by one.
    DWORD type = GetFileType(file);
    if (type != FILE_TYPE_DISK && !(access == GENERIC_WRITE && type != FILE_TYPE_UNKNOWN)) {
        CloseHandle(file);
        Fail(error, kNotRegular);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* bytes,
                     std::string* error) {
    if (!CheckAttributes(path, "cannot be read", error)) return false;
    HANDLE file = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, "cannot be read", error);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        CloseHandle(file);
        return Fail(error, "is " + std::to_string(size.QuadPart) + " bytes; files over " +
                               std::to_string(maxBytes) + " bytes are refused");
    }
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
        bytes->append(buffer, got);
        // A file still growing as it is read is held to the same bound.
        if (bytes->size() > maxBytes) {
            CloseHandle(file);
            return Fail(error, "is over " + std::to_string(maxBytes) + " bytes; refused");
        }
    }
    DWORD code = GetLastError();
    CloseHandle(file);
    return ok || FailWithCode(error, "cannot be read", code);
}

bool WriteRegularFile(const std::string& path, std::string_view bytes, bool append,
                      std::string* error) {
    DWORD attributes = GetFileAttributesW(Utf16(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(error, "is a folder, not a file");
    HANDLE file = OpenRegular(path, GENERIC_WRITE, OPEN_ALWAYS, "cannot be written", error);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = append ? SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER ||
                           GetFileType(file) != FILE_TYPE_DISK
                     : SetEndOfFile(file) != 0 || GetFileType(file) != FILE_TYPE_DISK;
    while (ok && !bytes.empty()) {
        DWORD written = 0;
        ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written > 0;
        bytes.remove_prefix(ok ? written : 0);
    }
    DWORD code = GetLastError();
    if (!CloseHandle(file) && ok) ok = false, code = GetLastError();
    return ok || FailWithCode(error, "cannot be written", code);
}

bool CheckWritablePath(const std::string& path, std::string* error) {
    DWORD attributes = GetFileAttributesW(Utf16(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return !(attributes & FILE_ATTRIBUTE_DIRECTORY) || Fail(error, "is a folder, not a file");
    std::size_t slash = path.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    DWORD folderAttributes = GetFileAttributesW(Utf16(folder).c_str());
    if (folderAttributes != INVALID_FILE_ATTRIBUTES &&
        (folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    return Fail(error, "no such folder");
}

}  // namespace platform
