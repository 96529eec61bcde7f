// blockctl: looks at and edits the live status block by hand, and asks the display plug-in
// what it makes of it. Commands run in order in one process, so the block stays alive from
// one to the next even when no host holds it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hosts/blockctl/sample_state.h"
#include "hosts/common/block_fields.h"
#include "hosts/common/cp1250.h"
#include "hosts/common/display_plugin_host.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"

namespace {

constexpr char kUsage[] =
    "usage: blockctl [--plugin PATH] COMMAND...\n"
    "Commands run in order in one process:\n"
    "  dump               print every field of the block\n"
    "  set FIELD VALUE    write one field (text in UTF-8, stored as Windows-1250)\n"
    "  clear              zero the whole block\n"
    "  sample             fill the block with a sample state\n"
    "  ask NAME [SLOT]    print the display plug-in's answer (function1; with a slot, "
    "function2)\n"
    "  show               print every text and glyph field the display plug-in answers\n"
    "  hold SECONDS       keep the block open so other programs can see it\n"
    "  fields             list the field names\n";

constexpr const char* kCommands[] = {"dump",  "set",  "clear", "sample",
                                     "ask",   "show", "hold",  "fields"};

constexpr const char* kTextFieldNames[] = {
    "SigLevel", "SigQuality", "IsRunning", "Type",      "Caption",  "ServiceLabel",
    "ProviderLabel", "ChannelNumber", "PlayStatus", "EPG", "EPGNoTime", "VolLevel",
    "VolMute", "About", "Version", "Record"};
constexpr const char* kGlyphFieldNames[] = {"IsRunning", "Type", "PlayStatus", "Record"};

bool IsCommand(const char* word) {
    for (const char* command : kCommands)
        if (std::strcmp(word, command) == 0) return true;
    return false;
}

class BlockTool {
public:
    explicit BlockTool(std::string pluginPath) : pluginPath_(std::move(pluginPath)) {}

    bool Run(const std::vector<const char*>& words);

private:
    StatusBlock* Block();
    const DisplayPluginHost* Plugin();
    bool Dump();
    bool Set(const char* name, const char* value);
    bool Ask(const char* name, const char* slot);
    bool Show();

    std::string pluginPath_;
    SharedBlockMapping mapping_;
    std::unique_ptr<DisplayPluginHost> plugin_;
};

StatusBlock* BlockTool::Block() {
    if (!mapping_.View() && !mapping_.Create(StatusBlockName()))
        std::fprintf(stderr, "blockctl: cannot create or open the status block\n");
    return mapping_.View();
}

// Loaded on first use, so that commands which only edit the block work without it.
const DisplayPluginHost* BlockTool::Plugin() {
    if (plugin_) return plugin_.get();
    auto plugin = std::make_unique<DisplayPluginHost>();
    std::string error;
    if (!plugin->Load(pluginPath_, &error)) {
        std::fprintf(stderr, "blockctl: %s\n", error.c_str());
        return nullptr;
    }
    plugin->Init();
    plugin_ = std::move(plugin);
    return plugin_.get();
}

bool BlockTool::Dump() {
    StatusBlock* block = Block();
    if (!block) return false;
    for (const BlockField& field : BlockFields())
        std::printf("%-22s %s\n", field.name, ReadBlockField(*block, field).c_str());
    return true;
}

bool BlockTool::Set(const char* name, const char* value) {
    const BlockField* field = FindBlockField(name);
    if (!field) {
        std::fprintf(stderr, "blockctl: no field \"%s\" (see: blockctl fields)\n", name);
        return false;
    }
    StatusBlock* block = Block();
    if (!block) return false;
    std::string error;
    if (!WriteBlockField(*block, *field, value, &error)) {
        std::fprintf(stderr, "blockctl: %s\n", error.c_str());
        return false;
    }
    return true;
}

// Answers are Windows-1250, as the LCD gets them; they are shown decoded.
bool BlockTool::Ask(const char* name, const char* slot) {
    const DisplayPluginHost* plugin = Plugin();
    if (!plugin) return false;
    const char* answer = slot ? plugin->Glyph(name, slot) : plugin->Text(name, "");
    std::printf("%s\n", Cp1250ToUtf8(answer).c_str());
    return true;
}

bool BlockTool::Show() {
    const DisplayPluginHost* plugin = Plugin();
    if (!plugin) return false;
    for (const char* name : kTextFieldNames)
        std::printf("function1 %-14s %s\n", name, Cp1250ToUtf8(plugin->Text(name, "")).c_str());
    for (const char* name : kGlyphFieldNames)
        std::printf("function2 %-14s %s\n", name, Cp1250ToUtf8(plugin->Glyph(name, "1")).c_str());
    return true;
}

bool BlockTool::Run(const std::vector<const char*>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string command = words[i];
        auto argument = [&](const char* what) -> const char* {
            if (i + 1 < words.size()) return words[++i];
            std::fprintf(stderr, "blockctl: %s needs %s\n", command.c_str(), what);
            return nullptr;
        };
        bool ok = false;
        if (command == "dump") {
            ok = Dump();
        } else if (command == "set") {
            const char* name = argument("a field name");
            const char* value = name ? argument("a value") : nullptr;
            ok = value && Set(name, value);
        } else if (command == "clear") {
            StatusBlock* block = Block();
            if (block) std::memset(block, 0, sizeof *block);
            ok = block != nullptr;
        } else if (command == "sample") {
            StatusBlock* block = Block();
            if (block) FillSampleState(*block);
            ok = block != nullptr;
        } else if (command == "ask") {
            const char* name = argument("a field name");
            const char* slot = nullptr;
            if (name && i + 1 < words.size() && !IsCommand(words[i + 1])) slot = words[++i];
            ok = name && Block() && Ask(name, slot);
        } else if (command == "show") {
            ok = Block() && Show();
        } else if (command == "hold") {
            const char* seconds = argument("a number of seconds");
            ok = seconds && Block();
            if (ok) std::this_thread::sleep_for(std::chrono::seconds(std::atoi(seconds)));
        } else if (command == "fields") {
            for (const BlockField& field : BlockFields()) std::printf("%s\n", field.name);
            ok = true;
        } else {
            std::fprintf(stderr, "blockctl: unknown command \"%s\"\n%s", command.c_str(), kUsage);
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> words(argv + 1, argv + argc);
    std::string pluginPath = PluginBesideExecutable("vistune");
    if (words.size() >= 2 && std::strcmp(words[0], "--plugin") == 0) {
        pluginPath = words[1];
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty() || std::strcmp(words[0], "--help") == 0) {
        std::fputs(kUsage, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    BlockTool tool(pluginPath);
    return tool.Run(words) ? 0 : 1;
}
