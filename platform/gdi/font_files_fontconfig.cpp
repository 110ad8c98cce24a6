// Font files found with fontconfig: the installed face that matches a request best.
#include "platform/gdi/font_files.h"

#include "platform/win32.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

const char *font_files_start() {
    return FcInit() ? nullptr : "fontconfig could not be started";
}

bool font_files_find(const char *face, int weight, bool italic, int pitch_family, std::string *file,
                     int *index) {
    bool fixed = (pitch_family & 3) == FIXED_PITCH || (pitch_family & 0xF0) == FF_MODERN;
    FcPattern *pattern = FcPatternCreate();
    if (face[0]) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)face);
    const char *generic = fixed                               ? "monospace"
                          : (pitch_family & 0xF0) == FF_ROMAN ? "serif"
                                                              : "sans-serif";
    // Windows answers a sans request for a face it lacks with Arial; asking for Arial first gets
    // a face with its metrics where one is installed (fontconfig maps it to Liberation Sans), so
    // texts measured for Windows fit their boxes here too.
    if (!fixed && (pitch_family & 0xF0) != FF_ROMAN)
        FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)"Arial");
    FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)generic);
    if (weight > 0)
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::min(weight, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (fixed) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcChar8 *found = nullptr;
    bool any = false;
    *index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &found) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, index);
        *file = (const char *)found;
        any = true;
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return any;
}
