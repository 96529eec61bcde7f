// A folder of its own for each test, removed afterwards, with helpers to put and read
// whole files byte for byte.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/child_process.h"
#include "platform/executable_path.h"

class TempFolder {
public:
    explicit TempFolder(
        const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        static int counter = 0;
        path_ = base / ("glyphbox-test-" + std::to_string(platform::CurrentProcessId()) + "-" +
                        std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(File("settings.ini"), std::filesystem::perms::owner_all,
                                     ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    static void Put(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    // The file's bytes, or "<missing>".
    static std::string Get(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

// The Windows build's profile calls are Wine's; where Wine is known to answer otherwise than
// Windows (and our engine), tests expect each platform's own answer.
inline bool UsingWineProfileCalls() { return platform::kExecutableSuffix[0] != '\0'; }
