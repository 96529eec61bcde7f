// Test programs are built apart from the product (build/<preset>/test-bin), so the folder a
// user runs the tools from holds only the tools and plug-ins (build/<preset>/bin).
#pragma once

#include <filesystem>
#include <string>

#include "hosts/common/beside_executable.h"
#include "platform/dynamic_library.h"
#include "platform/executable_path.h"

// The path of `name` in the product's folder.
inline std::string ProductFile(const std::string& name) {
    return BesideExecutable(std::string("..") + platform::kPathSeparator + "bin" +
                            platform::kPathSeparator + name);
}

// A tool of the product, with the system's suffix for programs.
inline std::string ProductProgram(const std::string& name) {
    return ProductFile(name + platform::kExecutableSuffix);
}

// A plug-in of the product by its base name ("glyphbox", "vistune").
inline std::string ProductPlugin(const char* baseName) {
    char fileName[256];
    platform::PluginFileName(baseName, fileName, sizeof fileName);
    return ProductFile(fileName);
}

// tvhost keeps its settings in Plugins beside itself. Tests run a copy of it and its
// plug-in from a folder of their own, so the settings of the user's own build are never
// touched. Returns the copy's path; its Plugins folder is made.
inline std::string CopyTvHostInto(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    char plugin[256];
    platform::PluginFileName("glyphbox", plugin, sizeof plugin);
    fs::copy_file(ProductFile(plugin), folder / plugin, fs::copy_options::overwrite_existing);
    fs::path tvhost = folder / (std::string("tvhost") + platform::kExecutableSuffix);
    fs::copy_file(ProductProgram("tvhost"), tvhost, fs::copy_options::overwrite_existing);
    fs::create_directories(folder / "Plugins");
    return tvhost.string();
}
