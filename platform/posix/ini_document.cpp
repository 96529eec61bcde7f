#include "platform/posix/ini_document.h"

#include <cstring>

#include "platform/multibyte.h"
#include "platform/posix/ini_encoding.h"

namespace ini {
namespace {

constexpr char kNewLine[] = "\r\n";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string CutAtNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

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
    Parse();
}

std::string Document::InCodePage(std::string_view fileText) const {
    return utf8_ ? CodePageFromUtf8(fileText) : std::string(fileText);
}

std::string Document::InFileText(std::string_view codePageText) const {
    return utf8_ ? Utf8FromCodePage(codePageText) : std::string(codePageText);
}

void Document::SplitLines() {
    lines_.clear();
    std::size_t position = bodyStart_;
    while (position < bytes_.size()) {
        Line line{position, position, position};
        while (line.end < bytes_.size() && !IsLineBreak(bytes_[line.end])) ++line.end;
        line.breakEnd = line.end;
        if (line.breakEnd < bytes_.size()) {
            bool crlf = bytes_[line.breakEnd] == '\r' && line.breakEnd + 1 < bytes_.size() &&
                        bytes_[line.breakEnd + 1] == '\n';
            line.breakEnd += crlf ? 2 : 1;
        }
        lines_.push_back(line);
        position = line.breakEnd;
    }
}

void Document::Parse() {
    SplitLines();
    sections_.clear();
    for (std::size_t index = 0; index < lines_.size(); ++index) {
        const Line& line = lines_[index];
        std::string_view raw(bytes_.data() + line.begin, line.end - line.begin);
        std::string_view content = Trim(raw);
        if (content.empty()) continue;
        std::size_t headerEnd = content.front() == '[' ? FindHeaderEnd(content) : std::string_view::npos;
        if (headerEnd != std::string_view::npos) {
            sections_.push_back({CutAtNul(Trim(content.substr(1, headerEnd - 1))), index, index, {}});
            continue;
        }
        // Lines before the first header belong to no section, as on Windows.
        if (sections_.empty()) continue;
        Section& section = sections_.back();
        section.lastLine = index;
        Entry entry{index, {}, {}, false, content.front() == ';', 0};
        // The search for "=" stops at a NUL, as the name it would split ends there. Blanks,
        // "=", ";", brackets and line breaks are the same bytes in UTF-8, so one parse
        // serves both kinds of text.
        std::size_t equals = content.substr(0, content.find('\0')).find('=');
        if (equals == std::string_view::npos) {
            entry.key = CutAtNul(content);
        } else {
            entry.hasEquals = true;
            entry.key = CutAtNul(Trim(content.substr(0, equals)));
            std::string_view value = TrimLeft(content.substr(equals + 1));
            entry.value = CutAtNul(Trim(value));
            entry.valueStart = static_cast<std::size_t>(value.data() - bytes_.data());
        }
        section.entries.push_back(std::move(entry));
    }
}

const Section* Document::FindSection(std::string_view name) const {
    return FindSectionInFileText(InFileText(Trim(name)));
}

const Entry* Document::FindEntry(const Section& section, std::string_view key) const {
    return FindEntryInFileText(section, InFileText(Trim(key)));
}

const Section* Document::FindSectionInFileText(std::string_view name) const {
    for (const Section& section : sections_)
        if (SameName(section.name, name, utf8_)) return &section;
    return nullptr;
}

const Entry* Document::FindEntryInFileText(const Section& section, std::string_view key) const {
    for (const Entry& entry : section.entries)
        if (SameName(entry.key, key, utf8_)) return &entry;
    return nullptr;
}

void Document::Replace(std::size_t begin, std::size_t end, const std::string& text) {
    bytes_.replace(begin, end - begin, text);
    Parse();
}

void Document::InsertAfterLine(std::size_t index, const std::string& text) {
    const Line& line = lines_[index];
    if (line.breakEnd == line.end)
        Replace(line.end, line.end, kNewLine + text);  // the file's last line had no break
    else
        Replace(line.breakEnd, line.breakEnd, text);
}

void Document::Append(const std::string& text) {
    bool needsBreak = bytes_.size() > bodyStart_ && !IsLineBreak(bytes_.back());
    Replace(bytes_.size(), bytes_.size(), needsBreak ? kNewLine + text : text);
}

bool Document::SetValue(std::string_view sectionText, std::string_view keyText,
                        std::string_view valueText) {
    const std::string sectionName = InFileText(Trim(sectionText));
    const std::string key = InFileText(Trim(keyText));
    const std::string newValue = InFileText(TrimLeft(valueText));
    std::string_view value = newValue;
    const Section* section = FindSectionInFileText(sectionName);
    if (section == nullptr) {
        Append("[" + sectionName + "]" + kNewLine + EntryLine(key, value));
        return true;
    }
    const Entry* entry = FindEntryInFileText(*section, key);
    if (entry == nullptr) {
        InsertAfterLine(section->lastLine, EntryLine(key, value));
        return true;
    }
    if (entry->hasEquals && entry->value == Trim(value)) return false;
    const Line& line = lines_[entry->line];
    // The key keeps its spelling, indentation and the spacing around "="; only the value
    // and the line's break are new.
    std::string_view content(bytes_.data() + line.begin, line.end - line.begin);
    std::string prefix;
    if (entry->hasEquals) {
        prefix = bytes_.substr(line.begin, entry->valueStart - line.begin);
    } else {
        // The name ends at a NUL; whatever follows it was never part of the key.
        std::string_view name = Trim(content.substr(0, content.find('\0')));
        prefix = std::string(content.substr(0, name.data() + name.size() - content.data())) + "=";
    }
    Replace(line.begin, line.breakEnd, prefix + std::string(value) + kNewLine);
    return true;
}

bool Document::DeleteKey(std::string_view sectionText, std::string_view keyText) {
    const std::string sectionName = InFileText(Trim(sectionText));
    const std::string key = InFileText(Trim(keyText));
    for (const Section& section : sections_) {
        if (!SameName(section.name, sectionName, utf8_)) continue;
        if (const Entry* entry = FindEntryInFileText(section, key)) {
            const Line& line = lines_[entry->line];
            Replace(line.begin, line.breakEnd, "");
            return true;
        }
    }
    return false;
}

bool Document::DeleteSection(std::string_view sectionName) {
    const Section* section = FindSection(sectionName);
    if (section == nullptr) return false;
    std::size_t begin = lines_[section->headerLine].begin;
    std::size_t end = section + 1 != sections_.data() + sections_.size()
                          ? lines_[(section + 1)->headerLine].begin
                          : bytes_.size();
    Replace(begin, end, "");
    return true;
}

bool Document::ReplaceSection(std::string_view sectionText,
                              const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string sectionName = InFileText(Trim(sectionText));
    std::string text;
    for (const auto& [key, value] : entries) text += EntryLine(InFileText(key), InFileText(value));
    if (FindSectionInFileText(sectionName) == nullptr) {
        if (entries.empty()) return false;
        Append("[" + sectionName + "]" + kNewLine + text);
        return true;
    }
    std::string before = bytes_;
    // Empty every section of that name, last first so earlier positions stay valid.
    for (std::size_t i = sections_.size(); i-- > 0;) {
        if (!SameName(sections_[i].name, sectionName, utf8_)) continue;
        const Line& header = lines_[sections_[i].headerLine];
        std::size_t end = i + 1 < sections_.size() ? lines_[sections_[i + 1].headerLine].begin
                                                   : bytes_.size();
        std::size_t begin = header.breakEnd == header.end ? header.end : header.breakEnd;
        bytes_.erase(begin, end - begin);
    }
    Parse();
    if (!text.empty()) InsertAfterLine(FindSectionInFileText(sectionName)->headerLine, text);
    return bytes_ != before;
}

}  // namespace ini
