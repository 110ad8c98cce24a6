// Windows-1252, the 8-bit code page of the layer's text: typed characters are turned into it and
// drawn characters out of it. It is Latin-1 but for 0x80..0x9F.
#include "platform/kernel/codepage.h"

namespace {

// The code points of bytes 0x80..0x9F; 0 marks the five bytes the code page leaves unassigned.
const uint16_t HIGH_CODES[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

uint32_t unicode_from_cp1252(unsigned char c) {
    // An unassigned byte stays itself, so it draws as the face's missing-glyph box.
    if (c < 0x80 || c >= 0xA0 || HIGH_CODES[c - 0x80] == 0) return c;
    return HIGH_CODES[c - 0x80];
}

int cp1252_from_unicode(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return (int)code;
    for (int i = 0; i < 32; ++i)
        if (HIGH_CODES[i] && HIGH_CODES[i] == code) return 0x80 + i;
    return -1;
}
