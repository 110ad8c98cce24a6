// Text: fonts resolved with fontconfig, glyphs rendered with FreeType and cached per face and size.
#include "platform/gdi/gdi.h"

void font_forget(GdiFont *font) { font->size = nullptr; }
