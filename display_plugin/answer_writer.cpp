#include "display_plugin/answer_writer.h"

#include <cstdint>
#include <cstring>

namespace vistune {
namespace {

void CopyWord(char* to, const char* from) {
    std::uint64_t word;
    std::memcpy(&word, from, sizeof word);
    std::memcpy(to, &word, sizeof word);
}

// Eight bytes a move, the last eight overlapping the word before them: for these short texts
// that beats both the call to the C runtime's memcpy and the `rep movsb` that -Os makes of a
// memcpy of unknown size.
void CopyBytes(char* to, const char* from, std::size_t count) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    if (count < kWord) {
        for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
        return;
    }
    for (std::size_t i = 0; i + kWord < count; i += kWord) CopyWord(to + i, from + i);
    CopyWord(to + count - kWord, from + count - kWord);
}

}  // namespace

AnswerWriter::AnswerWriter(char* out, std::size_t size) : out_(out), size_(size) {
    out_[0] = '\0';
}

AnswerWriter& AnswerWriter::Text(std::string_view text) {
    std::size_t room = size_ - 1 - length_;
    std::size_t count = text.size() < room ? text.size() : room;
    CopyBytes(out_ + length_, text.data(), count);
    length_ += count;
    out_[length_] = '\0';
    return *this;
}

// Digits from the last one back; the magnitude is taken unsigned so that the most negative
// value has one too.
AnswerWriter& AnswerWriter::Decimal(long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* first = end;
    unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : value;
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--first = '-';
    return Text({first, static_cast<std::size_t>(end - first)});
}

}  // namespace vistune
