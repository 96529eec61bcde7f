#include "hosts/common/text_file.h"

#include "platform/regular_file.h"

namespace {

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    if (lead == 0xE0 && byte(1) < 0xA0) return 0;
    if (lead == 0xED && byte(1) >= 0xA0) return 0;
    if (lead == 0xF0 && byte(1) < 0x90) return 0;
    if (lead == 0xF4 && byte(1) >= 0x90) return 0;
    return length;
}

bool LineFault(int line, const std::string& what, std::string* error) {
    *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

}  // namespace

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
    return platform::ReadRegularFile(path, kMaxTextFileBytes, text, error);
}

bool CheckUtf8Text(std::string* text, std::string* error) {
    if (text->starts_with("\xFF\xFE") || text->starts_with("\xFE\xFF")) {
        *error = "the file is UTF-16; save it as UTF-8";
        return false;
    }
    if (text->starts_with("\xEF\xBB\xBF")) text->erase(0, 3);
    std::string_view rest = *text;
    int line = 1;
    while (!rest.empty()) {
        unsigned char byte = static_cast<unsigned char>(rest[0]);
        if (byte == '\n') ++line;
        if (byte == 0) return LineFault(line, "a NUL byte; this is not a text file", error);
        if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F)
            return LineFault(
                line, "control character " + std::to_string(byte) + "; this is not a text file",
                error);
        std::size_t length = Utf8SequenceLength(rest);
        if (length == 0)
            return LineFault(line, "the text is not UTF-8; save the file as UTF-8", error);
        rest.remove_prefix(length);
    }
    return true;
}

bool ReadUtf8TextFile(const std::string& path, std::string* text, std::string* error) {
    return ReadTextFile(path, text, error) && CheckUtf8Text(text, error);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}
