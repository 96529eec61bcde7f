// blockctl: looks at and edits the live status block by hand, and asks the display plug-in
// what it makes of it. Commands run in order in one process, so the block stays alive from
// one to the next even when no host holds it. The whole command line, values included, is
// checked before the first command runs, so a typo never leaves half the commands done.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hosts/blockctl/sample_state.h"
#include "hosts/common/block_fields.h"
#include "hosts/common/block_name_check.h"
#include "hosts/common/command_line.h"
#include "hosts/common/cp1250.h"
#include "hosts/common/display_plugin_host.h"
#include "hosts/common/output.h"
#include "platform/arguments.h"
#include "platform/standard_streams.h"
#include "platform/stop_signal.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"

namespace {

constexpr char kTool[] = "blockctl";

constexpr char kUsage[] =
    "usage: blockctl [--plugin PATH] COMMAND...\n"
    "       blockctl --help | --version\n"
    "Commands run in order in one process:\n"
    "  dump               print every field of the block\n"
    "  set FIELD VALUE    write one field (text in UTF-8, stored as Windows-1250)\n"
    "  clear              zero the whole block\n"
    "  sample             fill the block with a sample state\n"
    "  ask NAME [SLOT]    print the display plug-in's answer (function1; with a\n"
    "                     slot, function2)\n"
    "  show               print every text and glyph field the plug-in answers\n"
    "  hold SECONDS       keep the block open so other programs can see it\n"
    "  fields             list the field names and the values each may hold\n"
    "The block lives while a program holds it: a change made when no tvhost or\n"
    "lcdhost runs is gone when blockctl ends unless a hold follows it.\n";

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

struct Step {
    std::string command;
    const char* first = nullptr;   // set's field, ask's name
    const char* second = nullptr;  // set's value, ask's slot
    double seconds = 0;            // hold
};

// "a, b and c" for messages that list names.
std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

bool CheckFieldName(CommandLine& line, const char* name) {
    std::vector<std::string> names = MatchingBlockFields(name);
    if (names.size() == 1) return true;
    if (names.empty()) return line.Fail(std::string("no field \"") + name + "\" (see: blockctl fields)");
    return line.Fail(std::string("\"") + name + "\" is ambiguous: it may mean " + JoinNames(names));
}

// Tried on a scratch block, so a bad value later on the line stops the run before the live
// block is touched.
bool CheckFieldValue(CommandLine& line, const char* name, const char* value) {
    StatusBlock scratch{};
    std::string error;
    return WriteBlockField(scratch, *FindBlockField(name), value, &error) || line.Fail(error);
}

// Reads one command and its values into `step`; false, with the line's error set, on a
// mistake.
bool ParseStep(CommandLine& line, const std::string& command, Step* step) {
    step->command = command;
    if (command == "set") {
        step->first = line.Value("set");
        step->second = step->first ? line.Value("set FIELD") : nullptr;
        return step->second && CheckFieldName(line, step->first) &&
               CheckFieldValue(line, step->first, step->second);
    }
    if (command == "ask") {
        step->first = line.Value("ask");
        if (step->first && line.Peek() && !IsCommand(line.Peek())) step->second = line.Next();
        return step->first != nullptr;
    }
    if (command == "hold") return line.Seconds("hold", &step->seconds);
    if (IsCommand(command.c_str())) return true;
    if (command[0] == '-') return line.Fail("unknown option \"" + command + "\"");
    return line.Fail("unknown command \"" + command + "\"");
}

struct Plan {
    std::string pluginPath = PluginBesideExecutable("vistune");
    std::vector<Step> steps;
    bool pluginGiven = false;
    bool needsPlugin = false;
};

// --plugin may stand anywhere among the commands: it is one setting for the whole run.
bool ParsePlan(CommandLine& line, Plan* plan) {
    for (const char* word = line.Next(); word; word = line.Next()) {
        if (std::strcmp(word, "--plugin") == 0) {
            const char* path = line.Once(word) ? line.Value("--plugin") : nullptr;
            if (!path) return false;
            plan->pluginPath = path;
            plan->pluginGiven = true;
            continue;
        }
        Step step;
        if (!ParseStep(line, word, &step)) return false;
        plan->needsPlugin = plan->needsPlugin || step.command == "ask" || step.command == "show";
        plan->steps.push_back(step);
    }
    return !plan->steps.empty() || line.Fail("no command given");
}

class BlockTool {
public:
    explicit BlockTool(std::string pluginPath) : pluginPath_(std::move(pluginPath)) {}

    // Runs the steps in order; false at the first that fails (its message already printed).
    bool Run(const std::vector<Step>& steps);

    // Called before any step runs, so a plug-in that cannot be loaded stops the run before it
    // has done half its work. The block is opened first, as the steps would.
    bool OpenBlock() { return Block() != nullptr; }
    bool LoadPlugin() { return Plugin() != nullptr; }

private:
    StatusBlock* Block();
    const DisplayPluginHost* Plugin();
    bool RunStep(const Step& step);
    bool Dump();
    bool Set(const char* name, const char* value);
    bool Ask(const char* name, const char* slot);
    bool Show();
    void Fields();
    void NoteAnEmptyBlock();
    void WarnIfTheChangeEndsHere(bool unseen);

    std::string pluginPath_;
    SharedBlockMapping mapping_;
    std::unique_ptr<DisplayPluginHost> plugin_;
    bool changed_ = false;
};

StatusBlock* BlockTool::Block() {
    if (mapping_.View() || !CheckBlockName(kTool)) return mapping_.View();
    if (!mapping_.Create(StatusBlockName()))
        PrintError("blockctl: cannot create or open the status block\n");
    return mapping_.View();
}

// Loaded on first use, so that commands which only edit the block work without it.
const DisplayPluginHost* BlockTool::Plugin() {
    if (plugin_) return plugin_.get();
    auto plugin = std::make_unique<DisplayPluginHost>();
    std::string error;
    if (!plugin->Load(pluginPath_, &error)) {
        PrintError("blockctl: %s\n", error.c_str());
        return nullptr;
    }
    plugin->Init();
    plugin_ = std::move(plugin);
    return plugin_.get();
}

bool BlockTool::Dump() {
    StatusBlock* block = Block();
    if (!block) return false;
    NoteAnEmptyBlock();
    for (const BlockField& field : BlockFields())
        PrintFormat("%-22s %s\n", field.name, ReadBlockField(*block, field).c_str());
    return true;
}

// Zeros from a block nobody holds look like a real, idle state; say what they are.
void BlockTool::NoteAnEmptyBlock() {
    if (changed_ || !mapping_.CreatedHere()) return;
    std::fprintf(stderr,
                 "blockctl: note: no program holds the status block, so it is empty; start tvhost "
                 "or lcdhost\n");
}

bool BlockTool::Set(const char* name, const char* value) {
    const BlockField* field = FindBlockField(name);
    StatusBlock* block = Block();
    if (!field || !block) return false;
    std::string error;
    if (!WriteBlockField(*block, *field, value, &error)) {
        PrintError("blockctl: %s\n", error.c_str());
        return false;
    }
    changed_ = true;
    return true;
}

// Answers are Windows-1250, as the LCD gets them; they are shown decoded.
bool BlockTool::Ask(const char* name, const char* slot) {
    const DisplayPluginHost* plugin = Plugin();
    if (!plugin) return false;
    const char* answer = slot ? plugin->Glyph(name, slot) : plugin->Text(name, "");
    Print(Cp1250ToUtf8(answer) + "\n");
    return true;
}

bool BlockTool::Show() {
    const DisplayPluginHost* plugin = Plugin();
    if (!plugin) return false;
    for (const char* name : kTextFieldNames)
        PrintFormat("function1 %-14s %s\n", name, Cp1250ToUtf8(plugin->Text(name, "")).c_str());
    for (const char* name : kGlyphFieldNames)
        PrintFormat("function2 %-14s %s\n", name, Cp1250ToUtf8(plugin->Glyph(name, "1")).c_str());
    return true;
}

void BlockTool::Fields() {
    for (const BlockField& field : BlockFields())
        PrintFormat("%-22s %s\n", field.name, DescribeBlockField(field).c_str());
}

bool BlockTool::RunStep(const Step& step) {
    const std::string& command = step.command;
    if (command == "dump") return Dump();
    if (command == "set") return Set(step.first, step.second);
    if (command == "fields") return Fields(), true;
    if (command == "ask") return Block() && Ask(step.first, step.second);
    if (command == "show") return Block() && Show();
    StatusBlock* block = Block();
    if (!block) return false;
    if (command == "clear") std::memset(block, 0, sizeof *block);
    if (command == "sample") FillSampleState(*block);
    changed_ = changed_ || command == "clear" || command == "sample";
    // A Ctrl-C during a hold ends the run as its end would, so the block is let go of.
    if (command == "hold")
        return !platform::SleepUnlessStopped(static_cast<int>(step.seconds * 1000));
    return true;
}

// A block this process made dies with it: say so when a change would vanish without anything
// having looked at it (a dump, an answer of the plug-in, or a hold for other programs).
void BlockTool::WarnIfTheChangeEndsHere(bool unseen) {
    if (!unseen || !mapping_.CreatedHere()) return;
    std::fprintf(stderr,
                 "blockctl: note: no other program holds the status block, so this change ends with\n"
                 "blockctl; start tvhost or lcdhost first, or add \"hold SECONDS\" after it\n");
}

bool BlockTool::Run(const std::vector<Step>& steps) {
    bool unseen = false;
    for (const Step& step : steps) {
        if (!RunStep(step) || !OutputSucceeded(kTool)) return false;
        const std::string& command = step.command;
        if (command == "set" || command == "clear" || command == "sample") unseen = true;
        if (command == "dump" || command == "ask" || command == "show" || command == "hold")
            unseen = false;
    }
    WarnIfTheChangeEndsHere(unseen);
    return true;
}

int Run(int argc, char** argv) {
    platform::CatchStopSignals();
    if (const char* asked = HelpOrVersionAsked(argc, argv)) return PrintHelpOrVersion(kTool, kUsage, asked);
    CommandLine line(argc, argv);
    Plan plan;
    if (!ParsePlan(line, &plan)) return UsageError(kTool, line.Error());
    BlockTool tool(plan.pluginPath);
    // A plug-in named on the line that cannot be used is a usage error, as any file named is.
    if (plan.needsPlugin && !tool.OpenBlock()) return 1;
    if (plan.needsPlugin && !tool.LoadPlugin()) return plan.pluginGiven ? 2 : 1;
    bool ran = tool.Run(plan.steps);
    if (int stop = platform::StopRequested()) return stop;
    return ran && OutputSucceeded(kTool) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    platform::HoldStandardStreams();
    platform::UseUtf8Arguments(&argc, &argv);
    try {
        return Run(argc, argv);
    } catch (const std::exception& fault) {
        PrintError("blockctl: %s\n", fault.what());
        return 1;
    }
}
