/* A Windows program that includes <windows.h> itself, before tavix.h or (with TAVIX_FIRST) after
 * it, and uses both: the two declare the start-up types alike. Built as C and as C++. */
#ifdef TAVIX_FIRST
#include <tavix.h>
#include <windows.h>
#else
#include <windows.h>
#include <tavix.h>
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    RECT area = {0, 0, 10, 10};
    POINT corner = {-100, 100};
    COLORREF colour = RGB(255, 0, 0);
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_draw_rectangle(RED, corner.x, corner.y, area.right, area.bottom, 0);
    TAVIX_finish();
    return colour == 0xFF && GetSystemMetrics(SM_CXSCREEN) >= 0 ? 0 : 1;
}
