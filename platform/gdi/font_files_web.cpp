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

// A family's files by style: regular, bold, italic, bold italic. DejaVu's obliques are not among
// the faces the project installs (fonts-dejavu-core has none), so fontconfig answers an italic
// request with the upright file there, which FreeType slants; so does this table.
struct Family {
    const char *files[4];
};
const Family SANS = {{"/fonts/LiberationSans-Regular.ttf", "/fonts/LiberationSans-Bold.ttf",
                      "/fonts/LiberationSans-Italic.ttf", "/fonts/LiberationSans-BoldItalic.ttf"}};
const Family DEJAVU = {{"/fonts/DejaVuSans.ttf", "/fonts/DejaVuSans-Bold.ttf",
                        "/fonts/DejaVuSans.ttf", "/fonts/DejaVuSans-Bold.ttf"}};
const Family MONO = {{"/fonts/DejaVuSansMono.ttf", "/fonts/DejaVuSansMono-Bold.ttf",
                      "/fonts/DejaVuSansMono.ttf", "/fonts/DejaVuSansMono-Bold.ttf"}};

}  // namespace

const char *font_files_start() {
    return nullptr;
}

// A named face that is bundled is that face; any other request is the sans face (fontconfig
// answers a sans request with Arial's metric twin, Liberation Sans), or the fixed one for fixed
// pitch. fontconfig takes a semibold request (600) and more to the bold file.
bool font_files_find(const char *face, int weight, bool italic, int pitch_family,
                     std::string *file, int *index) {
    bool fixed = (pitch_family & 3) == FIXED_PITCH || (pitch_family & 0xF0) == FF_MODERN;
    const Family *family = &SANS;
    if (strcasecmp(face, "DejaVu Sans Mono") == 0 || (fixed && strcasecmp(face, "DejaVu Sans") != 0))
        family = &MONO;
    else if (strcasecmp(face, "DejaVu Sans") == 0)
        family = &DEJAVU;
    *file = family->files[(weight >= 600 ? 1 : 0) + (italic ? 2 : 0)];
    *index = 0;
    return tavix_web_font_fetch(file->c_str()) != 0;
}
