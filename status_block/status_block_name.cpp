#include "status_block/status_block_name.h"

#include <cstdlib>

#include "platform/environment.h"
#include "status_block/status_block.h"

namespace {

// Allocated to fit: a static buffer for the longest name would add 32 KiB to each DLL file.
// Freed as the module goes, so that an unloaded plug-in leaves nothing behind.
struct NameText {
    ~NameText() { std::free(text); }
    char* text = nullptr;
};

NameText name;

}  // namespace

const char* StatusBlockName() {
    long length = platform::EnvironmentLength(kStatusBlockNameVariable);
    if (length < 0) return kStatusBlockName;
    if (length == 0 || length > kLongestBlockNameVariable) return nullptr;
    std::free(name.text);
    name.text = static_cast<char*>(std::malloc(length + 1));
    if (name.text == nullptr ||
        !platform::ReadEnvironment(kStatusBlockNameVariable, name.text, length + 1))
        return nullptr;
    return name.text;
}
