// Prints the GDI corpus, one line per shape: family, name, checksum. Built for Windows it is the
// oracle's program (scripts/gdi-oracle.sh); built here it shows what the layer paints. With the
// argument "pixels" each line also lists the painted pixels, row by row ("y:x0-x1=colour ..."),
// for shapes whose family starts with the optional second argument.
#include "gdi_corpus.h"

#include <stdio.h>
#include <string.h>

namespace {

struct Options {
    bool pixels;
    const char *family;
};

void print_shape(void *context, const char *family, const char *name, unsigned checksum, HDC dc,
                 const RECT *painted) {
    const Options *options = (const Options *)context;
    printf("%s %s %08x", family, name, checksum);
    if (options->pixels && strncmp(family, options->family, strlen(options->family)) == 0) {
        for (int y = painted->top; y < painted->bottom; ++y)
            for (int x = painted->left; x < painted->right;) {
                COLORREF c = GetPixel(dc, x, y) & 0xFFFFFF;
                if (c == RGB(255, 255, 255)) {
                    ++x;
                    continue;
                }
                int start = x;
                while (x < painted->right && (GetPixel(dc, x, y) & 0xFFFFFF) == c) ++x;
                printf(" %d:%d-%d=%06lx", y, start, x - 1, (unsigned long)c);
            }
    }
    printf("\n");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    Options options = {false, ""};
    char *word = strtok(command_line, " ");
    if (word && strcmp(word, "pixels") == 0) {
        options.pixels = true;
        word = strtok(nullptr, " ");
        if (word) options.family = word;
    }
    int count = corpus_run(print_shape, &options);
    fflush(stdout);
    if (count < 0) {
        fprintf(stderr, "gdi_corpus: no bitmap to draw on\n");
        return 1;
    }
    return 0;
}
