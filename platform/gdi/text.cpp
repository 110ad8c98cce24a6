// Text: a font asked for with CreateFontA is matched to a font file (font_files.h), sized with
// the rules of Windows' character cells and drawn with FreeType. Matches, sizes and rendered
// glyphs are cached, so a font created and deleted around every call costs a lookup, not a load.
#include "platform/gdi/text.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/fine.h"
#include "platform/gdi/font_files.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"
#include "platform/kernel/codepage.h"
#include "platform/surface.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_SFNT_NAMES_H

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// One font file opened by FreeType, shared by every size of it.
struct FaceEntry {
    FT_Face face;
    bool synthetic_bold;    // a bold weight was asked for and the file is not bold
    bool synthetic_italic;  // an italic was asked for and the file is upright
};

// A stretch of a glyph's row whose pixels are all fully covered or all partly covered.
struct GlyphRun {
    int row, col, length;
    bool solid;  // every pixel fully covered: painted, not blended
};

struct Glyph {
    bool ready;                     // advance known, and coverage too where bitmaps are kept
    int advance;                    // pixels to the next character's origin
    int left, top;                  // bitmap position from the origin on the baseline (top: up)
    int width, height;              // bitmap size
    std::vector<uint8_t> coverage;  // width * height, 0..255
    std::vector<GlyphRun> runs;     // the covered pixels, row by row, left to right
    // Where the covered pixels lie in a surface of plan_stride pixels a row, from the bitmap's
    // corner: made at the first drawing of a small glyph wholly inside its surface, so that the
    // next drawings store pixel after pixel without walking the runs.
    mutable int64_t plan_stride = 0;        // 0: no plan
    mutable std::vector<int32_t> solid_at;  // fully covered pixels
    mutable std::vector<int32_t> blend_at;  // partly covered pixels, with blend_cover's coverage
    mutable std::vector<uint8_t> blend_cover;
};

}  // namespace

struct FontSize {
    FaceEntry *entry;   // the face
    FT_F26Dot6 size_x;  // character size asked of FreeType, 26.6 pixels
    FT_F26Dot6 size_y;
    int ascent, descent;   // pixels above and below the baseline; the cell is their sum
    int internal_leading;  // cell height less the em size
    int external_leading;  // the face's line gap
    int cell_width;        // fixed-pitch fonts with a width: every advance is this; else 0
    int average_width, max_width;
    int reach;   // no glyph's bitmap lies farther than this left of its origin or right of its
                 // advance
    int weight;  // FW_* of what is drawn
    bool italic;
    bool fixed_pitch;
    bool smooth;        // anti-aliased; small sizes are drawn crisp, hinted to whole pixels
    int users;          // fonts resolved to this size; unused sizes may be dropped
    bool keep_bitmaps;  // glyph bitmaps are cached (not at large sizes)
    Glyph glyphs[256];  // by Windows-1252 code
    // The glyphs of code points Windows-1252 has no byte for (wide text), at most WIDE_GLYPHS.
    std::unordered_map<uint32_t, Glyph> wide;
};

namespace {

struct TextState {
    bool started;        // FreeType and the font file lookup are set up
    bool failed;         // set-up failed or nothing matched: text is not drawn
    bool warned;         // the one warning has been printed
    FT_Library library;  // FreeType
    std::map<std::string, FaceEntry *> faces;  // by "file#index#bold#italic"
    std::map<std::tuple<std::string, int, bool, int>, FaceEntry *> matches;  // by request
    std::map<std::tuple<FaceEntry *, int, int>, FontSize *> sizes;  // by face, height, width
    Glyph scratch;  // the glyph being drawn at a size too large to keep bitmaps of
    // Faces of the font files AddFontResourceExA added, found by their family name before any
    // installed face.
    struct PrivateFace {
        std::string family, file;
        int index;
        bool bold, italic;
    };
    std::vector<PrivateFace> private_faces;
};

TextState &text = *new TextState();  // never destroyed: the faces live to the end

const int DEFAULT_CELL = 16;  // cell height of a font asked for with height 0
// Sizes kept in the cache beyond those in use; past it, unused ones are dropped.
const size_t SIZE_CACHE_LIMIT = 64;
// Em sizes up to which rendered glyphs are cached (a glyph then takes at most some 12 KB).
const double KEEP_BITMAPS_UP_TO = 96;
// Em sizes from which glyphs are anti-aliased; below it grey edges only blur the strokes.
const double SMOOTH_FROM = 18;
// Glyphs of code points outside Windows-1252 kept per size; past it the wide cache starts anew.
const size_t WIDE_GLYPHS = 512;

void warn_once(const char *why) {
    if (text.warned) return;
    text.warned = true;
    fprintf(stderr, "tavix: %s; text will not be drawn\n", why);
}

bool text_start() {
    if (text.started) return !text.failed;
    text.started = true;
    if (FT_Init_FreeType(&text.library) != 0) {
        text.failed = true;
        warn_once("FreeType could not be started");
    } else if (const char *why = font_files_start()) {
        text.failed = true;
        warn_once(why);
    }
    return !text.failed;
}

FaceEntry *open_face(const char *file, int index, bool bold, bool italic) {
    char key[4200];
    snprintf(key, sizeof key, "%s#%d#%d#%d", file, index, bold, italic);
    auto found = text.faces.find(key);
    if (found != text.faces.end()) return found->second;
    FT_Face face;
    if (FT_New_Face(text.library, file, index, &face) != 0) return nullptr;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    FaceEntry *entry = new FaceEntry{face, bold && !(face->style_flags & FT_STYLE_FLAG_BOLD),
                                     italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC)};
    text.faces[key] = entry;
    return entry;
}

// The face the font file lookup offers for a request; a family that is not installed falls back
// to the generic family of the pitch and family bits (sans-serif unless fixed pitch or roman).
FaceEntry *match_face(const GdiFont *font) {
    bool bold = font->weight >= 600;
    auto key =
        std::make_tuple(std::string(font->face), font->weight, font->italic, font->pitch_family);
    auto found = text.matches.find(key);
    if (found != text.matches.end()) return found->second;

    FaceEntry *entry = nullptr;
    std::string file;
    int index = 0;
    // A face of an added file: the one of that style, else the family's upright regular one
    // (FreeType then makes the style).
    int best = -1, best_score = -1;
    for (size_t i = 0; i < text.private_faces.size(); ++i) {
        const auto &face = text.private_faces[i];
        if (strcasecmp(face.family.c_str(), font->face) != 0) continue;
        int score = (face.bold == bold ? 2 : (face.bold ? -4 : 0)) +
                    (face.italic == (font->italic != 0) ? 1 : (face.italic ? -4 : 0));
        if (score > best_score) {
            best_score = score;
            best = (int)i;
        }
    }
    if (best >= 0)
        entry = open_face(text.private_faces[best].file.c_str(), text.private_faces[best].index,
                          bold, font->italic);
    else if (font_files_find(font->face, font->weight, font->italic, font->pitch_family, &file,
                             &index))
        entry = open_face(file.c_str(), index, bold, font->italic);
    if (!entry) warn_once("no font could be found");
    text.matches[key] = entry;
    return entry;
}

// The face's ascent and descent in font units: the Windows metrics where the face has them.
void face_extent(FT_Face face, double *ascent, double *descent) {
    TT_OS2 *os2 = (TT_OS2 *)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else {
        *ascent = face->ascender;
        *descent = -face->descender;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM * 0.8;
        *descent = face->units_per_EM * 0.2;
    }
}

FontSize *make_size(FaceEntry *entry, const GdiFont *font) {
    FT_Face face = entry->face;
    FontSize *size = new FontSize();
    size->entry = entry;
    double units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    double ascent_units, descent_units;
    face_extent(face, &ascent_units, &descent_units);
    // Negative heights ask for the em size, positive ones for the whole cell.
    int cell = font->height == 0 ? DEFAULT_CELL : font->height;
    double em;
    if (cell < 0) {
        em = -cell;
        size->ascent = (int)lround(ascent_units * em / units);
        size->descent = (int)lround(descent_units * em / units);
    } else {
        em = cell * units / (ascent_units + descent_units);
        size->ascent = (int)lround(ascent_units * em / units);
        size->descent = cell - size->ascent;
    }
    if (size->ascent + size->descent < 1) size->ascent = 1;
    size->internal_leading = std::max(0, size->ascent + size->descent - (int)lround(em));
    double gap = face->height - face->ascender + face->descender;
    size->external_leading = gap > 0 ? (int)lround(gap * em / units) : 0;
    size->size_y = (FT_F26Dot6)lround(em * 64);
    size->size_x = size->size_y;
    size->fixed_pitch = FT_IS_FIXED_WIDTH(face);
    size->smooth = em >= SMOOTH_FROM;
    size->keep_bitmaps = em <= KEEP_BITMAPS_UP_TO;
    size->italic = font->italic;
    size->weight = font->weight > 0 ? font->weight : FW_NORMAL;

    FT_Set_Char_Size(face, size->size_x, size->size_y, 72, 72);
    double natural = 0;
    FT_UInt x_glyph = FT_Get_Char_Index(face, 'x');
    if (x_glyph && FT_Load_Glyph(face, x_glyph, FT_LOAD_DEFAULT) == 0)
        natural = face->glyph->advance.x / 64.0;
    if (natural <= 0) natural = em / 2;
    if (font->width > 0) {
        if (size->fixed_pitch) {
            // Fixed-pitch cells are honoured exactly; the glyphs sit centred in them.
            size->cell_width = font->width;
        } else {
            size->size_x = (FT_F26Dot6)lround(em * 64 * font->width / natural);
            natural = font->width;
        }
    }
    size->average_width = size->cell_width ? size->cell_width : (int)lround(natural);
    double max_advance = face->max_advance_width * (double)size->size_x / 64.0 / units;
    size->max_width = size->cell_width ? size->cell_width : (int)ceil(max_advance);
    // The face's box, with room for hinting, a synthetic slant (at most a quarter of the cell)
    // and a glyph shifted to centre it in a narrower fixed cell.
    double scale = (double)size->size_x / 64.0 / units;
    double box = std::max(std::abs((double)face->bbox.xMin), std::abs((double)face->bbox.xMax));
    if (box <= 0) box = 2 * units;
    double reach = ceil(box * scale) + (size->ascent + size->descent) / 4 + 4 +
                   (size->cell_width ? ceil(max_advance) : 0);
    size->reach = (int)std::min<double>(reach, INT_MAX / 4);
    return size;
}

// Frees the cached sizes no font uses, with their glyphs (a caller stepping through many sizes
// would otherwise keep every one).
void drop_unused_sizes() {
    for (auto it = text.sizes.begin(); it != text.sizes.end();) {
        if (it->second->users == 0) {
            delete it->second;
            it = text.sizes.erase(it);
        } else {
            ++it;
        }
    }
}

FontSize *size_of(GdiFont *font) {
    if (font->resolved) return font->size;
    font->resolved = true;
    font->size = nullptr;
    if (!text_start()) return nullptr;
    FaceEntry *entry = match_face(font);
    if (!entry) return nullptr;
    auto key = std::make_tuple(entry, font->height, font->width);
    auto found = text.sizes.find(key);
    if (found != text.sizes.end()) {
        font->size = found->second;
    } else {
        if (text.sizes.size() >= SIZE_CACHE_LIMIT) drop_unused_sizes();
        font->size = make_size(entry, font);
        text.sizes[key] = font->size;
    }
    font->size->users++;
    return font->size;
}

// Renders c at the size into glyph: advance, placement and coverage.
void render_glyph(FontSize *size, uint32_t code, Glyph &glyph) {
    glyph.advance = glyph.left = glyph.top = glyph.width = glyph.height = 0;
    glyph.plan_stride = 0;
    glyph.coverage.clear();
    glyph.runs.clear();
    FT_Face face = size->entry->face;
    FT_Set_Char_Size(face, size->size_x, size->size_y, 72, 72);
    FT_UInt index = FT_Get_Char_Index(face, code);
    FT_Int32 load_flags = size->smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(face, index, load_flags | FT_LOAD_NO_BITMAP) != 0 &&
        FT_Load_Glyph(face, 0, load_flags) != 0)
        return;
    FT_GlyphSlot slot = face->glyph;
    if (size->entry->synthetic_italic) FT_GlyphSlot_Oblique(slot);
    if (size->entry->synthetic_bold) FT_GlyphSlot_Embolden(slot);
    int natural_advance = (int)((slot->advance.x + 32) >> 6);
    glyph.advance = size->cell_width ? size->cell_width : natural_advance;
    if (FT_Render_Glyph(slot, size->smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
        return;
    const FT_Bitmap &bitmap = slot->bitmap;
    glyph.left =
        slot->bitmap_left + (size->cell_width ? (size->cell_width - natural_advance) / 2 : 0);
    glyph.top = slot->bitmap_top;
    glyph.width = (int)bitmap.width;
    glyph.height = (int)bitmap.rows;
    glyph.coverage.assign((size_t)glyph.width * glyph.height, 0);
    for (int row = 0; row < glyph.height; ++row) {
        const unsigned char *src = bitmap.buffer + (ptrdiff_t)row * bitmap.pitch;
        for (int col = 0; col < glyph.width; ++col) {
            uint8_t value;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                value = (src[col >> 3] >> (7 - (col & 7))) & 1 ? 255 : 0;
            else
                value = src[col];
            glyph.coverage[(size_t)row * glyph.width + col] = value;
        }
    }
    glyph.runs.clear();
    for (int row = 0; row < glyph.height; ++row) {
        const uint8_t *cover = glyph.coverage.data() + (size_t)row * glyph.width;
        for (int col = 0; col < glyph.width;) {
            if (cover[col] == 0) {
                ++col;
                continue;
            }
            bool solid = cover[col] == 255;
            int start = col;
            while (col < glyph.width && cover[col] != 0 && (cover[col] == 255) == solid) ++col;
            glyph.runs.push_back(GlyphRun{row, start, col - start, solid});
        }
    }
}

// The glyph of c with its coverage. Glyphs of large sizes are rendered afresh each time (only
// their advances are kept), so that a few huge texts cannot fill memory with bitmaps.
// A character of a text: a Windows-1252 byte (the A calls) or a code point (the W calls).
struct Char {
    uint32_t code;  // its code point
    int byte;       // its byte in Windows-1252, -1 for none
};

inline Char char_of(unsigned char c) {
    return Char{unicode_from_cp1252(c), c};
}

inline Char char_of(char c) {
    return char_of((unsigned char)c);
}

inline Char char_of(uint32_t code) {
    int byte = cp1252_from_unicode(code);
    return Char{code, byte >= 0 && unicode_from_cp1252((unsigned char)byte) == code ? byte : -1};
}

// The cache slot of a character at a size.
Glyph &slot_of(FontSize *size, Char c) {
    if (c.byte >= 0) return size->glyphs[c.byte];
    auto found = size->wide.find(c.code);
    if (found != size->wide.end()) return found->second;
    if (size->wide.size() >= WIDE_GLYPHS) size->wide.clear();
    return size->wide[c.code];
}

const Glyph &glyph_of(FontSize *size, Char c) {
    Glyph &glyph = slot_of(size, c);
    if (size->keep_bitmaps) {
        if (!glyph.ready) render_glyph(size, c.code, glyph);
        glyph.ready = true;
        return glyph;
    }
    render_glyph(size, c.code, text.scratch);
    glyph.advance = text.scratch.advance;
    glyph.ready = true;
    return text.scratch;
}

int advance_of(FontSize *size, Char c) {
    const Glyph &glyph = slot_of(size, c);
    return glyph.ready ? glyph.advance : glyph_of(size, c).advance;
}

// One pixel of fg over bg at coverage a: each channel is (f a + b (255 - a) + 127) / 255, red and
// blue side by side in one word; (x + 128 + ((x + 128) >> 8)) >> 8 is that quotient exactly for
// x < 2^16.
inline uint32_t blend_pixel(uint32_t fg, uint32_t bg, uint32_t a) {
    uint32_t rb = (fg & 0xFF00FFu) * a + (bg & 0xFF00FFu) * (255 - a) + 0x800080u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    uint32_t g = ((fg >> 8) & 0xFFu) * a + ((bg >> 8) & 0xFFu) * (255 - a) + 0x80u;
    return rb | (((g + (g >> 8)) >> 8) << 8);
}

#ifdef __SSE2__
// Four pixels of fg (fg16: its channels in 16-bit lanes) over bg at the coverages in the four
// bytes of cover, each channel in a 16-bit lane with blend_pixel's arithmetic (every intermediate
// stays under 2^16); the fourth byte comes out 0 as it does there.
inline __m128i blend_four(__m128i fg16, __m128i bg, uint32_t cover) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
    __m128i a = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)cover), zero);
    a = _mm_unpacklo_epi16(a, a);  // a0 a0 a1 a1 a2 a2 a3 a3
    __m128i a_lo = _mm_unpacklo_epi32(a, a), a_hi = _mm_unpackhi_epi32(a, a);
    __m128i lo = _mm_unpacklo_epi8(bg, zero), hi = _mm_unpackhi_epi8(bg, zero);
    lo = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(fg16, a_lo), _mm_mullo_epi16(lo, _mm_sub_epi16(full, a_lo))),
        half);
    hi = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(fg16, a_hi), _mm_mullo_epi16(hi, _mm_sub_epi16(full, a_hi))),
        half);
    lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
    hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
    return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF));
}
#endif

// Glyphs up to this many pixels get a plan (see Glyph); text sizes up to some 60 pixels.
const int PLAN_PIXELS_UP_TO = 4096;

void make_plan(const Glyph &glyph, int64_t stride) {
    glyph.solid_at.clear();
    glyph.blend_at.clear();
    glyph.blend_cover.clear();
    for (const GlyphRun &run : glyph.runs) {
        const uint8_t *cover = glyph.coverage.data() + (size_t)run.row * glyph.width;
        for (int col = run.col; col < run.col + run.length; ++col) {
            int32_t at = (int32_t)(run.row * stride + col);
            if (run.solid) {
                glyph.solid_at.push_back(at);
            } else {
                glyph.blend_at.push_back(at);
                glyph.blend_cover.push_back(cover[col]);
            }
        }
    }
    glyph.plan_stride = stride;
}

// Blends a glyph's coverage onto the canvas in colour, the glyph's origin at logical (x, y).
void blend_glyph(const Canvas &canvas, const Glyph &glyph, int64_t x, int64_t y, COLORREF colour) {
    int64_t left = x + glyph.left + canvas.origin_x, top = y - glyph.top + canvas.origin_y;
    int64_t col0 = std::max<int64_t>(0, canvas.clip_left - left);
    int64_t col1 = std::min<int64_t>(glyph.width, canvas.clip_right - left);
    int64_t row0 = std::max<int64_t>(0, canvas.clip_top - top);
    int64_t row1 = std::min<int64_t>(glyph.height, canvas.clip_bottom - top);
    uint32_t fg = pixel_from_colorref(colour);
    int64_t stride = canvas.surface->width;
    uint32_t *origin = canvas.surface->pixels + top * stride + left;  // the bitmap's corner
    bool whole = row0 == 0 && row1 == glyph.height && col0 == 0 && col1 == glyph.width;
    if (whole && (int64_t)glyph.width * glyph.height <= PLAN_PIXELS_UP_TO &&
        (int64_t)glyph.height * stride <= INT32_MAX) {
        if (glyph.plan_stride != stride) make_plan(glyph, stride);
        for (int32_t at : glyph.solid_at) origin[at] = fg;
        const int32_t *at = glyph.blend_at.data();
        const uint8_t *cover = glyph.blend_cover.data();
        size_t count = glyph.blend_at.size(), i = 0;
#ifdef __SSE2__
        // Four pixels from anywhere in the glyph gathered, blended together and put back.
        const __m128i fg16 = _mm_unpacklo_epi8(_mm_set1_epi32((int)fg), _mm_setzero_si128());
        for (; i + 4 <= count; i += 4) {
            uint32_t *p0 = origin + at[i], *p1 = origin + at[i + 1], *p2 = origin + at[i + 2],
                     *p3 = origin + at[i + 3];
            uint32_t four;
            memcpy(&four, cover + i, 4);
            __m128i out =
                blend_four(fg16, _mm_set_epi32((int)*p3, (int)*p2, (int)*p1, (int)*p0), four);
            *p0 = (uint32_t)_mm_cvtsi128_si32(out);
            *p1 = (uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(out, 4));
            *p2 = (uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(out, 8));
            *p3 = (uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(out, 12));
        }
#endif
        for (; i < count; ++i) origin[at[i]] = blend_pixel(fg, origin[at[i]], cover[i]);
        return;
    }
    for (const GlyphRun &run : glyph.runs) {
        int64_t from = run.col, to = run.col + run.length;
        if (!whole) {
            if (run.row < row0) continue;
            if (run.row >= row1) break;
            from = std::max(from, col0);
            to = std::min(to, col1);
        }
        uint32_t *out = origin + run.row * stride;
        if (run.solid) {
            for (int64_t col = from; col < to; ++col) out[col] = fg;
            continue;
        }
        const uint8_t *cover = glyph.coverage.data() + (size_t)run.row * glyph.width;
        int64_t col = from;
#ifdef __SSE2__
        if (to - col >= 4) {
            const __m128i fg16 = _mm_unpacklo_epi8(_mm_set1_epi32((int)fg), _mm_setzero_si128());
            for (; to - col >= 4; col += 4) {
                uint32_t four;
                memcpy(&four, cover + col, 4);
                __m128i bg = _mm_loadu_si128((const __m128i *)(out + col));
                _mm_storeu_si128((__m128i *)(out + col), blend_four(fg16, bg, four));
            }
        }
#endif
        for (; col < to; ++col) out[col] = blend_pixel(fg, out[col], cover[col]);
    }
}

// Cell height and advance of a font without a face, so that layout still works without fonts.
int fallback_height(const GdiFont *font) {
    int h = font->height == 0 ? DEFAULT_CELL : font->height;
    return h < 0 ? -h + (-h) / 5 : h;
}

template <typename C>
int64_t text_width(FontSize *size, const GdiFont *font, const C *chars, int count) {
    int64_t width = 0;
    for (int i = 0; i < count; ++i)
        width += size ? advance_of(size, char_of(chars[i]))
                      : (font->width > 0 ? font->width : fallback_height(font) / 2);
    return width;
}

// The font's size at scale times its height (and width), for the larger companion of a surface
// on a scaled screen. Sizes made here are shared with fonts asked for at that height and, like
// theirs, kept while the cache has room; nothing holds one past the call that draws with it.
FontSize *scaled_size_of(GdiFont *font, FontSize *size, int scale) {
    GdiFont big = *font;
    big.height = (font->height == 0 ? DEFAULT_CELL : font->height) * scale;
    big.width = font->width * scale;
    auto key = std::make_tuple(size->entry, big.height, big.width);
    auto found = text.sizes.find(key);
    if (found != text.sizes.end()) return found->second;
    if (text.sizes.size() >= SIZE_CACHE_LIMIT) drop_unused_sizes();
    FontSize *made = make_size(size->entry, &big);
    text.sizes[key] = made;
    return made;
}

// Where a text drawn at 1x is drawn again into the larger companion of the canvas's surface:
// the 1x cell with room for the glyphs' reach around it, in surface pixels; empty when clipped.
struct FineText {
    int n;               // the companion's scale
    FontSize *big;       // the font at n times its size
    int64_t l, t, r, b;  // the box
};

FineText fine_text_box(const Canvas &canvas, GdiFont *font, FontSize *size, int64_t x, int64_t y,
                       int64_t width) {
    FineText f;
    f.n = fine_scale(canvas.surface);
    f.big = scaled_size_of(font, size, f.n);
    int64_t reach = (f.big->reach + f.n - 1) / f.n + 1;
    f.l = std::max<int64_t>(x + canvas.origin_x - reach, canvas.clip_left);
    f.r = std::min<int64_t>(x + canvas.origin_x + width + reach, canvas.clip_right);
    f.t = std::max<int64_t>(y + canvas.origin_y - reach, canvas.clip_top);
    f.b = std::min<int64_t>(y + canvas.origin_y + size->ascent + size->descent + reach,
                            canvas.clip_bottom);
    return f;
}

// Draws the text into the companion with the font n times larger: the opaque cell n times larger
// and each character at its 1x pen position times n, so the layout is the 1x layout and only
// the glyphs are finer. The box was brought up to date before the 1x drawing; it is marked now,
// so what is drawn here is what the screen shows until those pixels are drawn over.
template <typename C>
void draw_fine(const Canvas &canvas, const FineText &f, const GdiDC *dc, FontSize *size, int64_t x,
               int64_t y, const C *chars, int count, int64_t width) {
    if (f.l >= f.r || f.t >= f.b) return;
    int n = f.n;
    fine_mark(canvas.surface, (int)f.l, (int)f.t, (int)f.r, (int)f.b);
    Canvas fine = {canvas.surface->fine, canvas.origin_x * n, canvas.origin_y * n, (int)f.l * n,
                   (int)f.t * n,         (int)f.r * n,        (int)f.b * n};
    if (dc->bk_mode == OPAQUE)
        canvas_fill(fine, x * n, y * n, (x + width) * n, (y + size->ascent + size->descent) * n,
                    dc->bk_colour);
    int64_t reach = (f.big->reach + n - 1) / n + 1;
    int64_t pen = x, baseline = y * n + f.big->ascent;
    for (int i = 0; i < count && pen + canvas.origin_x - reach < f.r; ++i) {
        Char c = char_of(chars[i]);
        int advance = advance_of(size, c);
        if (pen + advance + canvas.origin_x + reach > f.l) {
            const Glyph &glyph = glyph_of(f.big, c);
            if (glyph.width > 0) blend_glyph(fine, glyph, pen * n, baseline, dc->text_colour);
        }
        pen += advance;
    }
}

}  // namespace

void font_forget(GdiFont *font) {
    if (font->size) font->size->users--;
    font->size = nullptr;
    font->resolved = false;
}

namespace {

template <typename C>
BOOL text_out(HDC handle, int x, int y, const C *chars, int count) {
    GdiDC *dc = dc_get(handle);
    GdiFont *font = dc ? dc->font_record : nullptr;
    if (!font || count < 0 || (!chars && count > 0)) return FALSE;
    if (count == 0) return TRUE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    FontSize *size = size_of(font);
    if (!size) return TRUE;
    int64_t baseline = (int64_t)y + size->ascent;
    // On a scaled screen the text is drawn into the surface's larger companion too; what lies
    // under it there is brought up to date first, as the 1x drawing is about to change it.
    bool fine = canvas.surface->fine != nullptr;
    int64_t width = dc->bk_mode == OPAQUE || fine ? text_width(size, font, chars, count) : 0;
    FineText fine_box = {};
    if (fine) {
        fine_box = fine_text_box(canvas, font, size, x, y, width);
        if (fine_box.l < fine_box.r && fine_box.t < fine_box.b)
            fine_sync(canvas.surface, (int)fine_box.l, (int)fine_box.t, (int)fine_box.r,
                      (int)fine_box.b);
    }
    if (dc->bk_mode == OPAQUE)
        canvas_fill(canvas, x, y, x + width, (int64_t)y + size->ascent + size->descent,
                    dc->bk_colour);
    // Characters wholly left of the surface only advance the pen (their bitmaps are never
    // rendered); those right of it are skipped.
    int64_t pen = x, right_edge = canvas.clip_right - canvas.origin_x;
    int64_t left_edge = canvas.clip_left - canvas.origin_x - size->reach;
    int64_t row_top = y + canvas.origin_y, row_bottom = row_top + size->ascent + size->descent;
    if (row_bottom > canvas.clip_top - 64 && row_top < canvas.clip_bottom + 64) {
        int i = 0;
        for (; i < count; ++i) {
            int advance = advance_of(size, char_of(chars[i]));
            if (pen + advance >= left_edge) break;
            pen += advance;
        }
        for (; i < count && pen < right_edge + 64; ++i) {
            const Glyph &glyph = glyph_of(size, char_of(chars[i]));
            if (glyph.width > 0) blend_glyph(canvas, glyph, pen, baseline, dc->text_colour);
            pen += glyph.advance;
        }
    }
    if (fine) draw_fine(canvas, fine_box, dc, size, x, y, chars, count, width);
    // The pen stops after the last glyph drawn, the opaque cell at x + width; glyphs reach
    // farther than their cell by at most the size's reach.
    int64_t reach = size->reach + 1;
    dc_painted_box(dc, canvas, x - reach, y - reach, std::max(pen, x + width) + reach,
                   (int64_t)y + size->ascent + size->descent + reach);
    return TRUE;
}

template <typename C>
BOOL text_extent(HDC handle, const C *chars, int count, LPSIZE extent) {
    GdiDC *dc = dc_get(handle);
    GdiFont *font = dc ? dc->font_record : nullptr;
    if (!font || !extent || count < 0 || (!chars && count > 0)) return FALSE;
    FontSize *size = size_of(font);
    int64_t width = text_width(size, font, chars, count);
    extent->cx = (LONG)std::min<int64_t>(width, INT32_MAX);
    extent->cy = size ? size->ascent + size->descent : fallback_height(font);
    return TRUE;
}

// The code points of a UTF-16 text: a surrogate that is not half of a pair is U+FFFD.
std::vector<uint32_t> code_points(LPCWSTR chars, int count) {
    std::vector<uint32_t> codes;
    codes.reserve((size_t)count);
    for (int i = 0; i < count; ++i) {
        uint32_t unit = chars[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && chars[i + 1] >= 0xDC00 &&
            chars[i + 1] <= 0xDFFF) {
            codes.push_back(0x10000 + ((unit - 0xD800) << 10) + (chars[i + 1] - 0xDC00u));
            ++i;
        } else {
            codes.push_back(unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return codes;
}

}  // namespace

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR chars, int count) {
    return text_out(handle, x, y, chars, count);
}

BOOL WINAPI GetTextExtentPoint32A(HDC handle, LPCSTR chars, int count, LPSIZE extent) {
    return text_extent(handle, chars, count, extent);
}

BOOL WINAPI TextOutW(HDC handle, int x, int y, LPCWSTR chars, int count) {
    if (count < 0 || (!chars && count > 0)) return FALSE;
    std::vector<uint32_t> codes = code_points(chars, count);
    return text_out(handle, x, y, codes.data(), (int)codes.size());
}

BOOL WINAPI GetTextExtentPoint32W(HDC handle, LPCWSTR chars, int count, LPSIZE extent) {
    if (count < 0 || (!chars && count > 0)) return FALSE;
    std::vector<uint32_t> codes = code_points(chars, count);
    return text_extent(handle, codes.data(), (int)codes.size(), extent);
}

BOOL WINAPI GetTextExtentPointA(HDC handle, LPCSTR chars, int count, LPSIZE extent) {
    return GetTextExtentPoint32A(handle, chars, count, extent);
}

BOOL WINAPI GetTextMetricsA(HDC handle, LPTEXTMETRICA metrics) {
    GdiDC *dc = dc_get(handle);
    GdiFont *font = dc ? dc->font_record : nullptr;
    if (!font || !metrics) return FALSE;
    FontSize *size = size_of(font);
    memset(metrics, 0, sizeof *metrics);
    if (size) {
        metrics->tmAscent = size->ascent;
        metrics->tmDescent = size->descent;
        metrics->tmInternalLeading = size->internal_leading;
        metrics->tmExternalLeading = size->external_leading;
        metrics->tmAveCharWidth = size->average_width;
        metrics->tmMaxCharWidth = size->max_width;
        metrics->tmWeight = size->weight;
        metrics->tmItalic = size->italic;
    } else {
        int h = fallback_height(font);
        metrics->tmAscent = h - h / 5;
        metrics->tmDescent = h / 5;
        metrics->tmAveCharWidth = metrics->tmMaxCharWidth = font->width > 0 ? font->width : h / 2;
        metrics->tmWeight = font->weight > 0 ? font->weight : FW_NORMAL;
        metrics->tmItalic = font->italic;
    }
    metrics->tmHeight = metrics->tmAscent + metrics->tmDescent;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFF;
    metrics->tmDefaultChar = 0x1F;
    metrics->tmBreakChar = 0x20;
    // Windows' naming is inverted: the low bit set means a variable-pitch font.
    bool fixed = size ? size->fixed_pitch : (font->pitch_family & 3) == FIXED_PITCH;
    metrics->tmPitchAndFamily = (BYTE)((font->pitch_family & 0xF0) | (fixed ? 0 : 1));
    metrics->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

namespace {

// The family name Windows knows a face by: the naming table's family (name 1), Windows' own US
// English one first, else any of Windows' own, else the Macintosh one; plain ASCII only.
std::string windows_family(FT_Face face) {
    FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    int best_rank = 0;
    std::string best;
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != 1) continue;
        int rank = name.platform_id == 3 && (name.encoding_id == 0 || name.encoding_id == 1)
                       ? (name.language_id == 0x409 ? 3 : 2)
                       : (name.platform_id == 1 && name.encoding_id == 0 && name.language_id == 0
                              ? 1
                              : 0);
        if (rank <= best_rank) continue;
        best_rank = rank;
        best.clear();
        bool wide = rank >= 2;
        for (FT_UInt at = 0; at < name.string_len; at += wide ? 2 : 1) {
            unsigned c = wide ? (at + 1 < name.string_len
                                     ? (unsigned)name.string[at] << 8 | name.string[at + 1]
                                     : 0x10000u)
                              : name.string[at];
            if (c < 0x20 || c > 0x7E) {
                best.clear();
                break;
            }
            best += (char)c;
        }
        if (best.empty()) best_rank = 0;
    }
    return best;
}

// Font files larger than this are not opened.
const off_t FONT_FILE_LIMIT = (off_t)64 * 1024 * 1024;

}  // namespace

int WINAPI AddFontResourceExA(LPCSTR file, DWORD flags, void *) {
    if (!file || !file[0] || !(flags & FR_PRIVATE) || !text_start()) return 0;
    struct stat info;
    if (stat(file, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > FONT_FILE_LIMIT)
        return 0;
    for (const auto &face : text.private_faces)
        if (face.file == file) return 1;
    FT_Face first;
    if (FT_New_Face(text.library, file, 0, &first) != 0) return 0;
    long faces = std::min<long>(first->num_faces, 64);
    FT_Done_Face(first);
    int added = 0;
    for (long index = 0; index < faces; ++index) {
        FT_Face face;
        if (FT_New_Face(text.library, file, index, &face) != 0) continue;
        // A face that draws: scalable, with glyphs, a Unicode map and a glyph that loads.
        bool usable = FT_IS_SCALABLE(face) && face->num_glyphs > 0 &&
                      FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0 && face->units_per_EM > 0 &&
                      FT_Set_Char_Size(face, 0, 16 * 64, 72, 72) == 0 &&
                      FT_Load_Glyph(face, FT_Get_Char_Index(face, 'A'), FT_LOAD_DEFAULT) == 0;
        std::string family = usable ? windows_family(face) : std::string();
        if (!family.empty() && family.size() < LF_FACESIZE) {
            text.private_faces.push_back(
                TextState::PrivateFace{family, file, (int)index,
                                       (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                                       (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0});
            ++added;
        }
        FT_Done_Face(face);
    }
    // Requests answered before may name the file's faces now.
    if (added) text.matches.clear();
    return added;
}

BOOL WINAPI RemoveFontResourceExA(LPCSTR file, DWORD flags, void *) {
    if (!file || !(flags & FR_PRIVATE)) return FALSE;
    auto &faces = text.private_faces;
    size_t before = faces.size();
    faces.erase(std::remove_if(faces.begin(), faces.end(),
                               [file](const TextState::PrivateFace &f) { return f.file == file; }),
                faces.end());
    if (faces.size() == before) return FALSE;
    // Fonts matched before no longer stand for the file's faces.
    text.matches.clear();
    return TRUE;
}
