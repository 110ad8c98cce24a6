// The console: the ring of the last 25 messages in movable memory blocks, the scroll-and-print
// step that adds one line at the bottom of the console window, and the window's repaint from the
// ring.
#include "library/core/state.h"

#include <cstdarg>
#include <cstring>

static void gather_console_line(const char *text, size_t length, bool utf8);
static void draw_console_lines(char *text, int lines, const uint8_t *utf8_lines);

static int next_slot(int slot) {
    return slot == CONSOLE_RING_SIZE - 1 ? 0 : slot + 1;
}

// Copies text (length bytes and its zero) into a new block; null when it cannot be had. A message
// printed while texts are read as UTF-8 has one byte more after its zero, which says so.
static HGLOBAL store_text(const char *text, size_t length, bool utf8) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + (utf8 ? 2 : 1));
    if (!block) return nullptr;
    char *copy = static_cast<char *>(GlobalLock(block));
    if (!copy) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(copy, text, length + 1);
    if (utf8) copy[length + 1] = 1;
    GlobalUnlock(block);
    return block;
}

// Whether a message of the ring is UTF-8 (store_text).
static bool stored_utf8(HGLOBAL block, const char *text) {
    return GlobalSize(block) > strlen(text) + 1;
}

void copy_console_line(const char *text) {
    fputs(text, stderr);
    size_t length = strlen(text);
    if (length == 0 || text[length - 1] != '\n') fputc('\n', stderr);
}

int TAVIX_console_printf(const char *format, ...) {
    char text[CONSOLE_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    // Bounded: a longer message is cut to the buffer; the result is still the formatter's count.
    int result = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (result < 0) text[0] = '\0';
    size_t length = strlen(text);

    // The new block is had before the oldest is given up, so a failed allocation leaves the
    // ring exactly as it was; the message is then only drawn.
    bool utf8 = library_state.text.utf8 != 0;
    HGLOBAL block = store_text(text, length, utf8);
    if (block) {
        if (library_state.console.first == library_state.console.end) {
            GlobalFree(library_state.console.lines[library_state.console.first]);
            library_state.console.first = next_slot(library_state.console.first);
        }
        library_state.console.lines[library_state.console.end] = block;
        if (library_state.console.first < 0)
            library_state.console.first = library_state.console.end;
        library_state.console.end = next_slot(library_state.console.end);
    }

    if (library_state.settings.console_to_stderr) copy_console_line(text);
    gather_console_line(text, length, utf8);
    return result;
}

// A hidden console draws nothing: showing it repaints it whole from the ring. A shown one keeps
// the line for the next drawing of the gathered lines, which comes before anything is presented.
static void gather_console_line(const char *text, size_t length, bool utf8) {
    HWND console = library_state.window.console;
    if (!console || !IsWindow(console) || !IsWindowVisible(console)) return;
    if (library_state.console.batch_used + length + 1 > CONSOLE_BATCH_SIZE) draw_console_batch();
    memcpy(library_state.console.batch + library_state.console.batch_used, text, length + 1);
    library_state.console.batch_used += (int32_t)(length + 1);
    int line = library_state.console.batch_lines++;
    uint8_t &bits = library_state.text.console_batch_utf8[line / 8];
    bits = (uint8_t)(utf8 ? bits | (1u << (line % 8)) : bits & ~(1u << (line % 8)));
}

// Scrolls the console up by the given number of lines and draws them, oldest first, from text
// on (each string follows the previous one's zero), leaving exactly the pixels that printing them
// one by one leaves: each line's band is blanked and its text drawn where the later scrolls would
// have taken it. A line's glyphs may reach into the band below, as they reach below the window
// when printed alone; the next band's blanking removes them again (the font's glyphs reach less
// than a line below their cell). Lines scrolled out of the window entirely are not drawn:
// nothing of them would stay.
static void draw_console_lines(char *text, int lines, const uint8_t *utf8_lines) {
    HWND console = library_state.window.console;
    // Before start, or once the user has closed the console, there is nothing to draw in (and a
    // null window would stand for the whole screen). The message is kept in the ring all the same.
    if (!console || !IsWindow(console)) return;
    HDC dc = GetDC(console);
    if (!dc) return;

    // The stock font replaces the context's; it is not selected back, the context goes anyway.
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    int line_height = metrics.tmHeight + metrics.tmExternalLeading;
    RECT client;
    GetClientRect(console, &client);
    int height = client.bottom - client.top;

    // Scrolling a window height or more moves nothing; the bound keeps the product in range.
    int64_t scroll = (int64_t)lines * line_height;
    ScrollDC(dc, 0, -(int)(scroll < height ? scroll : height), nullptr, nullptr, nullptr, nullptr);

    // The scroll leaves the bottom bands as they were; blank each in the context's background
    // colour (white on a fresh context, as the class's). With the null pen Rectangle fills one
    // pixel short of its right and bottom edges, hence the + 1 on both: a line that reached the
    // last column would otherwise leave a dot there that scrolls up with every later line.
    HBRUSH band_brush = CreateSolidBrush(GetBkColor(dc));
    HGDIOBJ old_brush = SelectObject(dc, band_brush);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    for (int i = 0; i < lines; ++i) {
        size_t length = strlen(text);
        char *next = text + length + 1;
        int from_bottom = lines - 1 - i;
        if ((int64_t)from_bottom * line_height < height) {
            int top = client.bottom - (from_bottom + 1) * line_height;
            Rectangle(dc, client.left, top, client.right + 1, top + line_height + 1);
            // One line per message: only a trailing newline goes; any other control character
            // is drawn as the font draws it.
            if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
            if (utf8_lines[i / 8] & (1u << (i % 8))) {
                static WCHAR wide[CONSOLE_TEXT_SIZE];
                size_t units = utf16_from_utf8(
                    text, length < CONSOLE_TEXT_SIZE ? length : CONSOLE_TEXT_SIZE, wide);
                TextOutW(dc, client.left + 5, top, wide, (int)units);
            } else {
                TextOutA(dc, client.left + 5, top, text, (int)length);
            }
        }
        text = next;
    }
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(band_brush);

    ReleaseDC(console, dc);
}

void draw_console_batch(void) {
    int lines = library_state.console.batch_lines;
    library_state.console.batch_lines = 0;
    library_state.console.batch_used = 0;
    HWND console = library_state.window.console;
    if (lines > 0 && console && IsWindowVisible(console))
        draw_console_lines(library_state.console.batch, lines,
                           library_state.text.console_batch_utf8);
}

void print_console_line(char *text) {
    const uint8_t windows_1252 = 0;
    draw_console_lines(text, 1, &windows_1252);
}

LRESULT paint_console(void) {
    HWND console = library_state.window.console;
    // Lines printed before the repaint are drawn first, as they would have been already.
    draw_console_batch();
    PAINTSTRUCT paint;
    BeginPaint(console, &paint);
    // Oldest first: each line scrolls the ones before it up, so the newest ends at the bottom.
    // The count bounds the walk to one lap of the ring whatever the indices say.
    int slot = library_state.console.first;
    for (int count = 0; slot >= 0 && count < CONSOLE_RING_SIZE &&
                        (slot != library_state.console.end || count == 0);
         ++count) {
        HGLOBAL block = library_state.console.lines[slot];
        char *text = static_cast<char *>(GlobalLock(block));
        if (text) {
            const uint8_t utf8 = stored_utf8(block, text) ? 1 : 0;
            draw_console_lines(text, 1, &utf8);
            GlobalUnlock(block);
        }
        slot = next_slot(slot);
    }
    EndPaint(console, &paint);
    return 0;
}
