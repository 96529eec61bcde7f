// The private-profile (INI file) calls, with the Windows functions' contract: the ANSI
// "*PrivateProfile*A" functions on Windows, our own engine elsewhere. The last argument is
// always the file's path.
#pragma once

namespace platform {

// Copies the value of `key` in `section`, or `defaultText` (trailing blanks and one pair of
// outer quotes removed) when either is missing, cut to size - 1 bytes plus a terminator;
// returns the bytes copied. Section none lists the section names, key none the section's
// key names, as zero-separated lists (see ReadProfileSectionNames for a list's cut).
unsigned ReadProfileString(const char* section, const char* key, const char* defaultText,
                          char* buffer, unsigned size, const char* path);

// Stores `value` under `section` and `key`, creating file, section or key as needed. Key none
// removes the whole section; value none removes the key. Nonzero on success.
int StoreProfileString(const char* section, const char* key, const char* value,
                       const char* path);

// The section's lines ("key=value", or the bare name of a line without "=") as a
// zero-separated list ended by a second zero; returns its bytes without that last zero.
// A list that does not fit is cut to size - 2 bytes plus two zeros, and size - 2 returned.
unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path);

// Replaces the section's lines with the zero-separated "key=value" list, creating the
// section when missing. Nonzero on success.
int StoreProfileSection(const char* section, const char* lines, const char* path);

// The names of all sections, as ReadProfileSection gives lines.
unsigned ReadProfileSectionNames(char* buffer, unsigned size, const char* path);

}  // namespace platform
