/* A user's program whose own names are names of the Windows calls: tavix.h leaves them free.
 * Built as C and as C++ (where a scoped enum reuses the colour names) and started from WinMain
 * with nothing but tavix.h; it draws with the library's colours, saves its picture to the file
 * named on its command line, and ends with status 0 when the colours have their numbers. */
#include <tavix.h>

int SIZE = 20;
typedef struct {
    int x, y;
} POINT;
typedef unsigned short WORD;
static int RGB(int r, int g, int b) { return r << 16 | g << 8 | b; }
enum Shape { LINE, RECT };
#ifdef __cplusplus
enum class Colour { RED, GREEN, BLUE };
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    POINT corner = {-SIZE * 5, SIZE * 5};
    WORD shape = RECT;
    int ok = BLACK == 0 && RED == 2 && BLUE == 4 && GRAY_20 == 23 && RGB(1, 2, 3) == 0x010203 &&
             shape == 1 && LINE == 0;
#ifdef __cplusplus
    ok = ok && Colour::GREEN != Colour::RED && static_cast<int>(Colour::BLUE) == 2;
#endif
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_clear_window();
    TAVIX_draw_rectangle(RED, corner.x, corner.y, 0, 0, 0);
    TAVIX_draw_circle(BLUE, 150, -100, 40);
    if (!command_line || !*command_line || !TAVIX_save_picture(command_line)) ok = 0;
    TAVIX_finish();
    return ok ? 0 : 1;
}
