// Font files in the browser: the page offers the files that fontconfig resolves on Linux for
// the faces the layer asks for (the library's text and menu faces, the stock fonts), cut down to
// the characters the layer can show, in the fonts/ folder beside it (cmake/tavix_web.cmake and
// tavix-web put them there). A file is fetched into /fonts/ of the program's file system the
// first time a face needs it (library_web.js), so a page loads only the fonts its program uses.
// A request is answered from this table as fontconfig answers it there; a face that is not
// offered falls back to the sans face, or to the fixed one for fixed pitch.
#include "platform/gdi/font_files.h"

#include "platform/win32.h"

#include <strings.h>

extern "C" {
// library_web.js: makes the file present in the file system; 0 when it cannot be fetched.
int tavix_web_font_fetch(const char *path);
}

namespace {

const char *const SANS = "/fonts/LiberationSans-Regular.ttf";
const char *const SANS_BOLD = "/fonts/LiberationSans-Bold.ttf";
const char *const DEJAVU = "/fonts/DejaVuSans.ttf";
const char *const DEJAVU_BOLD = "/fonts/DejaVuSans-Bold.ttf";
const char *const MONO = "/fonts/DejaVuSansMono.ttf";

}  // namespace

const char *font_files_start() {
    return nullptr;
}

// A named face that is bundled is that face; any other request is the sans face (fontconfig
// answers a sans request with Arial's metric twin, Liberation Sans), or the fixed one for fixed
// pitch. fontconfig takes a semibold request (600) and more to the bold file; a bold fixed
// request gets the regular file, which FreeType then emboldens.
bool font_files_find(const char *face, int weight, bool, int pitch_family, std::string *file,
                     int *index) {
    bool fixed = (pitch_family & 3) == FIXED_PITCH || (pitch_family & 0xF0) == FF_MODERN;
    bool bold = weight >= 600;
    if (strcasecmp(face, "DejaVu Sans Mono") == 0 || (fixed && strcasecmp(face, "DejaVu Sans") != 0))
        *file = MONO;
    else if (strcasecmp(face, "DejaVu Sans") == 0)
        *file = bold ? DEJAVU_BOLD : DEJAVU;
    else
        *file = bold ? SANS_BOLD : SANS;
    *index = 0;
    return tavix_web_font_fetch(file->c_str()) != 0;
}
