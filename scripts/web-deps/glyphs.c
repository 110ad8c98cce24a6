/* Renders glyphs the way the platform layer's text code does (platform/gdi/text.cpp) and writes
 * every bitmap, so one FreeType build's glyphs can be compared byte for byte with another's.
 * Compiled natively against the machine's FreeType and with emscripten against the browser
 * build's; glyph-test.sh runs both and compares.
 *
 *   glyphs DUMP FONT...
 *
 * DUMP receives, per glyph, its advance, placement, size and bitmap rows; standard output one
 * line per case (font, size, mode, synthetic style) with a hash of the case's bytes, so a
 * difference can be told by case. Sizes: every whole pixel em from 8 to 40 and the same plus a
 * third of a pixel (the layer's cell heights give fractional ems), as the layer sets them
 * (FT_Set_Char_Size at 72 dpi), in both its modes: hinted for monochrome (its small sizes) and
 * hinted for anti-aliasing; the first two fonts also with the synthetic italic and bold the layer
 * applies to faces lacking them. */
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The characters: printable ASCII and some of Latin-1 (as Unicode). */
static const unsigned CHARS_EXTRA[] = {0xA9, 0xC4, 0xC9, 0xD6, 0xDF, 0xE0, 0xE9, 0xF1, 0xFC, 0xFF};

static FILE *dump;
static uint64_t hash;

static void put(const void *data, size_t size) {
    const unsigned char *p = data;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 0x100000001b3ULL;
    if (fwrite(data, 1, size, dump) != size) {
        perror("glyphs: writing the dump");
        exit(1);
    }
}

static void put_int(long value) {
    int32_t v = (int32_t)value;
    put(&v, sizeof v);
}

/* One glyph as the layer renders it; a glyph that fails to load or render is recorded as such. */
static void glyph(FT_Face face, unsigned code, int mono, int style) {
    FT_Int32 target = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, target | FT_LOAD_NO_BITMAP) != 0) {
        put_int(-1);
        return;
    }
    FT_GlyphSlot slot = face->glyph;
    if (style == 1) FT_GlyphSlot_Oblique(slot);
    if (style == 2) FT_GlyphSlot_Embolden(slot);
    put_int(slot->advance.x);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        put_int(-2);
        return;
    }
    const FT_Bitmap *bitmap = &slot->bitmap;
    put_int(slot->bitmap_left);
    put_int(slot->bitmap_top);
    put_int(bitmap->width);
    put_int(bitmap->rows);
    put_int(bitmap->pixel_mode);
    size_t row_bytes = bitmap->pixel_mode == FT_PIXEL_MODE_MONO ? (bitmap->width + 7) / 8
                                                                : bitmap->width;
    for (unsigned row = 0; row < bitmap->rows; ++row)
        put(bitmap->buffer + (ptrdiff_t)row * bitmap->pitch, row_bytes);
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: glyphs DUMP FONT...\n");
        return 2;
    }
    dump = fopen(argv[1], "wb");
    if (!dump) {
        perror(argv[1]);
        return 1;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        fprintf(stderr, "glyphs: FreeType could not be started\n");
        return 1;
    }
    for (int font = 2; font < argc; ++font) {
        FT_Face face;
        if (FT_New_Face(library, argv[font], 0, &face) != 0) {
            fprintf(stderr, "glyphs: cannot open %s\n", argv[font]);
            return 1;
        }
        const char *name = strrchr(argv[font], '/') ? strrchr(argv[font], '/') + 1 : argv[font];
        int styles = font < 4 ? 3 : 1;
        for (int px = 8; px <= 40; ++px)
            for (int third = 0; third <= 1; ++third)
                for (int mono = 1; mono >= 0; --mono)
                    for (int style = 0; style < styles; ++style) {
                        FT_F26Dot6 size = px * 64 + third * 21;
                        FT_Set_Char_Size(face, size, size, 72, 72);
                        hash = 0xcbf29ce484222325ULL;
                        for (unsigned code = 32; code < 127; ++code)
                            glyph(face, code, mono, style);
                        for (size_t i = 0; i < sizeof CHARS_EXTRA / sizeof *CHARS_EXTRA; ++i)
                            glyph(face, CHARS_EXTRA[i], mono, style);
                        printf("%s %d%s %s %s %016llx\n", name, px, third ? "+1/3" : "",
                               mono ? "mono" : "smooth",
                               style == 1 ? "oblique" : style == 2 ? "bold" : "plain",
                               (unsigned long long)hash);
                    }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    if (fclose(dump) != 0) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
