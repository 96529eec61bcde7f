#include "hosts/common/decimal_number.h"

#include <charconv>

namespace {

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

}  // namespace

bool ParseWholeNumber(std::string_view text, long long* out) {
    std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (!AllDigits(digits)) return false;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return status == std::errc() && end == text.data() + text.size();
}

bool ParseDecimalNumber(std::string_view text, double* out) {
    std::size_t point = text.find('.');
    if (!AllDigits(text.substr(0, point))) return false;
    if (point != std::string_view::npos && !AllDigits(text.substr(point + 1))) return false;
    auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), *out, std::chars_format::fixed);
    return status == std::errc() && end == text.data() + text.size();
}
