// Named values in one INI-style profile file, through the platform's profile calls. The
// object holds only the file's path, so every call sees the file as it is now. Texts, keys
// and buffers may be given as none; reads then answer their default and writes 0. Write
// operations return nonzero on success, 0 on failure or when nothing was attempted.
#pragma once

#include <cstdint>

#include "profile/profile_text.h"

// Fixed records stored as the hex digits of their bytes in memory order.
struct Block8 {
    std::uint32_t words[2];
};
struct Block16 {
    std::uint32_t words[4];
};

class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(const char* path);
    virtual ~ProfileFile() = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // A text replaces the path; none empties a held path (it never returns to none).
    void SetPath(const char* path);
    // With a buffer: the multibyte-aware copy of the path into `size` bytes (unterminated if
    // the path has `size` bytes or more) and the length the buffer then holds, at most
    // `size`. Without one: the path's length. No path held: 0.
    std::uint32_t GetPath(char* buffer, std::uint32_t size) const;

    // --- Strings ---------------------------------------------------------------------------
    // The whole value, however long, or a copy of `defaultText` ("" when none) when the file,
    // section or key is missing.
    HeapText ReadValue(const char* section, const char* key, const char* defaultText) const;
    // The value copied into `buffer` as GetPath copies; the value's length, at most `size`
    // with a buffer.
    std::uint32_t ReadString(const char* section, const char* key, char* buffer,
                             std::uint32_t size, const char* defaultText) const;
    // Stores the value (none stores an empty one); never removes the key.
    std::int32_t WriteString(const char* section, const char* key, const char* value) const;
    // Stores the current value followed by `value`.
    std::int32_t AppendString(const char* section, const char* key, const char* value) const;
    // The value split at `delimiter` as SplitText does; without a buffer, the bytes the list
    // needs without its final zero.
    std::uint32_t ReadList(const char* section, const char* key, char* buffer,
                           std::uint32_t size, const char* delimiter, std::int32_t trim) const;

    // --- Numbers (the first 64 bytes of a value are read; missing or empty: the default) ----
    std::int32_t ReadInt(const char* section, const char* key, std::int32_t defaultValue,
                         std::int32_t base) const;
    std::uint32_t ReadUInt(const char* section, const char* key, std::uint32_t defaultValue,
                           std::int32_t base) const;
    std::int32_t WriteInt(const char* section, const char* key, std::int32_t value,
                          std::int32_t base) const;
    std::int32_t WriteUInt(const char* section, const char* key, std::uint32_t value,
                           std::int32_t base) const;
    // Adds `delta` (wrapping) to the stored value, a missing one counting as 0.
    std::int32_t AddInt(const char* section, const char* key, std::int32_t delta,
                        std::int32_t base) const;
    std::int32_t AddUInt(const char* section, const char* key, std::uint32_t delta,
                         std::int32_t base) const;

    std::int32_t ReadBool(const char* section, const char* key, std::int32_t defaultValue) const;
    std::int32_t WriteBool(const char* section, const char* key, std::int32_t flag) const;
    std::int32_t ToggleBool(const char* section, const char* key) const;

    double ReadDouble(const char* section, const char* key, double defaultValue) const;
    // Fixed-point with `precision` decimals (six when 0 or less). A number whose fixed-point
    // text would pass 64 characters is stored with 17 significant digits instead.
    std::int32_t WriteDouble(const char* section, const char* key, double value,
                             std::int32_t precision) const;
    std::int32_t AddDouble(const char* section, const char* key, double delta,
                           std::int32_t precision) const;

    char ReadChar(const char* section, const char* key, char defaultValue) const;
    std::int32_t WriteChar(const char* section, const char* key, char character) const;

    // --- Hex data --------------------------------------------------------------------------
    // Decodes the stored hex digits from byte `offset` on into `buffer`, at most `size`
    // bytes; without a buffer, the bytes available. 0 when there are none past `offset` or a
    // character is not a hex digit.
    std::uint32_t ReadBlock(const char* section, const char* key, void* buffer,
                            std::uint32_t size, std::uint32_t offset) const;
    std::int32_t WriteBlock(const char* section, const char* key, const void* data,
                            std::uint32_t length) const;
    std::int32_t AppendBlock(const char* section, const char* key, const void* data,
                             std::uint32_t length) const;
    // The whole record, or `defaultValue` unless exactly its size could be read.
    Block8 ReadBlock8(const char* section, const char* key, Block8 defaultValue) const;
    Block16 ReadBlock16(const char* section, const char* key, Block16 defaultValue) const;
    std::int32_t WriteBlock8(const char* section, const char* key, Block8 record) const;
    std::int32_t WriteBlock16(const char* section, const char* key, Block16 record) const;

    // --- Sections and keys -----------------------------------------------------------------
    // With a buffer: the platform's answer (see platform/profile_calls.h). Without one: the
    // bytes the whole list needs, 2 for an empty one.
    std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size) const;
    std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size) const;
    // The section's key names as a zero-separated list; returns its bytes without the final
    // zero. A buffer of that many bytes plus one receives the whole list; a smaller one gets
    // the names that fit whole, and nothing at or past `size`.
    std::uint32_t ReadKeyNames(const char* section, char* buffer, std::uint32_t size) const;

    std::int32_t DeleteSection(const char* section) const;
    std::int32_t DeleteKey(const char* section, const char* key) const;
    std::int32_t HasSection(const char* section) const;
    std::int32_t HasKey(const char* section, const char* key) const;

    // Copies replace the target; each checks its guards (names given, source and target
    // different, source present, target absent when `failIfExists`) before changing anything.
    std::int32_t CopySection(const char* source, const char* target,
                             std::int32_t failIfExists) const;
    std::int32_t CopyKey(const char* sourceSection, const char* sourceKey,
                         const char* targetSection, const char* targetKey,
                         std::int32_t failIfExists) const;
    // A copy, then the source's removal; 1 only when both succeeded.
    std::int32_t MoveSection(const char* source, const char* target,
                             std::int32_t failIfExists) const;
    std::int32_t MoveKey(const char* sourceSection, const char* sourceKey,
                         const char* targetSection, const char* targetKey,
                         std::int32_t failIfExists) const;

private:
    // The path handed to the platform, or none when there is no file to use.
    const char* FileName() const;
    // Reads up to 64 bytes of a value into a 65-byte terminated buffer.
    void ReadShort(const char* section, const char* key, char (&buffer)[65]) const;
    // The bytes a whole list needs (its count + 2): the section's lines, or with `section`
    // none the section names.
    std::uint32_t ListSizeNeeded(const char* section) const;

    HeapText path_;
};
