// Saving the back buffer as a PNG file: the pixels read through the window system's own bitmap
// call, encoded by the system's encoder (png_libpng.cpp or png_wic.cpp), then written out. The
// picture goes to a new file beside the old one and takes its place only once it is whole, so a
// failed save leaves an old picture exactly as it was; only ordinary files are ever written.
#include "library/core/state.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#define PICTURE_PATH_SIZE 4096  // bytes of a resolved file name, with its zero

static const char not_regular[] = "not a regular file";

static char last_failure[256];  // the reason the last save failed

static int refuse(const char *path, const char *reason) {
    snprintf(last_failure, sizeof last_failure, "%s", reason);
    TAVIX_console_printf("Cannot save picture %s: %s\n", path ? path : "(no name)", reason);
    return 0;
}

// The file a save really writes: a symbolic link is followed, even to a file not there yet, so
// that replacing the picture keeps the link. 0, or the errno saying why not: ENAMETOOLONG when
// the name (or a link's target joined to its folder) does not fit, ELOOP when the links loop.
static int resolve_destination(const char *path, char *out, size_t size) {
    if (snprintf(out, size, "%s", path) >= (int)size) return ENAMETOOLONG;
#ifndef _WIN32
    for (int depth = 0; depth < 40; depth++) {
        struct stat link;
        if (lstat(out, &link) != 0 || !S_ISLNK(link.st_mode)) return 0;
        char target[PICTURE_PATH_SIZE];
        ssize_t length = readlink(out, target, sizeof target - 1);
        if (length < 0) return 0;
        target[length] = '\0';
        // A relative target is relative to the link's own folder.
        const char *slash = strrchr(out, '/');
        char joined[PICTURE_PATH_SIZE];
        int n = target[0] == '/' || !slash
                    ? snprintf(joined, sizeof joined, "%s", target)
                    : snprintf(joined, sizeof joined, "%.*s/%s", (int)(slash - out), out, target);
        if (n >= (int)sizeof joined || snprintf(out, size, "%s", joined) >= (int)size)
            return ENAMETOOLONG;
    }
    return ELOOP;
#else
    return 0;
#endif
}

// The folder that holds file (where the new file is made beside it).
static void folder_of(const char *file, char *out, size_t size) {
    const char *slash = strrchr(file, '/');
#ifdef _WIN32
    const char *back = strrchr(file, '\\');
    if (!slash || (back && back > slash)) slash = back;
#endif
    if (!slash)
        snprintf(out, size, ".");
    else if (slash == file)
        snprintf(out, size, "/");
    else
        snprintf(out, size, "%.*s", (int)(slash - file), file);
}

// Why a picture could not be saved at path (null when it could), looking only: nothing on disk
// changes. *mode is the old file's permissions, for the new file to keep; -1 when there is none.
static const char *destination_problem(const char *path, char *dest, size_t size, int *mode) {
    if (int failure = resolve_destination(path, dest, size)) return strerror(failure);
    struct stat info;
    *mode = -1;
    if (stat(dest, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return strerror(EISDIR);
        // A FIFO would block the save, a device is not a picture.
        if (!S_ISREG(info.st_mode)) return not_regular;
        if (access(dest, W_OK) != 0) return strerror(errno);
        *mode = (int)(info.st_mode & 07777);
    } else if (errno != ENOENT) {
        return strerror(errno);
    }
    char folder[PICTURE_PATH_SIZE];
    folder_of(dest, folder, sizeof folder);
    if (stat(folder, &info) != 0) return strerror(errno);
    if (!S_ISDIR(info.st_mode)) return strerror(ENOTDIR);
#ifndef _WIN32
    if (access(folder, W_OK | X_OK) != 0) return strerror(errno);
#endif
    return nullptr;
}

const char *picture_failure(void) {
    return last_failure;
}

const char *picture_unwritable(const char *path) {
    char dest[PICTURE_PATH_SIZE];
    int mode = 0;
    return destination_problem(path, dest, sizeof dest, &mode);
}

// Reads the back buffer's pixels, top row first, 0x00RRGGBB each; null when they cannot be had.
static uint32_t *read_back_buffer(void) {
    LibraryState &s = library_state;
    uint32_t *pixels = (uint32_t *)malloc((size_t)library_state.picture.width * library_state.picture.height * 4);
    if (!pixels) return nullptr;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = library_state.picture.width;
    info.bmiHeader.biHeight = -library_state.picture.height;  // negative: top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // The bitmap may not be read while a context holds it: a stand-in is selected meanwhile.
    HBITMAP stand_in = CreateCompatibleBitmap(s.window.buffer_dc, 1, 1);
    HGDIOBJ held = SelectObject(s.window.buffer_dc, stand_in);
    int rows = GetDIBits(s.window.buffer_dc, s.window.buffer_bitmap, 0, library_state.picture.height, pixels, &info,
                         DIB_RGB_COLORS);
    SelectObject(s.window.buffer_dc, held);
    DeleteObject(stand_in);
    if (rows != library_state.picture.height) {
        free(pixels);
        return nullptr;
    }
    // The fourth byte of a 32-bit row is unused and may hold anything.
    for (size_t i = 0; i < (size_t)library_state.picture.width * library_state.picture.height; i++) pixels[i] &= 0x00FFFFFFu;
    return pixels;
}

// Writes all of data to a new file beside dest and renames it onto dest; 0 with *error set when
// making, writing, closing or renaming failed, and then the new file is gone again.
static int write_beside(const char *dest, int mode, const unsigned char *data, size_t size,
                        int *error) {
    // A name of its own beside dest; the usual permissions for a new file (the umask's), the old
    // file's when it replaces one.
    static unsigned counter;
    char temp[PICTURE_PATH_SIZE + 32];
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
#ifdef _WIN32
        snprintf(temp, sizeof temp, "%s.tmp-%lu-%u", dest, (unsigned long)GetCurrentProcessId(),
                 counter++);
        fd = _open(temp, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        snprintf(temp, sizeof temp, "%s.tmp-%ld-%u", dest, (long)getpid(), counter++);
        fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
#endif
        if (fd < 0 && errno != EEXIST) break;
    }
#ifndef _WIN32
    if (fd >= 0 && mode >= 0 && fchmod(fd, (mode_t)mode) != 0) {
        // The picture is still written, with the usual permissions.
    }
#else
    (void)mode;
#endif
    if (fd < 0) {
        *error = errno;
        return 0;
    }
    *error = 0;
    for (size_t done = 0; done < size && !*error;) {
#ifdef _WIN32
        int n = _write(fd, data + done, (unsigned)(size - done));
#else
        ssize_t n = write(fd, data + done, size - done);
#endif
        if (n > 0)
            done += (size_t)n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            *error = n < 0 ? errno : EIO;
    }
#ifdef _WIN32
    if (_close(fd) != 0 && !*error) *error = errno ? errno : EIO;
    if (!*error && !MoveFileExA(temp, dest, MOVEFILE_REPLACE_EXISTING)) *error = EACCES;
#else
    if (close(fd) != 0 && !*error) *error = errno ? errno : EIO;
    if (!*error && rename(temp, dest) != 0) *error = errno;
#endif
    if (*error) remove(temp);
    return *error ? 0 : 1;
}

// The visible client area in buffer pixels: buffer pixel (i, j) is shown at client pixel (i, j),
// so the window shows the buffer's top-left client_width x client_height, never more than all.
void visible_size(int *width, int *height) {
    LibraryState &s = library_state;
    *width = s.window.client_width > 0 && s.window.client_width < library_state.picture.width
                 ? s.window.client_width
                 : library_state.picture.width;
    *height = s.window.client_height > 0 && s.window.client_height < library_state.picture.height
                  ? s.window.client_height
                  : library_state.picture.height;
}

int write_png_file(const char *path, const uint32_t *pixels, int width, int height, bool alpha,
                   const char **reason) {
    static char why[128];
    char dest[PICTURE_PATH_SIZE];
    int mode = 0;
    if (const char *problem = destination_problem(path, dest, sizeof dest, &mode)) {
        *reason = problem;
        return 0;
    }
    unsigned char *png = nullptr;
    size_t size = 0;
    if (!encode_png(pixels, width, height, alpha, &png, &size, reason)) return 0;
    int error = 0;
    int written = write_beside(dest, mode, png, size, &error);
    free(png);
    if (!written) {
        snprintf(why, sizeof why, "%s", strerror(error));
        *reason = why;
        return 0;
    }
    return 1;
}

int save_picture_area(const char *path, int visible_only) {
    if (!library_state.window.buffer_dc) return refuse(path, "the library is not open");
    if (!path || !*path) return refuse(path, "no file name");
    // Nothing is read when the file could not be written anyway.
    if (const char *why = picture_unwritable(path)) return refuse(path, why);
    uint32_t *pixels = read_back_buffer();
    if (!pixels) return refuse(path, "the picture cannot be read");
    int width = library_state.picture.width, height = library_state.picture.height;
    if (visible_only) {
        visible_size(&width, &height);
        // Rows move forward into their shorter places; no row overtakes one still to be read.
        for (int j = 0; j < height; j++)
            memmove(pixels + (size_t)j * width, pixels + (size_t)j * library_state.picture.width,
                    (size_t)width * 4);
    }
    const char *reason = nullptr;
    int written = write_png_file(path, pixels, width, height, false, &reason);
    free(pixels);
    if (!written) return refuse(path, reason);
    return 1;
}

int save_picture(const char *path) {
    return save_picture_area(path, 0);
}

int TAVIX_save_picture(const char *path) {
    return save_picture(path);
}
