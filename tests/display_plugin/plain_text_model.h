// A plain model of how the display plug-in turns a block text field into an answer, written
// from the field reference (docs/fields.md) with std::string, not from the plug-in's code.
// The differential test and the display_fields fuzzer compare the plug-in with it.
#pragma once

#include <cstddef>
#include <string>

// The bytes before the terminator, the field's last byte counting as one, with the Polish
// letters of Windows-1250 replaced by Latin ones.
inline std::string ModelTransliteratedText(const char* field, std::size_t width) {
    const std::string polish =
        "\xB9\xA5\xEA\xCA\xE6\xC6\x9C\x8C\xF3\xD3\xB3\xA3\xF1\xD1\xBF\xAF\x9F\x8F";
    const std::string latin = "aAeEcCsSoOlLnNzZzZ";
    std::string text(field, width - 1);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    for (char& c : text)
        if (polish.find(c) != std::string::npos) c = latin[polish.find(c)];
    return text;
}

// An event text without its first word (the start time) and the spaces after it.
inline std::string ModelTitle(const std::string& event) {
    std::size_t afterTime = event.find(' ');
    if (afterTime == std::string::npos) return "";
    std::size_t title = event.find_first_not_of(' ', afterTime);
    return title == std::string::npos ? "" : event.substr(title);
}

// A played file's name: the path from its last backslash, or the whole path without one.
inline std::string ModelFileName(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash);
}
