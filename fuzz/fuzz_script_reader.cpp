// Fuzzes the script reader: any bytes as a whole script file, cut into numbered lines and decoded
// as the player does, and as one line on its own. Every decoded event must format back into a line
// that decodes to the same event.
#include "library/script/script_line.h"
#include "library/tavix.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

static void check_round_trip(const ScriptEvent &event) {
    char line[SCRIPT_LINE_SIZE];
    if (!format_script_line(line, sizeof line, event.type, event.x, event.y, event.key,
                            event.count))
        abort();
    ScriptEvent again = {};
    if (!decode_script_line(line, &again) || again.type != event.type) abort();
    if (event.type == TAVIX_MOUSE && (again.x != event.x || again.y != event.y)) abort();
    if (event.type == TAVIX_KBD && again.key != event.key) abort();
    if (event.type == TAVIX_PERIODIC && again.count != event.count) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ScriptEvent event = {};  // every field defined: the round trip formats them all

    // The bytes as a script file.
    std::vector<char> file(data, data + size);
    if (!file.empty()) {
        FILE *stream = fmemopen(file.data(), file.size(), "r");
        if (stream) {
            char line[SCRIPT_LINE_SIZE];
            int lines_read = 0, number = 0;
            while (next_script_line_numbered(stream, line, &lines_read, &number)) {
                if (decode_script_line(line, &event)) check_round_trip(event);
                // A line's number counts the newlines before it, whatever bytes come between.
                long end = ftell(stream);
                if (end < 1 ||
                    number != 1 + (int)std::count(file.begin(), file.begin() + (end - 1), '\n'))
                    abort();
            }
            fclose(stream);
        }
    }

    // The bytes as one line: a zero-terminated one, and a full buffer with no zero at all (the
    // heap copy is exactly as long as the decoder may look, so a read beyond it is caught).
    std::vector<char> line(data, data + (size < SCRIPT_LINE_SIZE ? size : SCRIPT_LINE_SIZE - 1));
    line.push_back('\0');
    if (decode_script_line(line.data(), &event)) check_round_trip(event);
    // The lines of the richer wait, the clock and the generator: a decoded one holds a known kind.
    ScriptExtraLine extra;
    if (decode_extra_script_line(line.data(), &extra) && !strchr("ETSNG", extra.kind)) abort();
    if (size >= SCRIPT_LINE_SIZE) {
        char *full = static_cast<char *>(malloc(SCRIPT_LINE_SIZE));
        memcpy(full, data, SCRIPT_LINE_SIZE);
        if (decode_script_line(full, &event)) check_round_trip(event);
        if (decode_extra_script_line(full, &extra) && !strchr("ETSNG", extra.kind)) abort();
        free(full);
    }
    return 0;
}
