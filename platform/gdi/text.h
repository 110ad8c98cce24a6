// Text: fonts resolved to files (font_files.h) and drawn with FreeType.
#ifndef TAVIX_PLATFORM_GDI_TEXT_H
#define TAVIX_PLATFORM_GDI_TEXT_H

struct GdiFont;

// The font no longer holds its resolved size (the cache may drop the size once none does).
void font_forget(GdiFont *font);

#endif
