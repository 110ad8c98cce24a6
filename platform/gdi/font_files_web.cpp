// Font files in the browser: the page offers the files that fontconfig resolves on Linux for
// the faces the layer asks for (the library's text and menu faces, the stock fonts), cut down to
// the characters the layer can show, in the fonts/ folder beside it (cmake/tavix_web.cmake and
// tavix-web put them there). A file is fetched into /fonts/ of the program's file system the
// first time a face needs it (library_web.js), so a page loads only the fonts its program uses.
// A request is answered from this table as fontconfig answers it there; a face that is not
// offered falls back to the sans face, or to the fixed one for fixed pitch, or the serif one
// for a roman family.
#include "platform/gdi/font_files.h"

#include "platform/win32.h"

#include <strings.h>

extern "C" {
// library_web.js: makes the file present in the file system; 0 when it cannot be fetched.
int tavix_web_font_fetch(const char *path);
}

namespace {

// A family of the faces offered: the names it answers to (fontconfig's aliases give Windows'
// metric twins these files) and its files by style: regular, bold, italic, bold italic.
// DejaVu's obliques and italics are not among the faces the project installs (fonts-dejavu-core
// has none), so fontconfig answers an italic request with the upright file there, which FreeType
// slants; so does this table.
struct Family {
    const char *names[2];
    const char *files[4];
};
const Family FAMILIES[] = {
    {{"Liberation Sans", "Arial"},
     {"/fonts/LiberationSans-Regular.ttf", "/fonts/LiberationSans-Bold.ttf",
      "/fonts/LiberationSans-Italic.ttf", "/fonts/LiberationSans-BoldItalic.ttf"}},
    {{"Liberation Serif", "Times New Roman"},
     {"/fonts/LiberationSerif-Regular.ttf", "/fonts/LiberationSerif-Bold.ttf",
      "/fonts/LiberationSerif-Italic.ttf", "/fonts/LiberationSerif-BoldItalic.ttf"}},
    {{"Liberation Mono", "Courier New"},
     {"/fonts/LiberationMono-Regular.ttf", "/fonts/LiberationMono-Bold.ttf",
      "/fonts/LiberationMono-Italic.ttf", "/fonts/LiberationMono-BoldItalic.ttf"}},
    {{"DejaVu Sans", nullptr},
     {"/fonts/DejaVuSans.ttf", "/fonts/DejaVuSans-Bold.ttf", "/fonts/DejaVuSans.ttf",
      "/fonts/DejaVuSans-Bold.ttf"}},
    {{"DejaVu Sans Mono", nullptr},
     {"/fonts/DejaVuSansMono.ttf", "/fonts/DejaVuSansMono-Bold.ttf", "/fonts/DejaVuSansMono.ttf",
      "/fonts/DejaVuSansMono-Bold.ttf"}},
    {{"DejaVu Serif", nullptr},
     {"/fonts/DejaVuSerif.ttf", "/fonts/DejaVuSerif-Bold.ttf", "/fonts/DejaVuSerif.ttf",
      "/fonts/DejaVuSerif-Bold.ttf"}},
};
const Family &SANS = FAMILIES[0];
const Family &MONO = FAMILIES[4];
const Family &SERIF = FAMILIES[5];

}  // namespace

const char *font_files_start() {
    return nullptr;
}

// A named family that is offered is that family, whatever the pitch asked for; any other request
// is the generic family of its pitch and family bits as fontconfig answers it: DejaVu Sans Mono
// for fixed pitch, DejaVu Serif for roman, else Arial's metric twin, Liberation Sans. fontconfig
// takes a semibold request (600) and more to the bold file.
bool font_files_find(const char *face, int weight, bool italic, int pitch_family,
                     std::string *file, int *index) {
    bool fixed = (pitch_family & 3) == FIXED_PITCH || (pitch_family & 0xF0) == FF_MODERN;
    bool roman = (pitch_family & 0xF0) == FF_ROMAN;
    const Family *family = fixed ? &MONO : roman ? &SERIF : &SANS;
    for (const Family &f : FAMILIES)
        for (const char *name : f.names)
            if (name && strcasecmp(face, name) == 0) family = &f;
    *file = family->files[(weight >= 600 ? 1 : 0) + (italic ? 2 : 0)];
    *index = 0;
    return tavix_web_font_fetch(file->c_str()) != 0;
}
