/* Hostile submissions: each attacks the grading in its own way (HOSTILE names which), then
 * behaves as the reference does (grade_program.c). An attack that works says so on the console,
 * so that its run differs from the reference's; one that is stopped leaves the run "same".
 * The paths an attacker would look for are given when built (HOSTILE_TMP, HOSTILE_OUT, ...). */
#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <glob.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static void after_start(void);
#define GRADE_VARIANT 0
#define GRADE_AFTER_START after_start
#define main reference_main
#include "grade_program.c"
#undef main

enum {
    NEIGHBOUR,
    CMDLINE,
    SETSID,
    PLANT,
    STEAL,
    TCP,
    WRITE_OUT,
    LITTER,
    FORK_BOMB,
    MEMORY,
    GIGABYTE,
    DEAF,
    PARRICIDE,
    CLOCK
};

static double seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

/* Every path matching any of the patterns that is not in this run's own folder. */
static void each_match(const char *const *patterns, void (*use)(const char *)) {
    char own[4096];
    if (!getcwd(own, sizeof own)) own[0] = 0;
    for (; *patterns; ++patterns) {
        glob_t found;
        if (glob(*patterns, 0, NULL, &found) != 0) continue;
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            char real[4096];
            if (realpath(found.gl_pathv[i], real) && own[0] && strncmp(real, own, strlen(own)) == 0)
                continue;
            use(found.gl_pathv[i]);
        }
        globfree(&found);
    }
}

static const char *const SNAPSHOTS[] = {"../*/snapshot.png", HOSTILE_TMP "/*/*/snapshot.png",
                                        "/tmp/tavix-grade-*/*/snapshot.png", NULL};
static const char *const FOLDERS[] = {"../*/", HOSTILE_TMP "/*/", HOSTILE_TMP "/*/*/",
                                      "/tmp/tavix-grade-*/*/", NULL};

static void overwrite(const char *path) {
    int fd = open(path, O_WRONLY | O_TRUNC);
    if (fd >= 0 && write(fd, "not a picture", 13) == 13) fprintf(stderr, "overwrote %s\n", path);
    if (fd >= 0) close(fd);
}

static void plant(const char *folder) {
    char path[4096];
    snprintf(path, sizeof path, "%s/one.scr", folder);
    if (mkfifo(path, 0666) == 0) fprintf(stderr, "planted a FIFO in %s\n", folder);
    snprintf(path, sizeof path, "%s/two.scr", folder);
    if (symlink(HOSTILE_OUT "/summary.csv", path) == 0)
        fprintf(stderr, "planted a link in %s\n", folder);
}

static void cheat(void) {
    char path[64], args[65536];
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)getppid());
    int fd = open(path, O_RDONLY);
    ssize_t got = fd < 0 ? 0 : read(fd, args, sizeof args - 1);
    if (fd >= 0) close(fd);
    for (ssize_t at = 0; got > 0 && at < got;) {
        const char *arg = args + at;
        at += (ssize_t)strlen(arg) + 1;
        if (strcmp(arg, "--reference") == 0 && at < got) {
            char *const argv[] = {args + at, NULL};
            extern char **environ;
            execve(args + at, argv, environ);
        }
    }
    fprintf(stderr, "my own work\n");
}

static void deface(void) {
    if (fork() != 0) return;
    setsid();
    if (fork() != 0) _exit(0);
    for (double end = seconds() + 60; seconds() < end; usleep(20000)) {
        const char *files[] = {HOSTILE_OUT "/report.html", HOSTILE_OUT "/summary.csv"};
        for (int i = 0; i < 2; ++i) {
            int fd = open(files[i], O_WRONLY | O_TRUNC);
            if (fd >= 0) {
                if (write(fd, "defaced\n", 8) != 8) {
                }
                close(fd);
            }
        }
    }
    _exit(0);
}

static void attack(void) {
    switch (HOSTILE) {
        case NEIGHBOUR:
            for (double end = seconds() + 1.5; seconds() < end; usleep(10000))
                each_match(SNAPSHOTS, overwrite);
            break;
        case CMDLINE:
            cheat();
            break;
        case SETSID:
            deface();
            break;
        case PLANT:
            for (double end = seconds() + 1.0; seconds() < end; usleep(20000))
                each_match(FOLDERS, plant);
            break;
        case STEAL: {
            FILE *source = fopen(HOSTILE_SECRET, "r");
            char line[256];
            if (source && fgets(line, sizeof line, source)) fprintf(stderr, "stole: %s", line);
            /* A secret in the teacher's environment. */
            if (getenv("HOSTILE_TOKEN"))
                fprintf(stderr, "stole the token %s\n", getenv("HOSTILE_TOKEN"));
            break;
        }
        case TCP: {
            int fd = socket(AF_INET, SOCK_STREAM, 0);
            struct sockaddr_in to;
            memset(&to, 0, sizeof to);
            to.sin_family = AF_INET;
            to.sin_port = htons(HOSTILE_PORT);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(fd, (struct sockaddr *)&to, sizeof to) == 0 && write(fd, "source", 6) == 6)
                fprintf(stderr, "sent it over TCP\n");
            close(fd);
            break;
        }
        case WRITE_OUT: {
            const char *files[] = {HOSTILE_OUT "/planted.html",
                                   HOSTILE_REFERENCE_DIR "/planted.txt"};
            for (int i = 0; i < 2; ++i) {
                FILE *file = fopen(files[i], "w");
                if (file) fprintf(stderr, "wrote %s\n", files[i]);
                if (file) fclose(file);
            }
            break;
        }
        case LITTER:
        case GIGABYTE: {
            static char block[1 << 20];
            memset(block, 'x', sizeof block);
            int files = HOSTILE == LITTER ? 4 : 1, blocks = HOSTILE == LITTER ? 60 : 1024;
            for (int f = 0; f < files; ++f) {
                char name[32];
                snprintf(name, sizeof name, "litter%d", f);
                int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
                for (int b = 0; fd >= 0 && b < blocks; ++b)
                    if (write(fd, block, sizeof block) < 0 && errno != ENOSPC) break;
                if (fd >= 0) close(fd);
                if (HOSTILE == GIGABYTE) unlink(name);
            }
            break;
        }
        case FORK_BOMB:
            if (fork() == 0)
                for (;;) fork();
            break;
        case MEMORY:
            for (;;) {
                char *chunk = malloc(1 << 20);
                if (!chunk) abort();
                memset(chunk, 1, 1 << 20);
            }
        case DEAF:
            for (;;) pause();
        case PARRICIDE:
            kill(getppid(), SIGKILL);
            kill(-1, SIGKILL);
            break;
        case CLOCK:
            /* What textbooks teach, first thing in main: the numbers differ from run to run,
             * unless the clock does not. */
            srand((unsigned)time(NULL));
            break;
    }
}

static void after_start(void) {
    if (HOSTILE != CLOCK) return;
    /* Those numbers, and the library's own generator's, which no line of the script seeds. */
    fprintf(stderr, "dice %d %d %d, TAVIX_random %d\n", rand() % 6 + 1, rand() % 6 + 1,
            rand() % 6 + 1, TAVIX_random(1000000));
}

int main(void) {
    attack();
    return reference_main();
}
