// GDI objects: pens, brushes, bitmaps and fonts, the stock objects, and their deletion. An object
// deleted while a context has it selected lives on until the last context lets go of it, so a
// context never paints with freed memory.
#include "platform/gdi/objects.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/fine.h"
#include "platform/gdi/text.h"
#include "platform/kernel/handles.h"
#include "platform/surface.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Stock objects are made on first use under permanent handles; index by the stock number.
const int STOCK_COUNT = DEFAULT_GUI_FONT + 1;
HGDIOBJ stock[STOCK_COUNT];

// Bitmaps larger than this many pixels are refused rather than allocated (1 GiB of pixels).
const int64_t MAX_BITMAP_PIXELS = (int64_t)1 << 28;

// Each maker returns null when memory cannot be had; the stock object is made at a later call.
HGDIOBJ make_stock_pen(COLORREF colour, int style) {
    GdiPen *pen = (GdiPen *)calloc(1, sizeof(GdiPen));
    if (!pen) return nullptr;
    pen->style = style;
    pen->width = 1;
    pen->colour = colour;
    return handle_new(HANDLE_PEN, pen, true);
}

HGDIOBJ make_stock_brush(COLORREF colour, bool hollow) {
    GdiBrush *brush = (GdiBrush *)calloc(1, sizeof(GdiBrush));
    if (!brush) return nullptr;
    brush->colour = colour;
    brush->hollow = hollow;
    return handle_new(HANDLE_BRUSH, brush, true);
}

GdiFont *font_new(int height, int width, int weight, bool italic, int pitch_family,
                  const char *face) {
    GdiFont *font = (GdiFont *)calloc(1, sizeof(GdiFont));
    if (!font) return nullptr;
    font->height = height;
    font->width = width;
    font->weight = weight;
    font->italic = italic;
    font->pitch_family = pitch_family;
    // Cut to fit, as snprintf would, without its cost on every font made per text.
    size_t length = face ? strnlen(face, sizeof font->face - 1) : 0;
    if (length > 0) memcpy(font->face, face, length);
    font->face[length] = '\0';
    return font;
}

HGDIOBJ make_stock_font(int index) {
    GdiFont *font;
    switch (index) {
        case ANSI_FIXED_FONT:
        case OEM_FIXED_FONT:
        case SYSTEM_FIXED_FONT:
            // The classic fixed fonts: an 8 x 13 character cell.
            font = font_new(13, 8, FW_NORMAL, false, FIXED_PITCH | FF_MODERN, "DejaVu Sans Mono");
            break;
        case ANSI_VAR_FONT:
        case DEFAULT_GUI_FONT:
            font = font_new(13, 0, FW_NORMAL, false, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
            break;
        default:  // SYSTEM_FONT, DEVICE_DEFAULT_FONT
            font = font_new(16, 0, FW_BOLD, false, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
            break;
    }
    return font ? handle_new(HANDLE_FONT, font, true) : nullptr;
}

HGDIOBJ make_stock(int index) {
    switch (index) {
        case WHITE_BRUSH:
            return make_stock_brush(RGB(255, 255, 255), false);
        case LTGRAY_BRUSH:
            return make_stock_brush(RGB(192, 192, 192), false);
        case GRAY_BRUSH:
            return make_stock_brush(RGB(128, 128, 128), false);
        case DKGRAY_BRUSH:
            return make_stock_brush(RGB(64, 64, 64), false);
        case BLACK_BRUSH:
            return make_stock_brush(RGB(0, 0, 0), false);
        case NULL_BRUSH:
            return make_stock_brush(0, true);
        case WHITE_PEN:
            return make_stock_pen(RGB(255, 255, 255), PS_SOLID);
        case BLACK_PEN:
            return make_stock_pen(RGB(0, 0, 0), PS_SOLID);
        case NULL_PEN:
            return make_stock_pen(0, PS_NULL);
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case ANSI_VAR_FONT:
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        case SYSTEM_FIXED_FONT:
        case DEFAULT_GUI_FONT:
            return make_stock_font(index);
        default:
            return nullptr;
    }
}

// The 1 x 1 bitmap every memory context starts with; shared, like the one on Windows.
HBITMAP default_bitmap;

HBITMAP bitmap_new(int width, int height, bool permanent) {
    GdiBitmap *bitmap = (GdiBitmap *)calloc(1, sizeof(GdiBitmap));
    if (!bitmap) return nullptr;
    bitmap->surface.width = width;
    bitmap->surface.height = height;
    bitmap->surface.pixels = (uint32_t *)calloc((size_t)width * (size_t)height, sizeof(uint32_t));
    if (!bitmap->surface.pixels) {
        free(bitmap);
        return nullptr;
    }
    HBITMAP handle = (HBITMAP)handle_new(HANDLE_BITMAP, bitmap, permanent);
    if (!handle) {
        free(bitmap->surface.pixels);
        free(bitmap);
    }
    return handle;
}

// Records of deleted pens and brushes, kept for the next ones made: a program that makes and
// deletes a pen and a brush around every shape would otherwise go to the allocator four times a
// shape. A few dozen are kept; beyond, they are freed.
struct SpareRecords {
    std::vector<GdiPen *> pens;
    std::vector<GdiBrush *> brushes;
};

SpareRecords &spare = *new SpareRecords();  // never destroyed, as the handle table is not
const size_t SPARE_RECORDS = 32;

template <typename Record>
void keep_record(std::vector<Record *> &kept, Record *record) {
    if (kept.size() < SPARE_RECORDS) {
        kept.push_back(record);
    } else {
        free(record);
    }
}

// A zeroed record, a spare one where there is one.
template <typename Record>
Record *new_record(std::vector<Record *> &kept) {
    if (kept.empty()) return (Record *)calloc(1, sizeof(Record));
    Record *record = kept.back();
    kept.pop_back();
    memset(record, 0, sizeof *record);
    return record;
}

// Frees the object behind a live, non-permanent handle of the given kind.
void object_free(HGDIOBJ object, HandleKind kind) {
    void *record = handle_get(object, kind);
    if (!record) return;
    switch (kind) {
        case HANDLE_PEN:
            keep_record(spare.pens, (GdiPen *)record);
            break;
        case HANDLE_BRUSH:
            keep_record(spare.brushes, (GdiBrush *)record);
            break;
        case HANDLE_BITMAP: {
            GdiBitmap *bitmap = (GdiBitmap *)record;
            windows_make_copies_of(bitmap);
            fine_detach(&bitmap->surface);
            free(bitmap->surface.pixels);
            free(bitmap);
            break;
        }
        case HANDLE_FONT: {
            GdiFont *font = (GdiFont *)record;
            font_forget(font);
            free(font);
            break;
        }
        default:
            return;
    }
    handle_free(object);
}

}  // namespace

GdiPen *pen_get(HPEN pen) {
    return (GdiPen *)handle_get(pen, HANDLE_PEN);
}
GdiBrush *brush_get(HBRUSH brush) {
    return (GdiBrush *)handle_get(brush, HANDLE_BRUSH);
}
GdiBitmap *bitmap_get(HBITMAP bitmap) {
    return (GdiBitmap *)handle_get(bitmap, HANDLE_BITMAP);
}
GdiFont *font_get(HFONT font) {
    return (GdiFont *)handle_get(font, HANDLE_FONT);
}

HBITMAP bitmap_create(int width, int height) {
    if (width == 0 || height == 0) {
        if (!default_bitmap) default_bitmap = bitmap_new(1, 1, true);
        return default_bitmap;
    }
    if (width < 0 || height < 0 || (int64_t)width * height > MAX_BITMAP_PIXELS) return nullptr;
    return bitmap_new(width, height, false);
}

void object_free_doomed(HGDIOBJ object, HandleKind kind) {
    if (!handle_is_permanent(object))
        object_free(object, kind == HANDLE_NONE ? handle_kind(object) : kind);
}

Surface *bitmap_surface(HBITMAP bitmap) {
    GdiBitmap *record = bitmap_get(bitmap);
    return record ? &record->surface : nullptr;
}

bool brush_colour(HBRUSH brush, COLORREF *colour) {
    GdiBrush *record = brush_get(brush);
    if (!record || record->hollow) return false;
    if (colour) *colour = record->colour;
    return true;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (dc && !dc_get(dc)) return nullptr;
    return bitmap_create(width, height);
}

HPEN WINAPI CreatePen(int style, int width, COLORREF colour) {
    if (style < PS_SOLID || style > PS_NULL) return nullptr;
    GdiPen *pen = new_record(spare.pens);
    if (!pen) return nullptr;
    pen->style = style;
    // Width 0 and negative widths mean one pixel, as on Windows.
    pen->width = width < 1 ? 1 : width;
    pen->colour = colour & 0x00FFFFFFu;
    HPEN handle = (HPEN)handle_new(HANDLE_PEN, pen);
    if (!handle) keep_record(spare.pens, pen);
    return handle;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF colour) {
    GdiBrush *brush = new_record(spare.brushes);
    if (!brush) return nullptr;
    brush->colour = colour & 0x00FFFFFFu;
    HBRUSH handle = (HBRUSH)handle_new(HANDLE_BRUSH, brush);
    if (!handle) keep_record(spare.brushes, brush);
    return handle;
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD charset,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face) {
    (void)escapement, (void)orientation, (void)underline, (void)strike_out, (void)charset;
    (void)out_precision, (void)clip_precision, (void)quality;
    // Heights beyond any screen are clamped so that size arithmetic stays small.
    if (height > 2000) height = 2000;
    if (height < -2000) height = -2000;
    if (width < 0) width = -width;
    if (width > 2000) width = 2000;
    GdiFont *font = font_new(height, width, weight, italic != 0, (int)pitch_and_family, face);
    if (!font) return nullptr;
    HFONT handle = (HFONT)handle_new(HANDLE_FONT, font);
    if (!handle) free(font);
    return handle;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    if (index < 0 || index >= STOCK_COUNT) return nullptr;
    if (!stock[index]) stock[index] = make_stock(index);
    return stock[index];
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    int *selected;
    bool *doomed;
    HandleKind kind = handle_kind(object);
    if (!object_usage(object, kind, &selected, &doomed)) return FALSE;
    if (handle_is_permanent(object)) return TRUE;
    // Deleting a selected object is a caller's slip that Windows survives; here the object waits
    // until no context has it selected.
    if (*selected > 0) {
        *doomed = true;
        return TRUE;
    }
    object_free(object, kind);
    return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ object) {
    switch (handle_kind(object)) {
        case HANDLE_PEN:
            return OBJ_PEN;
        case HANDLE_BRUSH:
            return OBJ_BRUSH;
        case HANDLE_FONT:
            return OBJ_FONT;
        case HANDLE_BITMAP:
            return OBJ_BITMAP;
        case HANDLE_DC: {
            GdiDC *dc = (GdiDC *)handle_get(object, HANDLE_DC);
            return dc->memory ? OBJ_MEMDC : OBJ_DC;
        }
        default:
            return 0;
    }
}

int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                     UINT usage) {
    Surface *surface = bitmap_surface(bitmap);
    if (!dc_get(dc) || !surface || !bits || !info || usage != DIB_RGB_COLORS) return 0;
    const BITMAPINFOHEADER &header = info->bmiHeader;
    if (header.biBitCount != 32 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == INT32_MIN)
        return 0;
    // A 32-bit DIB pixel is blue, green, red, unused in memory: the surface's own layout.
    int64_t height = header.biHeight < 0 ? -(int64_t)header.biHeight : header.biHeight;
    int64_t end = std::min<int64_t>((int64_t)start + lines, height);
    int width = std::min<int>(header.biWidth, surface->width);
    uint32_t *row = (uint32_t *)bits;
    for (int64_t line = start; line < end; line++, row += header.biWidth) {
        // Scan lines count from the bottom unless the height is negative.
        int64_t y = header.biHeight < 0 ? line : height - 1 - line;
        memset(row, 0, (size_t)header.biWidth * 4);
        if (y < surface->height)
            memcpy(row, surface->pixels + y * surface->width, (size_t)width * 4);
    }
    return end > (int64_t)start ? (int)(end - start) : 0;
}

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                HANDLE section, DWORD offset) {
    (void)offset;
    if (bits) *bits = nullptr;
    if ((dc && !dc_get(dc)) || !info || usage != DIB_RGB_COLORS || section) return nullptr;
    const BITMAPINFOHEADER &header = info->bmiHeader;
    // Only top-down 32-bit pixels: the surface's own layout, blue, green, red, alpha in memory.
    if (header.biBitCount != 32 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        header.biHeight >= 0 || header.biHeight == INT32_MIN)
        return nullptr;
    HBITMAP bitmap = bitmap_create(header.biWidth, -header.biHeight);
    if (bitmap && bits) *bits = bitmap_surface(bitmap)->pixels;
    return bitmap;
}

// Every call here draws before it returns: there is no batch to finish.
BOOL WINAPI GdiFlush(void) {
    return TRUE;
}
