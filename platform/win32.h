/* The Windows calls the library is written against.
 *
 * On Windows this is <windows.h> itself and nothing of platform/ is built. Elsewhere it declares
 * the subset of USER32, GDI32 and KERNEL32 that the library, its tests and its clients use, and
 * platform/ implements it over SDL2, FreeType and fontconfig. Usable from C and C++. */
#ifndef TAVIX_PLATFORM_WIN32_H
#define TAVIX_PLATFORM_WIN32_H

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
/* The wave output calls (winmm), which the lean <windows.h> leaves out. */
#include <mmsystem.h>
/* The game controller calls' types; the calls themselves are looked up in whichever XInput DLL
 * the system has (library/core/pads.cpp). */
#include <xinput.h>
#else

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Basic types --------------------------------------------------------------------------- */

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef uint16_t WCHAR;  // a UTF-16 code unit, as Windows' wide calls take them
typedef const WCHAR *LPCWSTR;
typedef void *LPVOID;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t SIZE_T;
typedef WORD ATOM;
typedef DWORD COLORREF;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Handles are distinct pointer types, as with STRICT on Windows. */
#define TAVIX_DECLARE_HANDLE(name) \
    struct name##__ {              \
        int unused;                \
    };                             \
    typedef struct name##__ *name
typedef void *HANDLE;
typedef void *HGDIOBJ;
typedef void *HGLOBAL;
TAVIX_DECLARE_HANDLE(HWND);
TAVIX_DECLARE_HANDLE(HDC);
TAVIX_DECLARE_HANDLE(HPEN);
TAVIX_DECLARE_HANDLE(HBRUSH);
TAVIX_DECLARE_HANDLE(HFONT);
TAVIX_DECLARE_HANDLE(HBITMAP);
TAVIX_DECLARE_HANDLE(HMENU);
TAVIX_DECLARE_HANDLE(HINSTANCE);
TAVIX_DECLARE_HANDLE(HICON);
TAVIX_DECLARE_HANDLE(HRGN);
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK *TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

/* What WM_CREATE's long parameter points to. */
typedef struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagTEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

/* ---- Macros -------------------------------------------------------------------------------- */

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))
#define LOWORD(l) ((WORD)(((DWORD_PTR_T)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR_T)(l)) >> 16) & 0xffff))
#define DWORD_PTR_T uintptr_t
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR_T)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR_T)(b)) & 0xffff))) << 16))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define CLR_INVALID 0xFFFFFFFF

/* ---- Messages ------------------------------------------------------------------------------ */

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_UNICHAR 0x0109
#define UNICODE_NOCHAR 0xFFFF  // WM_UNICHAR's question: does the window take WM_UNICHAR?
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_USER 0x0400

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define SIZE_RESTORED 0

/* ---- Virtual keys -------------------------------------------------------------------------- */

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F10 0x79
#define VK_F12 0x7B
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_102 0xE2

/* ---- Windows and classes ------------------------------------------------------------------- */

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define CW_USEDEFAULT ((int)0x80000000)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYMENU 15
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME

#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc);
HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI DestroyWindow(HWND hwnd);
BOOL WINAPI IsWindow(HWND hwnd);
BOOL WINAPI IsWindowVisible(HWND hwnd);
BOOL WINAPI ShowWindow(HWND hwnd, int show);
BOOL WINAPI UpdateWindow(HWND hwnd);
HWND WINAPI SetFocus(HWND hwnd);
HWND WINAPI GetFocus(void);
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect);
BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect);
int WINAPI GetSystemMetrics(int index);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
/* The window's caption text (UTF-8 here: the backend shows it as it is). */
BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text);
/* Hides the pointer over the program's windows while the display count is below 0: FALSE takes
 * one off, TRUE adds one; returns the new count. */
int WINAPI ShowCursor(BOOL show);

/* ---- Messages and timers ------------------------------------------------------------------- */

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove);
BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max);
BOOL WINAPI TranslateMessage(const MSG *msg);
LRESULT WINAPI DispatchMessageA(const MSG *msg);
BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void WINAPI PostQuitMessage(int exit_code);
BOOL WINAPI WaitMessage(void);
UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT period_ms, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id);
DWORD WINAPI GetTickCount(void);

/* ---- Painting ------------------------------------------------------------------------------ */

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *ps);
HDC WINAPI GetDC(HWND hwnd);
int WINAPI ReleaseDC(HWND hwnd, HDC dc);
BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase);
BOOL WINAPI ValidateRect(HWND hwnd, const RECT *rect);
BOOL WINAPI ScrollDC(HDC dc, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update,
                     LPRECT update_rect);
int WINAPI FillRect(HDC dc, const RECT *rect, HBRUSH brush);

/* ---- Menus --------------------------------------------------------------------------------- */

#define MF_STRING 0x00000000L
#define MF_ENABLED 0x00000000L
#define MF_UNCHECKED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L

HMENU WINAPI CreateMenu(void);
HMENU WINAPI CreatePopupMenu(void);
BOOL WINAPI DestroyMenu(HMENU menu);
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
BOOL WINAPI SetMenu(HWND hwnd, HMENU menu);
HMENU WINAPI GetMenu(HWND hwnd);
BOOL WINAPI DrawMenuBar(HWND hwnd);
DWORD WINAPI CheckMenuItem(HMENU menu, UINT id, UINT check);
UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags);
int WINAPI GetMenuItemCount(HMENU menu);
UINT WINAPI GetMenuItemID(HMENU menu, int pos);
int WINAPI GetMenuStringA(HMENU menu, UINT id, LPSTR text, int max, UINT flags);
HMENU WINAPI GetSubMenu(HMENU menu, int pos);

/* ---- GDI ----------------------------------------------------------------------------------- */

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5

#define TRANSPARENT 1
#define OPAQUE 2

#define SRCCOPY 0x00CC0020

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define LF_FACESIZE 32
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

HDC WINAPI CreateCompatibleDC(HDC dc);
BOOL WINAPI DeleteDC(HDC dc);
HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
HPEN WINAPI CreatePen(int style, int width, COLORREF colour);
HBRUSH WINAPI CreateSolidBrush(COLORREF colour);
HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD charset,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face);
HGDIOBJ WINAPI GetStockObject(int index);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
DWORD WINAPI GetObjectType(HGDIOBJ object);
HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT type);

BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL WINAPI Polygon(HDC dc, const POINT *points, int count);
BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL WINAPI SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL WINAPI LineTo(HDC dc, int x, int y);
COLORREF WINAPI SetPixel(HDC dc, int x, int y, COLORREF colour);
COLORREF WINAPI GetPixel(HDC dc, int x, int y);
BOOL WINAPI BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int src_x, int src_y,
                   DWORD rop);

/* Arcs and pies of the ellipse inscribed in a box, from the ray through (x1, y1) to the ray
 * through (x2, y2), counter-clockwise on the screen (the default arc direction). */
BOOL WINAPI Arc(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
BOOL WINAPI Pie(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);

/* Flood fill with the selected brush: FLOODFILLSURFACE fills the 4-connected area of the colour
 * at (x, y); FLOODFILLBORDER the area up to pixels of the colour. */
#define FLOODFILLBORDER 0
#define FLOODFILLSURFACE 1
BOOL WINAPI ExtFloodFill(HDC dc, int x, int y, COLORREF colour, UINT type);

/* Device-independent bitmaps: only 32 bits per pixel, uncompressed, is supported. */
#define BI_RGB 0
#define DIB_RGB_COLORS 0

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; /* negative: the top row comes first */
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                     LPBITMAPINFO info, UINT usage);

/* A bitmap whose pixels the caller writes directly (top-down, biHeight < 0, only). Drawing
 * through GDI may be batched: GdiFlush finishes it before the pixels are read or written. */
HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                HANDLE section, DWORD offset);
BOOL WINAPI GdiFlush(void);

/* Blending a bitmap over a context: source over, the source's alpha premultiplied
 * (AC_SRC_ALPHA), times the constant alpha. Source and destination of the same size. */
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01
typedef struct _BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
} BLENDFUNCTION;
BOOL WINAPI AlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int src_x, int src_y,
                       int src_width, int src_height, BLENDFUNCTION blend);

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL WINAPI GetTextExtentPointA(HDC dc, LPCSTR text, int count, LPSIZE size);
BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size);
BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);
BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
#define FR_PRIVATE 0x10
// A font file for this process only: the number of faces it added, 0 when it is no font.
int WINAPI AddFontResourceExA(LPCSTR file, DWORD flags, void *reserved);
BOOL WINAPI RemoveFontResourceExA(LPCSTR file, DWORD flags, void *reserved);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour);
COLORREF WINAPI GetTextColor(HDC dc);
COLORREF WINAPI SetBkColor(HDC dc, COLORREF colour);
COLORREF WINAPI GetBkColor(HDC dc);
int WINAPI SetBkMode(HDC dc, int mode);
int WINAPI GetBkMode(HDC dc);

/* ---- Movable memory ------------------------------------------------------------------------ */

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID WINAPI GlobalLock(HGLOBAL block);
BOOL WINAPI GlobalUnlock(HGLOBAL block);
HGLOBAL WINAPI GlobalFree(HGLOBAL block);
SIZE_T WINAPI GlobalSize(HGLOBAL block);

/* ---- Wave output (winmm) ------------------------------------------------------------------ */

/* One device at a time plays 8- or 16-bit PCM, one or two channels, from buffers written to it
 * in order. With CALLBACK_WINDOW every buffer played (or taken back by waveOutReset) is posted
 * back to the window as MM_WOM_DONE (wParam the device, lParam the header), and the header then
 * has WHDR_DONE set. */
typedef UINT MMRESULT;
typedef uintptr_t DWORD_PTR;
TAVIX_DECLARE_HANDLE(HWAVEOUT);
typedef HWAVEOUT *LPHWAVEOUT;

typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX *LPCWAVEFORMATEX;

typedef struct wavehdr_tag {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    struct wavehdr_tag *lpNext;
    DWORD_PTR reserved;
} WAVEHDR, *LPWAVEHDR;

#define WAVE_FORMAT_PCM 1
#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_QUERY 0x0001
#define CALLBACK_NULL 0x00000000L
#define CALLBACK_WINDOW 0x00010000L
#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_INQUEUE 0x00000010
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

UINT WINAPI waveOutGetNumDevs(void);
MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                            DWORD_PTR instance, DWORD flags);
MMRESULT WINAPI waveOutClose(HWAVEOUT device);
MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT WINAPI waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT WINAPI waveOutReset(HWAVEOUT device);
MMRESULT WINAPI waveOutGetErrorTextA(MMRESULT error, LPSTR text, UINT size);

/* ---- Mouse wheel, capture, sleeping -------------------------------------------------------- */

#define WM_MOUSEWHEEL 0x020A
#define WHEEL_DELTA 120 /* one notch of the wheel */
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
#define GET_WHEEL_DELTA_WPARAM(wp) ((short)HIWORD(wp))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point);
/* While a window has the capture, mouse messages come to it wherever the pointer is. */
HWND WINAPI SetCapture(HWND hwnd);
BOOL WINAPI ReleaseCapture(void);
HWND WINAPI GetCapture(void);
void WINAPI Sleep(DWORD milliseconds);

/* ---- Paced waiting ------------------------------------------------------------------------ */

#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define INFINITE 0xFFFFFFFFu
#define QS_ALLINPUT 0x04FF
#define TIMERR_NOERROR 0

/* Waits until a message is in the queue or ms milliseconds have passed: WAIT_OBJECT_0 + count
 * for a message, WAIT_TIMEOUT for the time. The layer has no objects to wait for: count must be
 * 0. */
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL wait_all, DWORD ms,
                                       DWORD wake_mask);
/* The system clock's resolution, for waits that end on the millisecond, and the clock that follows
 * it. The layer's clock is already a millisecond's: the two calls only count. */
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
DWORD WINAPI timeGetTime(void);

/* ---- Game controllers (XInput) ------------------------------------------------------------- */

/* Four controller slots, each read whole. The thumbsticks are -32768 to 32767, up and right
 * positive; the triggers 0 to 255. A slot with no controller answers ERROR_DEVICE_NOT_CONNECTED.
 * The first call opens the backend's controllers (platform/xinput/). */
#define XUSER_MAX_COUNT 4
#define ERROR_SUCCESS 0L
#define ERROR_BAD_ARGUMENTS 160L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define XINPUT_GAMEPAD_DPAD_UP 0x0001
#define XINPUT_GAMEPAD_DPAD_DOWN 0x0002
#define XINPUT_GAMEPAD_DPAD_LEFT 0x0004
#define XINPUT_GAMEPAD_DPAD_RIGHT 0x0008
#define XINPUT_GAMEPAD_START 0x0010
#define XINPUT_GAMEPAD_BACK 0x0020
#define XINPUT_GAMEPAD_LEFT_THUMB 0x0040
#define XINPUT_GAMEPAD_RIGHT_THUMB 0x0080
#define XINPUT_GAMEPAD_LEFT_SHOULDER 0x0100
#define XINPUT_GAMEPAD_RIGHT_SHOULDER 0x0200
#define XINPUT_GAMEPAD_A 0x1000
#define XINPUT_GAMEPAD_B 0x2000
#define XINPUT_GAMEPAD_X 0x4000
#define XINPUT_GAMEPAD_Y 0x8000

typedef struct _XINPUT_GAMEPAD {
    WORD wButtons;
    BYTE bLeftTrigger;
    BYTE bRightTrigger;
    short sThumbLX;
    short sThumbLY;
    short sThumbRX;
    short sThumbRY;
} XINPUT_GAMEPAD;

typedef struct _XINPUT_STATE {
    DWORD dwPacketNumber; /* changes whenever the state does */
    XINPUT_GAMEPAD Gamepad;
} XINPUT_STATE;

DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE *state);

/* ---- Beyond Windows ------------------------------------------------------------------------ */

/* Shows hwnd over its whole screen (on), its picture as large as whole screen pixels allow,
 * centred on black, pointer positions still in its own pixels; or as it was (off). FALSE, nothing
 * changed, when there is no screen to cover or the picture is larger than the screen. */
BOOL WINAPI TavixSetFullscreen(HWND hwnd, BOOL on);

/* ---- Program entry ------------------------------------------------------------------------- */

/* The program's entry, called by platform_main's main() with the command line after the
 * program's name. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

#ifdef __cplusplus
}
#endif

#endif /* _WIN32 */
#endif /* TAVIX_PLATFORM_WIN32_H */
