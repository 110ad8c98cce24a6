// Finding the font file for a face: the seam between drawing text (FreeType, platform/gdi/text.cpp)
// and whatever knows the fonts at hand. fontconfig does it here (font_files_fontconfig.cpp); a
// target without fontconfig gives a table of the fonts it bundles, in a file of its own that the
// build takes instead.
#ifndef TAVIX_PLATFORM_GDI_FONT_FILES_H
#define TAVIX_PLATFORM_GDI_FONT_FILES_H

#include <string>

// Starts the lookup, once, before the first font_files_find; null when it can look, else the
// reason it cannot (text is then not drawn).
const char *font_files_start();

// The file, and the face's index in it, that best answers a CreateFontA request: face (may be
// empty), weight (FW_*, 0 for any), italic, and the pitch and family bits. A face that is not at
// hand falls back to the generic family of the pitch and family bits (sans-serif unless fixed
// pitch or roman). False when nothing at all can be offered.
bool font_files_find(const char *face, int weight, bool italic, int pitch_family, std::string *file,
                     int *index);

#endif
