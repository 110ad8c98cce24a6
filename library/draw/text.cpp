// Fonts and any language's text: the font every text is drawn and measured in (an installed face
// or a font file of the program's), and reading texts as UTF-8 for the wide text calls.
#include "library/core/state.h"
#include "library/draw/raster.h"

#include <cstdlib>
#include <cstring>

namespace {

// A font file's family name is read from its naming table, as Windows names a face it adds;
// files larger than this are refused before anything is read.
const long FONT_FILE_LIMIT = 64L * 1024 * 1024;

uint32_t big16(const unsigned char *p) {
    return (uint32_t)p[0] << 8 | p[1];
}

uint32_t big32(const unsigned char *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// size bytes of the stream from offset into buffer; false when the file holds fewer.
bool read_at(FILE *stream, uint32_t offset, unsigned char *buffer, size_t size) {
    return fseek(stream, (long)offset, SEEK_SET) == 0 && fread(buffer, 1, size, stream) == size;
}

}  // namespace

const char *font_family_of(FILE *stream, char *family, size_t room) {
    static const char not_font[] = "not a TrueType or OpenType font";
    static const char no_name[] = "the font has no family name in plain ASCII";
    if (fseek(stream, 0, SEEK_END) != 0) return not_font;
    long length = ftell(stream);
    if (length < 12) return not_font;
    if (length > FONT_FILE_LIMIT) return "the file is larger than 64 MB";
    unsigned char head[12];
    if (!read_at(stream, 0, head, 12)) return not_font;
    uint32_t start = 0;
    if (memcmp(head, "ttcf", 4) == 0) {  // a collection: its first font
        unsigned char first[4];
        if (big32(head + 8) < 1 || !read_at(stream, 12, first, 4)) return not_font;
        start = big32(first);
        if (start > (uint32_t)length - 12 || !read_at(stream, start, head, 12)) return not_font;
    }
    uint32_t tag = big32(head);
    if (tag != 0x00010000u && tag != 0x4F54544Fu /* OTTO */ && tag != 0x74727565u /* true */)
        return not_font;
    uint32_t tables = big16(head + 4);
    if (tables == 0 || tables > 512) return not_font;
    uint32_t name_offset = 0, name_length = 0;
    for (uint32_t i = 0; i < tables; ++i) {
        unsigned char entry[16];
        if (!read_at(stream, start + 12 + 16 * i, entry, 16)) return not_font;
        if (memcmp(entry, "name", 4) == 0) {
            name_offset = big32(entry + 8);
            name_length = big32(entry + 12);
        }
    }
    if (name_length < 6 || name_offset > (uint32_t)length ||
        name_length > (uint32_t)length - name_offset || name_length > (1u << 20))
        return no_name;
    unsigned char *table = (unsigned char *)malloc(name_length);
    if (!table) return no_name;
    const char *why = no_name;
    if (read_at(stream, name_offset, table, name_length)) {
        uint32_t count = big16(table + 2), strings = big16(table + 4);
        // The Windows family name (platform 3), US English first; else the Macintosh one.
        int best = -1, best_rank = 0;
        for (uint32_t i = 0; i < count && 6 + 12 * (i + 1) <= name_length; ++i) {
            const unsigned char *r = table + 6 + 12 * i;
            uint32_t platform = big16(r), encoding = big16(r + 2), language = big16(r + 4);
            if (big16(r + 6) != 1) continue;
            int rank = platform == 3 && (encoding == 0 || encoding == 1)
                           ? (language == 0x409 ? 3 : 2)
                           : (platform == 1 && encoding == 0 && language == 0 ? 1 : 0);
            if (rank > best_rank) {
                best_rank = rank;
                best = (int)i;
            }
        }
        if (best >= 0) {
            const unsigned char *r = table + 6 + 12 * best;
            uint32_t size = big16(r + 8), at = strings + big16(r + 10);
            bool wide = best_rank >= 2;
            size_t used = 0;
            bool plain = at <= name_length && size <= name_length - at && size > 0;
            for (uint32_t i = 0; plain && i < size; i += wide ? 2 : 1) {
                uint32_t c = wide ? (i + 1 < size ? big16(table + at + i) : 0x10000) : table[at + i];
                if (c < 0x20 || c > 0x7E || used + 1 >= room) plain = false;
                else family[used++] = (char)c;
            }
            if (plain && used > 0) {
                family[used] = '\0';
                why = nullptr;
            }
        }
    }
    free(table);
    return why;
}

// Whether a font name stands for a file: it holds a folder separator or ends as font files do.
static bool names_file(const char *name) {
    if (strchr(name, '/') || strchr(name, '\\')) return true;
    size_t length = strlen(name);
    static const char *const endings[] = {".ttf", ".otf", ".ttc"};
    for (const char *ending : endings) {
        if (length < 4) break;
        bool same = true;
        for (int i = 0; i < 4; ++i) {
            char c = name[length - 4 + i];
            if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
            if (c != ending[i]) same = false;
        }
        if (same) return true;
    }
    return false;
}

int TAVIX_set_font(const char *name_or_file, int style) {
    TextSettings &t = library_state.text;
    if (style & ~(TAVIX_FONT_BOLD | TAVIX_FONT_ITALIC)) {
        int kept = style & (TAVIX_FONT_BOLD | TAVIX_FONT_ITALIC);
        TAVIX_console_printf("Font style %d not possible, using %d\n", style, kept);
        style = kept;
    }
    char face[LF_FACESIZE] = "";
    if (name_or_file && name_or_file[0]) {
        if (names_file(name_or_file)) {
            const char *why = nullptr;
            FILE *stream = open_regular_file(name_or_file, false, &why);
            if (stream) {
                why = font_family_of(stream, face, sizeof face);
                fclose(stream);
            }
            if (!why && AddFontResourceExA(name_or_file, FR_PRIVATE, nullptr) == 0)
                why = "not a font this system can draw";
            if (why) {
                TAVIX_console_printf("Font %s not used: %s; the font stays as it was\n",
                                     name_or_file, why);
                return 0;
            }
        } else {
            size_t length = strnlen(name_or_file, sizeof face);
            if (length >= sizeof face) {
                TAVIX_console_printf("Font name %.*s... is longer than %d characters; the font "
                                     "stays as it was\n",
                                     (int)sizeof face - 1, name_or_file, (int)sizeof face - 1);
                return 0;
            }
            memcpy(face, name_or_file, length + 1);
        }
    }
    memcpy(t.face, face, sizeof face);
    t.style = style;
    // Fonts are kept per font asked for: a new number for each, 0 for the default one.
    t.font_number = face[0] || style ? ++t.fonts_made : 0;
    if (library_state.draw.logging) {
        const char *styles[] = {"", ", bold", ", italic", ", bold italic"};
        if (face[0])
            TAVIX_console_printf("Font %s%s\n", name_or_file, styles[style]);
        else
            TAVIX_console_printf("Default font%s\n", styles[style]);
    }
    return 1;
}

int TAVIX_set_utf8(int on) {
    TextSettings &t = library_state.text;
    t.utf8 = on != 0;
    t.text_events = 1;
    if (library_state.draw.logging)
        TAVIX_console_printf("Text read as %s\n", on ? "UTF-8" : "Windows-1252");
    return 1;
}

HFONT make_text_font(int size) {
    const TextSettings &t = library_state.text;
    return CreateFontA(-size, 0, 0, 0, (t.style & TAVIX_FONT_BOLD) ? FW_BOLD : FW_NORMAL,
                       (t.style & TAVIX_FONT_ITALIC) ? TRUE : FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, t.face[0] ? t.face : "TAVIX-font");
}

size_t utf16_from_utf8(const char *text, size_t length, WCHAR *out) {
    const unsigned char *p = (const unsigned char *)text, *end = p + length;
    size_t used = 0;
    while (p < end) {
        uint32_t c = *p, code;
        size_t need;
        uint32_t low = 0x80, high = 0xBF;  // the second byte's range, narrowed for the first
        if (c < 0x80) {
            out[used++] = (WCHAR)c;
            ++p;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            code = c & 0x0F;
            if (c == 0xE0) low = 0xA0;  // no overlong forms
            if (c == 0xED) high = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            code = c & 0x07;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
        } else {
            out[used++] = 0xFFFD;
            ++p;
            continue;
        }
        ++p;
        size_t taken = 0;
        for (; taken < need && p < end; ++taken, ++p) {
            uint32_t b = *p;
            if (b < (taken == 0 ? low : 0x80) || b > (taken == 0 ? high : 0xBF)) break;
            code = code << 6 | (b & 0x3F);
        }
        // A sequence cut short is one U+FFFD; the byte that cut it is read afresh.
        if (taken < need) {
            out[used++] = 0xFFFD;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out[used++] = (WCHAR)(0xD800 + (code >> 10));
            out[used++] = (WCHAR)(0xDC00 + (code & 0x3FF));
        } else {
            out[used++] = (WCHAR)code;
        }
    }
    return used;
}
