// The C runtime's multibyte string functions, driven by a table of lead-byte ranges per
// code page so the double-byte paths behave as on a Far East Windows.
#include "platform/multibyte.h"

#include <cstring>

namespace platform {
namespace {

struct LeadByteRange {
    unsigned char first;
    unsigned char last;
};

struct CodePage {
    int number;
    LeadByteRange ranges[2];
};

constexpr CodePage kCodePages[] = {
    {1250, {{0, 0}, {0, 0}}},        {1252, {{0, 0}, {0, 0}}},
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}}}, {936, {{0x81, 0xFE}, {0, 0}}},
    {949, {{0x81, 0xFE}, {0, 0}}},   {950, {{0x81, 0xFE}, {0, 0}}},
};

const CodePage* activeCodePage = &kCodePages[0];

unsigned char FoldCase(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// The byte length of the character at `p`: 2 for a lead byte with a trail byte after it.
std::size_t CharLength(const unsigned char* p) { return IsLeadByte(*p) && p[1] != 0 ? 2 : 1; }

// Compares character by character; a double-byte character sorts as its 16-bit value.
int Compare(const char* a, const char* b, bool foldCase) {
    auto* x = reinterpret_cast<const unsigned char*>(a);
    auto* y = reinterpret_cast<const unsigned char*>(b);
    while (true) {
        unsigned int cx = foldCase ? FoldCase(*x) : *x;
        unsigned int cy = foldCase ? FoldCase(*y) : *y;
        std::size_t lx = CharLength(x), ly = CharLength(y);
        if (lx == 2) cx = (cx << 8) | x[1];
        if (ly == 2) cy = (cy << 8) | y[1];
        if (cx != cy) return cx < cy ? -1 : 1;
        if (cx == 0) return 0;
        x += lx;
        y += ly;
    }
}

}  // namespace

bool SetMultibyteCodePage(int codePage) {
    for (const CodePage& page : kCodePages) {
        if (page.number == codePage) {
            activeCodePage = &page;
            return true;
        }
    }
    return false;
}

int ActiveCodePage() { return activeCodePage->number; }

bool IsLeadByte(unsigned char byte) {
    for (const LeadByteRange& range : activeCodePage->ranges)
        if (range.first != 0 && byte >= range.first && byte <= range.last) return true;
    return false;
}

void MbsBoundedCopy(char* destination, const char* source, std::size_t count) {
    std::size_t i = 0;
    while (i < count && source[i] != '\0') {
        if (IsLeadByte(static_cast<unsigned char>(source[i])) && source[i + 1] != '\0') {
            if (i + 1 == count) break;  // only the lead byte would fit
            destination[i] = source[i];
            ++i;
        }
        destination[i] = source[i];
        ++i;
    }
    if (i < count) std::memset(destination + i, 0, count - i);
}

int MbsCompare(const char* a, const char* b) { return Compare(a, b, false); }

int MbsCompareNoCase(const char* a, const char* b) { return Compare(a, b, true); }

const char* MbsFind(const char* text, const char* needle) {
    std::size_t length = std::strlen(needle);
    for (auto* p = reinterpret_cast<const unsigned char*>(text);; p += CharLength(p)) {
        if (std::strncmp(reinterpret_cast<const char*>(p), needle, length) == 0)
            return reinterpret_cast<const char*>(p);
        if (*p == 0) return nullptr;
    }
}

const char* MbsFindChar(const char* text, unsigned int character) {
    for (auto* p = reinterpret_cast<const unsigned char*>(text);; p += CharLength(p)) {
        unsigned int c = CharLength(p) == 2 ? (p[0] << 8) | p[1] : p[0];
        if (c == character) return reinterpret_cast<const char*>(p);
        if (*p == 0) return nullptr;
    }
}

void MbsReverse(char* text) {
    std::size_t length = std::strlen(text);
    // Swap each double-byte pair first, so that reversing all bytes restores its order.
    for (auto* p = reinterpret_cast<unsigned char*>(text); *p;) {
        std::size_t length = CharLength(p);
        if (length == 2) {
            unsigned char lead = p[0];
            p[0] = p[1];
            p[1] = lead;
        }
        p += length;
    }
    for (std::size_t i = 0, j = length; i + 1 < j; ++i, --j) {
        char c = text[i];
        text[i] = text[j - 1];
        text[j - 1] = c;
    }
}

}  // namespace platform
