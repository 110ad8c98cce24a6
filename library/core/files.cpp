// Opening the files a program names (sounds, images, the sound file): only a regular file is
// taken. A FIFO without a partner, a terminal or a device would block the program in the open or
// in the first read, so the file is opened without waiting and looked at before it is used.
#include "library/core/state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FILE *open_regular_file(const char *path, bool writing, const char **why) {
    static const char not_regular[] = "not a regular file";
    *why = nullptr;
#ifdef _WIN32
    FILE *stream = fopen(path, writing ? "ab" : "rb");
    if (!stream) {
        *why = strerror(errno);
        return nullptr;
    }
    if (GetFileType((HANDLE)_get_osfhandle(_fileno(stream))) != FILE_TYPE_DISK) {
        fclose(stream);
        *why = not_regular;
        return nullptr;
    }
    if (writing && _chsize(_fileno(stream), 0) != 0) {
        *why = strerror(errno);
        fclose(stream);
        return nullptr;
    }
    return stream;
#else
    int fd = open(
        path, (writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        *why = strerror(errno);
        return nullptr;
    }
    struct stat info;
    FILE *stream = nullptr;
    if (fstat(fd, &info) != 0)
        *why = strerror(errno);
    else if (!S_ISREG(info.st_mode))
        *why = not_regular;
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
             (writing && ftruncate(fd, 0) != 0))
        *why = strerror(errno);
    else if (!(stream = fdopen(fd, writing ? "wb" : "rb")))
        *why = strerror(errno);
    if (!stream) close(fd);
    return stream;
#endif
}
