#include "hosts/common/decimal_number.h"

#include <charconv>

// from_chars takes no "+", no spaces, no "0x" and, held to the fixed format, no exponent:
// whatever it leaves unread makes the whole text refused.
bool ParseWholeNumber(std::string_view text, long long* out) {
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return status == std::errc() && end == text.data() + text.size();
}

bool ParseDecimalNumber(std::string_view text, double* out) {
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *out,
                                         std::chars_format::fixed);
    return status == std::errc() && end == text.data() + text.size();
}
