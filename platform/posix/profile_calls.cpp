// The five private-profile calls over our INI engine, with the answers Windows gives.
#include "platform/profile_calls.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/ini_file.h"

namespace platform {
namespace {

using Names = std::vector<std::string>;

// One pair of matching outer quotes comes off a value or default as it is returned.
std::string_view StripQuotes(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// A default loses its trailing spaces (spaces only) and then its outer quotes.
std::string_view CleanDefault(const char* defaultText) {
    std::string_view text = defaultText ? defaultText : "";
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return StripQuotes(text);
}

unsigned CopyText(std::string_view text, char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return 0;
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<unsigned>(length);
}

// A zero-separated list ended by a second zero. One that does not fit with room to spare
// is cut to size - 2 bytes followed by two zeros, and size - 2 returned, as on Windows.
// An empty list is a single zero where `singleZeroWhenEmpty`, two zeros otherwise.
unsigned CopyList(const Names& items, char* buffer, unsigned size, bool singleZeroWhenEmpty) {
    if (buffer == nullptr || size == 0) return 0;
    std::string list;
    for (const std::string& item : items) list.append(item).push_back('\0');
    if (list.empty()) {
        buffer[0] = '\0';
        if (!singleZeroWhenEmpty && size >= 2) buffer[1] = '\0';
        return 0;
    }
    if (list.size() + 2 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<unsigned>(list.size());
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// A caller walks a list up to its first empty entry, so no list holds one: a "[]" section,
// an empty key name and a line with neither name nor "=" (a NUL-only line) are left out.
Names SectionNames(const ini::Document& document) {
    Names names;
    for (const ini::Section& section : document.Sections())
        if (!section.name.empty()) names.push_back(document.InCodePage(section.name));
    return names;
}

// Comments and lines without "=" are not keys to list.
Names KeyNames(const ini::Document& document, const ini::Section& section) {
    Names names;
    for (const ini::Entry& entry : section.entries)
        if (entry.hasEquals && !entry.isComment && !entry.key.empty())
            names.push_back(document.InCodePage(entry.key));
    return names;
}

Names SectionLines(const ini::Document& document, const ini::Section& section) {
    Names lines;
    for (const ini::Entry& entry : section.entries) {
        if (entry.isComment || (!entry.hasEquals && entry.key.empty())) continue;
        lines.push_back(document.InCodePage(entry.hasEquals ? entry.key + "=" + entry.value
                                                            : entry.key));
    }
    return lines;
}

}  // namespace

unsigned ReadProfileString(const char* section, const char* key, const char* defaultText,
                          char* buffer, unsigned size, const char* path) {
    auto document = ini::ReadFile(path);
    if (section == nullptr) return CopyList(SectionNames(*document), buffer, size, true);
    const ini::Section* found = document->FindSection(section);
    if (key == nullptr) {
        Names keys = found ? KeyNames(*document, *found) : Names{};
        if (!keys.empty()) return CopyList(keys, buffer, size, false);
    } else if (found) {
        const ini::Entry* entry = document->FindEntry(*found, key);
        if (entry && entry->hasEquals)
            return CopyText(StripQuotes(document->InCodePage(entry->value)), buffer, size);
    }
    return CopyText(CleanDefault(defaultText), buffer, size);
}

int StoreProfileString(const char* section, const char* key, const char* value,
                       const char* path) {
    if (section == nullptr) return 0;  // also the all-none cache flush, which answers 0
    return ini::EditFile(path, [&](ini::Document& document) {
        if (key == nullptr) return document.DeleteSection(section);
        if (value == nullptr) return document.DeleteKey(section, key);
        return document.SetValue(section, key, value);
    });
}

unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path) {
    if (section == nullptr) return 0;
    auto document = ini::ReadFile(path);
    const ini::Section* found = document->FindSection(section);
    return CopyList(found ? SectionLines(*document, *found) : Names{}, buffer, size, false);
}

int StoreProfileSection(const char* section, const char* lines, const char* path) {
    if (section == nullptr) return 0;
    std::vector<std::pair<std::string, std::string>> entries;
    for (const char* line = lines; line && *line; line += std::strlen(line) + 1) {
        const char* equals = std::strchr(line, '=');
        if (equals) entries.emplace_back(std::string(line, equals), std::string(equals + 1));
    }
    return ini::EditFile(path, [&](ini::Document& document) {
        if (lines == nullptr) return document.DeleteSection(section);
        return document.ReplaceSection(section, entries);
    });
}

unsigned ReadProfileSectionNames(char* buffer, unsigned size, const char* path) {
    return CopyList(SectionNames(*ini::ReadFile(path)), buffer, size, true);
}

}  // namespace platform
