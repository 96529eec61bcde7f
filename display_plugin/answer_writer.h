// Builds a field's answer piece by piece without the C runtime's formatting: under Wine its
// printf family costs more than the rest of an answer together.
#pragma once

#include <cstddef>
#include <string_view>

namespace vistune {

// Writes into `out`, `size` bytes (at least 1): empty at first, NUL-terminated after every
// piece, and a piece that does not fit is cut at the last byte before the terminator.
class AnswerWriter {
  public:
    AnswerWriter(char* out, std::size_t size);

    AnswerWriter& Text(std::string_view text);

    // `value` in decimal, with a '-' when negative.
    AnswerWriter& Decimal(long value);

  private:
    char* out_;
    std::size_t size_;
    std::size_t length_ = 0;
};

}  // namespace vistune
