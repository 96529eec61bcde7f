// The five private-profile calls over our INI engine, with the answers Windows gives.
#include "platform/profile_calls.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/ini_file.h"

namespace platform {
namespace {

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

// A zero-separated list ended by a second zero, gathered only as far as a buffer of the
// given size can show it: a file's lists may be far longer than any buffer.
class List {
  public:
    explicit List(unsigned size) : limit_(size) {}
    bool Empty() const { return list_.empty(); }
    // False once the list no longer fits the buffer, when later items cannot change the answer.
    bool Add(std::string_view item) {
        if (list_.size() > limit_) return false;
        list_.append(item.substr(0, limit_ + 1 - list_.size()));
        if (list_.size() <= limit_) list_.push_back('\0');
        return list_.size() <= limit_;
    }
    // One that does not fit with room to spare is cut to size - 2 bytes followed by two
    // zeros, and size - 2 returned, as on Windows. An empty list is a single zero where
    // `singleZeroWhenEmpty`, two zeros otherwise.
    unsigned CopyTo(char* buffer, unsigned size, bool singleZeroWhenEmpty) const {
        if (buffer == nullptr || size == 0) return 0;
        if (list_.empty()) {
            buffer[0] = '\0';
            if (!singleZeroWhenEmpty && size >= 2) buffer[1] = '\0';
            return 0;
        }
        if (list_.size() + 2 <= size) {
            std::memcpy(buffer, list_.data(), list_.size());
            buffer[list_.size()] = '\0';
            return static_cast<unsigned>(list_.size());
        }
        if (size == 1) {
            buffer[0] = '\0';
            return 0;
        }
        std::memcpy(buffer, list_.data(), size - 2);
        buffer[size - 2] = '\0';
        buffer[size - 1] = '\0';
        return size - 2;
    }

  private:
    std::size_t limit_;
    std::string list_;
};

// A caller walks a list up to its first empty entry, so no list holds one: a "[]" section,
// an empty key name and a line with neither name nor "=" (a NUL-only line) are left out.
List SectionNames(const ini::Document& document, unsigned size) {
    List names(size);
    document.ForEachSection([&](const ini::Section& section) {
        return section.name.empty() || names.Add(document.InCodePage(section.name));
    });
    return names;
}

// Comments and lines without "=" are not keys to list.
List KeyNames(const ini::Document& document, const ini::Section& section, unsigned size) {
    List names(size);
    document.ForEachEntry(section, [&](const ini::Entry& entry) {
        if (!entry.hasEquals || entry.isComment || entry.key.empty()) return true;
        return names.Add(document.InCodePage(entry.key));
    });
    return names;
}

List SectionLines(const ini::Document& document, const ini::Section& section, unsigned size) {
    List lines(size);
    document.ForEachEntry(section, [&](const ini::Entry& entry) {
        if (entry.isComment || (!entry.hasEquals && entry.key.empty())) return true;
        return lines.Add(entry.hasEquals ? document.InCodePage(entry.key) + "=" +
                                               document.InCodePage(entry.value)
                                         : document.InCodePage(entry.key));
    });
    return lines;
}

}  // namespace

unsigned ReadProfileString(const char* section, const char* key, const char* defaultText,
                          char* buffer, unsigned size, const char* path) {
    auto document = ini::ReadFile(path);
    if (section == nullptr) return SectionNames(*document, size).CopyTo(buffer, size, true);
    auto found = document->FindSection(section);
    if (key == nullptr) {
        if (found) {
            List keys = KeyNames(*document, *found, size);
            if (!keys.Empty()) return keys.CopyTo(buffer, size, false);
        }
    } else if (found) {
        auto entry = document->FindEntry(*found, key);
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
    auto found = document->FindSection(section);
    return (found ? SectionLines(*document, *found, size) : List(size)).CopyTo(buffer, size, false);
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
    return SectionNames(*ini::ReadFile(path), size).CopyTo(buffer, size, true);
}

}  // namespace platform
