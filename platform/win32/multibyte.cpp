#include "platform/multibyte.h"

#include <mbctype.h>
#include <mbstring.h>

namespace platform {
namespace {

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

}  // namespace

bool SetMultibyteCodePage(int codePage) { return _setmbcp(codePage) == 0; }

int ActiveCodePage() { return _getmbcp(); }

bool IsLeadByte(unsigned char byte) { return _ismbblead(byte) != 0; }

void MbsBoundedCopy(char* destination, const char* source, std::size_t count) {
    _mbsnbcpy(reinterpret_cast<unsigned char*>(destination), Bytes(source), count);
}

int MbsCompare(const char* a, const char* b) { return _mbscmp(Bytes(a), Bytes(b)); }

int MbsCompareNoCase(const char* a, const char* b) { return _mbsicmp(Bytes(a), Bytes(b)); }

const char* MbsFind(const char* text, const char* needle) {
    return reinterpret_cast<const char*>(_mbsstr(Bytes(text), Bytes(needle)));
}

const char* MbsFindChar(const char* text, unsigned int character) {
    return reinterpret_cast<const char*>(_mbschr(Bytes(text), character));
}

void MbsReverse(char* text) { _mbsrev(reinterpret_cast<unsigned char*>(text)); }

}  // namespace platform
