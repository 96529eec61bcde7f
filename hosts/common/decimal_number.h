// The one way the host tools read a number a person typed: plain decimal digits, a leading
// minus where a value may be negative, and a decimal fraction where seconds are meant. Hex,
// exponents, a plus sign and spaces are refused, so "0x10" never quietly means 16.
#pragma once

#include <string_view>

// [-]DIGITS within a long long; false for anything else, the empty text included.
bool ParseWholeNumber(std::string_view text, long long* out);

// [-]DIGITS[.DIGITS]; false for anything else ("inf" and "nan" fall to the caller's range).
bool ParseDecimalNumber(std::string_view text, double* out);
