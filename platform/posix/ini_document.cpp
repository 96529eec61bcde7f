#include "platform/posix/ini_document.h"

#include <algorithm>
#include <cstring>

#include "platform/multibyte.h"
#include "platform/posix/ini_encoding.h"

namespace ini {
namespace {

constexpr char kNewLine[] = "\r\n";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string_view CutAtNul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    return text;
}

// The last "]" of a header, stepping over double-byte characters whose trail byte is "]".
std::size_t FindHeaderEnd(std::string_view text) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ']') last = i;
        if (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    }
    return last;
}

std::string EntryLine(std::string_view key, std::string_view value) {
    return std::string(Trim(key)) + "=" + std::string(TrimLeft(value)) + kNewLine;
}

}  // namespace

bool IsBlank(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b, bool utf8) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (!utf8 && platform::IsLeadByte(x) && i + 1 < a.size()) {
            // A double-byte character matches only itself; its trail byte is no letter.
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

Document::Document(std::string bytes) : bytes_(std::move(bytes)) {
    utf8_ = bytes_.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0;
    bodyStart_ = utf8_ ? kUtf8Mark.size() : 0;
}

std::string Document::InCodePage(std::string_view fileText) const {
    return utf8_ ? CodePageFromUtf8(fileText) : std::string(fileText);
}

std::string Document::InFileText(std::string_view codePageText) const {
    return utf8_ ? Utf8FromCodePage(codePageText) : std::string(codePageText);
}

Line Document::LineAt(std::size_t begin) const {
    const char* bytes = bytes_.data();
    const std::size_t size = bytes_.size();
    // memchr, as a line may be megabytes long, but over a window that doubles: looking to the
    // file's end for a "\n" that a file of "\r" line ends never has made every call cost
    // the whole file for each line.
    std::size_t end = size;
    for (std::size_t from = begin, window = 64; from < size; from += window, window *= 2) {
        std::size_t length = std::min(window, size - from);
        auto found = static_cast<const char*>(std::memchr(bytes + from, '\n', length));
        std::size_t before = found ? static_cast<std::size_t>(found - bytes) - from : length;
        if (auto cr = static_cast<const char*>(std::memchr(bytes + from, '\r', before))) found = cr;
        if (!found) continue;
        end = static_cast<std::size_t>(found - bytes);
        break;
    }
    std::size_t breakEnd = end;
    if (breakEnd < size)
        breakEnd +=
            bytes[breakEnd] == '\r' && breakEnd + 1 < size && bytes[breakEnd + 1] == '\n' ? 2 : 1;
    return {begin, end, breakEnd};
}

std::optional<std::string_view> Document::HeaderName(const Line& line) const {
    std::string_view content(bytes_.data() + line.begin, line.end - line.begin);
    // Most lines are no header: the first non-blank byte tells before anything else.
    std::size_t first = 0;
    while (first < content.size() && IsBlank(static_cast<unsigned char>(content[first]))) ++first;
    if (first == content.size() || content[first] != '[') return std::nullopt;
    content = Trim(content);
    std::size_t headerEnd = FindHeaderEnd(content);
    if (headerEnd == std::string_view::npos) return std::nullopt;
    return CutAtNul(Trim(content.substr(1, headerEnd - 1)));
}

void Document::ForEachSection(const std::function<bool(const Section&)>& visit) const {
    for (std::size_t at = bodyStart_; at < bytes_.size();) {
        Line line = LineAt(at);
        at = line.breakEnd;
        auto name = HeaderName(line);
        if (name && !visit(Section{line, *name})) return;
    }
}

std::size_t Document::SectionEnd(const Section& section) const {
    for (std::size_t at = section.header.breakEnd; at < bytes_.size();) {
        Line line = LineAt(at);
        if (HeaderName(line)) return line.begin;
        at = line.breakEnd;
    }
    return bytes_.size();
}

void Document::ForEachEntry(const Section& section,
                            const std::function<bool(const Entry&)>& visit) const {
    for (std::size_t at = section.header.breakEnd; at < bytes_.size();) {
        Line line = LineAt(at);
        at = line.breakEnd;
        std::string_view content =
            Trim(std::string_view(bytes_).substr(line.begin, line.end - line.begin));
        if (content.empty()) continue;
        if (content.front() == '[' && HeaderName(line)) return;  // the next section begins
        Entry entry{line, {}, {}, false, content.front() == ';', 0};
        // The search for "=" stops at a NUL, as the name it would split ends there. Blanks,
        // "=", ";", brackets and line breaks are the same bytes in UTF-8, so one parse
        // serves both kinds of text.
        std::size_t equals = CutAtNul(content).find('=');
        if (equals == std::string_view::npos) {
            entry.key = CutAtNul(content);
        } else {
            entry.hasEquals = true;
            entry.key = CutAtNul(Trim(content.substr(0, equals)));
            std::string_view value = TrimLeft(content.substr(equals + 1));
            entry.value = CutAtNul(Trim(value));
            entry.valueStart = static_cast<std::size_t>(value.data() - bytes_.data());
        }
        if (!visit(entry)) return;
    }
}

std::optional<Section> Document::FindSection(std::string_view name) const {
    return FindSectionInFileText(InFileText(Trim(name)));
}

std::optional<Entry> Document::FindEntry(const Section& section, std::string_view key) const {
    return FindEntryInFileText(section, InFileText(Trim(key)));
}

std::optional<Section> Document::FindSectionInFileText(std::string_view name) const {
    std::optional<Section> found;
    ForEachSection([&](const Section& section) {
        if (SameName(section.name, name, utf8_)) found = section;
        return !found;
    });
    return found;
}

std::optional<Entry> Document::FindEntryInFileText(const Section& section,
                                                   std::string_view key) const {
    std::optional<Entry> found;
    ForEachEntry(section, [&](const Entry& entry) {
        if (SameName(entry.key, key, utf8_)) found = entry;
        return !found;
    });
    return found;
}

void Document::InsertAfterLine(const Line& line, const std::string& text) {
    if (line.breakEnd == line.end)
        bytes_.insert(line.end, kNewLine + text);  // the file's last line had no break
    else
        bytes_.insert(line.breakEnd, text);
}

void Document::Append(const std::string& text) {
    bool needsBreak = bytes_.size() > bodyStart_ && !IsLineBreak(bytes_.back());
    bytes_ += needsBreak ? kNewLine + text : text;
}

bool Document::SetValue(std::string_view sectionText, std::string_view keyText,
                        std::string_view valueText) {
    const std::string sectionName = InFileText(Trim(sectionText));
    const std::string key = InFileText(Trim(keyText));
    const std::string newValue = InFileText(TrimLeft(valueText));
    std::string_view value = newValue;
    auto section = FindSectionInFileText(sectionName);
    if (!section) {
        Append("[" + sectionName + "]" + kNewLine + EntryLine(key, value));
        return true;
    }
    std::optional<Entry> entry;
    Line last = section->header;  // the section's last non-blank line
    ForEachEntry(*section, [&](const Entry& candidate) {
        last = candidate.line;
        if (SameName(candidate.key, key, utf8_)) entry = candidate;
        return !entry;
    });
    if (!entry) {
        InsertAfterLine(last, EntryLine(key, value));
        return true;
    }
    if (entry->hasEquals && entry->value == Trim(value)) return false;
    const Line& line = entry->line;
    // The key keeps its spelling, indentation and the spacing around "="; only the value
    // and the line's break are new.
    std::string_view content(bytes_.data() + line.begin, line.end - line.begin);
    std::string prefix;
    if (entry->hasEquals) {
        prefix = bytes_.substr(line.begin, entry->valueStart - line.begin);
    } else {
        // The name ends at a NUL; whatever follows it was never part of the key.
        std::string_view name = Trim(CutAtNul(content));
        prefix = std::string(content.substr(0, name.data() + name.size() - content.data())) + "=";
    }
    bytes_.replace(line.begin, line.breakEnd - line.begin, prefix + std::string(value) + kNewLine);
    return true;
}

bool Document::DeleteKey(std::string_view sectionText, std::string_view keyText) {
    const std::string sectionName = InFileText(Trim(sectionText));
    const std::string key = InFileText(Trim(keyText));
    std::optional<Line> found;
    ForEachSection([&](const Section& section) {
        if (!SameName(section.name, sectionName, utf8_)) return true;
        if (auto entry = FindEntryInFileText(section, key)) found = entry->line;
        return !found;
    });
    if (!found) return false;
    bytes_.erase(found->begin, found->breakEnd - found->begin);
    return true;
}

bool Document::DeleteSection(std::string_view sectionName) {
    auto section = FindSection(sectionName);
    if (!section) return false;
    bytes_.erase(section->header.begin, SectionEnd(*section) - section->header.begin);
    return true;
}

bool Document::ReplaceSection(std::string_view sectionText,
                              const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string sectionName = InFileText(Trim(sectionText));
    std::string text;
    for (const auto& [key, value] : entries) text += EntryLine(InFileText(key), InFileText(value));
    // One pass copies the file, leaving out the bodies of the sections with the name and
    // putting the new lines after the first one's header.
    std::string result;
    bool found = false;
    std::size_t copied = 0;
    ForEachSection([&](const Section& section) {
        if (!SameName(section.name, sectionName, utf8_)) return true;
        if (!found) result.reserve(bytes_.size() + text.size() + 2);
        result.append(bytes_, copied, section.header.breakEnd - copied);
        if (!found && !text.empty())
            result += section.header.breakEnd == section.header.end ? kNewLine + text : text;
        found = true;
        copied = SectionEnd(section);
        return true;
    });
    if (!found) {
        if (entries.empty()) return false;
        Append("[" + sectionName + "]" + kNewLine + text);
        return true;
    }
    result.append(bytes_, copied, std::string::npos);
    if (result == bytes_) return false;
    bytes_ = std::move(result);
    return true;
}

}  // namespace ini
