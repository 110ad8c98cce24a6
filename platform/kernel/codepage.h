// The 8-bit code page Windows-1252, one table for typed characters and drawn glyphs alike.
#ifndef TAVIX_PLATFORM_KERNEL_CODEPAGE_H
#define TAVIX_PLATFORM_KERNEL_CODEPAGE_H

#include <cstdint>

// The Unicode code point of a Windows-1252 byte (an unassigned byte stays itself).
uint32_t unicode_from_cp1252(unsigned char c);
// The Windows-1252 byte of a code point, -1 when the code page has none.
int cp1252_from_unicode(uint32_t code);

#endif
