// An INI file's bytes with the sections and keys a Windows profile call sees in them, and
// the edits a profile write makes. Edits change only the lines they must, so comments,
// spacing and line ends elsewhere stay as the user left them. A file that starts with a
// UTF-8 byte-order mark holds UTF-8 text; callers always give and get the active code page.
// Nothing is indexed: each lookup walks the bytes, so a file costs its own size in memory
// however many lines it has.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ini {

// The bytes Windows trims from lines, names and values: 0x09-0x0D, ^Z and space.
bool IsBlank(unsigned char c);

// Removes blanks from both ends.
std::string_view Trim(std::string_view text);

// Section and key names match ignoring the case of A to Z only; in code-page text a
// double-byte character of the active code page counts as one.
bool SameName(std::string_view a, std::string_view b, bool utf8 = false);

struct Line {
    std::size_t begin;     // first byte of the content
    std::size_t end;       // first byte after the content: its line break, or the file's end
    std::size_t breakEnd;  // first byte after the line break ("\r\n", "\r" or "\n"), if any
};

// Names and values are in the file's text (see Document::InCodePage) and view the
// document's bytes: they are valid until its next edit.
struct Entry {
    Line line;
    std::string_view key;    // trimmed, cut at a NUL
    std::string_view value;  // trimmed, cut at a NUL; empty without "="
    bool hasEquals;
    bool isComment;          // first non-blank byte is ";"
    std::size_t valueStart;  // where the value's bytes begin in the line, if hasEquals
};

struct Section {
    Line header;
    std::string_view name;  // trimmed, cut at a NUL
};

class Document {
public:
    explicit Document(std::string bytes = {});

    const std::string& Bytes() const { return bytes_; }
    // The bytes, leaving the document empty.
    std::string TakeBytes() { return std::move(bytes_); }
    bool IsUtf8() const { return utf8_; }

    // A name or value of this document in the active code page.
    std::string InCodePage(std::string_view fileText) const;

    // Calls `visit` with each section in file order (lines before the first header belong
    // to none) until it returns false.
    void ForEachSection(const std::function<bool(const Section&)>& visit) const;
    // Calls `visit` with each non-blank line of `section` after its header until it returns
    // false.
    void ForEachEntry(const Section& section, const std::function<bool(const Entry&)>& visit) const;

    // Names are given in the active code page and matched trimmed.
    // The first section called `name`.
    std::optional<Section> FindSection(std::string_view name) const;
    // The first entry called `key` in `section`.
    std::optional<Entry> FindEntry(const Section& section, std::string_view key) const;

    // Each edit returns true when it changed the bytes.
    // Sets the first matching key, adding the key or the section at its end when missing.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first matching key of any section with the name.
    bool DeleteKey(std::string_view section, std::string_view key);
    // Removes the first matching section: its header and every line up to the next one.
    bool DeleteSection(std::string_view section);
    // Empties every section with the name and puts the entries into the first; appends the
    // section when missing and `entries` is not empty.
    bool ReplaceSection(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& entries);

private:
    // Code-page text in the file's own text.
    std::string InFileText(std::string_view codePageText) const;
    std::optional<Section> FindSectionInFileText(std::string_view name) const;
    std::optional<Entry> FindEntryInFileText(const Section& section, std::string_view key) const;
    Line LineAt(std::size_t begin) const;
    // The section's name when `line` is a header.
    std::optional<std::string_view> HeaderName(const Line& line) const;
    // Where the line after the section's last one begins: the next header's, or the file's end.
    std::size_t SectionEnd(const Section& section) const;
    // Inserts `text` (whole lines, each ending in "\r\n") after `line`.
    void InsertAfterLine(const Line& line, const std::string& text);
    void Append(const std::string& text);

    std::string bytes_;
    std::size_t bodyStart_ = 0;  // after a UTF-8 byte-order mark
    bool utf8_ = false;
};

}  // namespace ini
