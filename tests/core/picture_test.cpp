// Saving the picture, and the script file named in the environment, in a process of its own: the
// first test runs before the library opens and chooses a picture size other than the usual, the
// rest with it open at that size and TAVIX_SCRIPT set.
#include "tests/core/png_reader.h"
#include "tests/script/library_fixture.h"

#include <climits>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

bool exists(const char *path) {
    struct stat info;
    return stat(path, &info) == 0;
}

std::string newest_message(int back = 0) {
    return harness::newest_console_message(back);
}

// Read when a test first opens the library.
const int script_setting = setenv("TAVIX_SCRIPT", "named.scr", 1);

// The size chosen before the start; odd one way, so that the centre is a pixel of its own.
const int PICTURE_W = 701, PICTURE_H = 400;

TEST(Picture, BeforeTheLibraryOpensNothingIsSavedAndThePictureSizeIsChosen) {
    ASSERT_EQ(script_setting, 0);
    ASSERT_EQ(library_state.window.graphics, nullptr);
    EXPECT_EQ(TAVIX_save_picture("/tmp/tavix-before-start.png"), 0);
    EXPECT_EQ(newest_message(),
              "Cannot save picture /tmp/tavix-before-start.png: the library is not open\n");
    EXPECT_FALSE(exists("/tmp/tavix-before-start.png"));

    int left = 1, bottom = 1, right = 1, top = 1;
    TAVIX_visible_area(&left, &bottom, &right, &top);
    EXPECT_EQ(left | bottom | right | top, 0);
    EXPECT_EQ(newest_message(), "TAVIX_visible_area before TAVIX_start: there is no window yet\n");

    const struct {
        int width, height, got_width, got_height;
        const char *warning;  // null: none
    } sizes[] = {
        {800, 600, 800, 600, nullptr},
        {63, 4097, 64, 4096, "Picture size of 63 x 4097 not possible, using 64 x 4096\n"},
        {INT_MIN, INT_MAX, 64, 4096,
         "Picture size of -2147483648 x 2147483647 not possible, using 64 x 4096\n"},
        {0, -5, 64, 64, "Picture size of 0 x -5 not possible, using 64 x 64\n"},
        {PICTURE_W, PICTURE_H, PICTURE_W, PICTURE_H, nullptr},
    };
    EXPECT_EQ(TAVIX_picture_width(), TAVIX_WIDTH);
    EXPECT_EQ(TAVIX_picture_height(), TAVIX_HEIGHT);
    for (const auto &c : sizes) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(TAVIX_set_picture_size(c.width, c.height), 1);
        // Logging is on from the load: the log line comes after the warning.
        EXPECT_EQ(newest_message(), "Picture size " + std::to_string(c.got_width) + " x " +
                                        std::to_string(c.got_height) + "\n");
        if (c.warning) {
            EXPECT_EQ(newest_message(1), c.warning);
        }
        EXPECT_EQ(TAVIX_picture_width(), c.got_width);
        EXPECT_EQ(TAVIX_picture_height(), c.got_height);
    }
}

class PictureTest : public LibraryTest {
   protected:
    // Shapes and text in several colours: a picture that does not compress to nothing.
    static void draw_something() {
        TAVIX_clear_window();
        TAVIX_draw_circle(BLUE, 100, 100, 50);
        TAVIX_draw_rectangle(RED, -200, 150, -100, 50, 0);
        TAVIX_draw_triangle(GOLD, -250, -200, 0, 250, 250, -200, 3);
        TAVIX_draw_line(FOREST_GREEN, -290, -240, 290, 240, 2);
        TAVIX_draw_text(NAVY_BLUE, -150, -100, 20, "Saved pictures");
        for (int i = 0; i < 24; i++) TAVIX_draw_pixel(i, -280 + 3 * i, -250);
    }
};

TEST_F(PictureTest, TheFileIsTheBackBufferPixelForPixel) {
    draw_something();
    ASSERT_EQ(TAVIX_save_picture("picture.png"), 1);
    PngPicture png;
    ASSERT_TRUE(read_png("picture.png", &png));
    ASSERT_EQ(png.width, PICTURE_W);
    ASSERT_EQ(png.height, PICTURE_H);
    int wrong = 0;
    for (int y = 0; y < PICTURE_H; y++) {
        for (int x = 0; x < PICTURE_W; x++) {
            COLORREF c = GetPixel(library_state.window.buffer_dc, x, y);
            uint32_t want = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
            if (png.at(x, y) != want && wrong++ < 5) ADD_FAILURE() << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Saving again replaces the file.
    TAVIX_clear_window();
    ASSERT_EQ(TAVIX_save_picture("picture.png"), 1);
    ASSERT_TRUE(read_png("picture.png", &png));
    EXPECT_EQ(png.at(library_state.window.origin_x + 100, library_state.window.origin_y - 100),
              0xFFFFFFu);
}

// The chosen size holds everywhere the picture's size counts: the window shows all of it with
// (0, 0) at its centre, drawing reaches its edges and no further, clicks and the visible area
// speak library coordinates, and the size stays once the library is open.
TEST_F(PictureTest, TheChosenSizeIsShownWholeCentredAndStays) {
    EXPECT_EQ(TAVIX_set_picture_size(300, 300), 0);
    EXPECT_EQ(newest_message(),
              "TAVIX_set_picture_size after TAVIX_start does nothing: the picture is 701 x 400\n");
    EXPECT_EQ(TAVIX_picture_width(), PICTURE_W);
    EXPECT_EQ(newest_message(), "Picture width 701\n");
    EXPECT_EQ(TAVIX_picture_height(), PICTURE_H);
    RECT client;
    ASSERT_TRUE(GetClientRect(library_state.window.graphics, &client));
    EXPECT_EQ(client.right, PICTURE_W);
    EXPECT_EQ(client.bottom, PICTURE_H);

    int left, bottom, right, top;
    TAVIX_visible_area(&left, &bottom, &right, &top);
    EXPECT_EQ(newest_message(), "Visible area (-350,-199) to (350,200)\n");
    EXPECT_EQ(left, -350);
    EXPECT_EQ(right, 350);
    EXPECT_EQ(bottom, -199);
    EXPECT_EQ(top, 200);
    TAVIX_visible_area(nullptr, nullptr, nullptr, nullptr);  // any pointer may be left out

    // Each corner of the area is a corner pixel of the picture; a step beyond is drawn nowhere,
    // and a fill begun beyond fills nothing.
    TAVIX_clear_window();
    const int corners[][4] = {{left, top, 0, 0},
                              {right, top, PICTURE_W - 1, 0},
                              {left, bottom, 0, PICTURE_H - 1},
                              {right, bottom, PICTURE_W - 1, PICTURE_H - 1}};
    for (const auto &c : corners) {
        EXPECT_EQ(TAVIX_draw_pixel(RED, c[0], c[1]), 1);
        EXPECT_EQ(TAVIX_draw_pixel(BLUE, c[0] + (c[2] ? 1 : -1), c[1]), 1);
        EXPECT_EQ(TAVIX_fill_area(GREEN, c[0], c[1] + (c[3] ? -1 : 1)), 1);
        EXPECT_EQ(GetPixel(library_state.window.buffer_dc, c[2], c[3]), RGB(255, 0, 0))
            << c[2] << "," << c[3];
    }
    EXPECT_EQ(GetPixel(library_state.window.buffer_dc, PICTURE_W / 2, PICTURE_H / 2),
              RGB(255, 255, 255));
    // Begun within, beside the right edge, a fill covers the white.
    EXPECT_EQ(TAVIX_fill_area(GREEN, right - 1, 0), 1);
    EXPECT_EQ(GetPixel(library_state.window.buffer_dc, PICTURE_W / 2, PICTURE_H / 2),
              RGB(0, 255, 0));
    // The visible part saved is the whole picture.
    ASSERT_EQ(save_picture_area("visible.png", 1), 1);
    PngPicture png;
    ASSERT_TRUE(read_png("visible.png", &png));
    EXPECT_EQ(png.width, PICTURE_W);
    EXPECT_EQ(png.height, PICTURE_H);
    EXPECT_EQ(png.at(PICTURE_W - 1, PICTURE_H - 1), 0xFF0000u);

    // A click on the last client pixel is the area's bottom right.
    harness::post_click(PICTURE_W - 1, PICTURE_H - 1);
    harness::Event e = harness::next_event();
    EXPECT_EQ(e.code, TAVIX_MOUSE);
    EXPECT_EQ(e.x, right);
    EXPECT_EQ(e.y, bottom);
}

TEST_F(PictureTest, AFailureSaysWhyAndLeavesNoFile) {
    const struct {
        const char *path;
        const char *message;
    } cases[] = {
        {nullptr, "Cannot save picture (no name): no file name\n"},
        {"", "Cannot save picture : no file name\n"},
        {"missing/picture.png",
         "Cannot save picture missing/picture.png: No such file or directory\n"},
        {".", "Cannot save picture .: Is a directory\n"},
        // Only ordinary files are written: a device is left alone, a FIFO never blocks.
        {"/dev/full", "Cannot save picture /dev/full: not a regular file\n"},
        {"fifo", "Cannot save picture fifo: not a regular file\n"},
        // Links that loop are named as such; a name too long is not taken for them (below).
        {"loop.png", "Cannot save picture loop.png: Too many levels of symbolic links\n"},
    };
    ASSERT_EQ(mkfifo("fifo", 0644), 0);
    ASSERT_EQ(symlink("loop.png", "loop.png"), 0);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path ? c.path : "null");
        EXPECT_EQ(TAVIX_save_picture(c.path), 0);
        EXPECT_EQ(newest_message(), c.message);
    }
    // The console line is cut short long before such a name ends: its reason is the saver's.
    const std::string long_name(4096, 'n');
    EXPECT_EQ(TAVIX_save_picture(long_name.c_str()), 0);
    EXPECT_STREQ(picture_failure(), "File name too long");
    EXPECT_FALSE(exists("missing"));
    EXPECT_TRUE(exists("/dev/full"));
}

// Asking whether a picture could be saved changes nothing on disk: a dangling link stays one.
TEST_F(PictureTest, LookingAtAPathChangesNothing) {
    ASSERT_EQ(symlink("target.png", "link.png"), 0);
    EXPECT_EQ(picture_unwritable("link.png"), nullptr);
    EXPECT_EQ(picture_unwritable("new.png"), nullptr);
    struct stat link;
    EXPECT_TRUE(lstat("link.png", &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_FALSE(exists("target.png"));
    EXPECT_FALSE(exists("new.png"));
    // Saving through it fills the target and keeps the link.
    ASSERT_EQ(TAVIX_save_picture("link.png"), 1);
    EXPECT_TRUE(lstat("link.png", &link) == 0 && S_ISLNK(link.st_mode));
    PngPicture png;
    EXPECT_TRUE(read_png("target.png", &png));
}

// A save that fails part way (a full disk, here a file size limit) leaves the picture that was
// there before exactly as it was, and no file of its own.
TEST_F(PictureTest, AFileCutShortByAWriteFailureIsRemoved) {
    draw_something();
    ASSERT_EQ(TAVIX_save_picture("whole.png"), 1);
    struct stat whole;
    ASSERT_EQ(stat("whole.png", &whole), 0);
    const rlim_t limit = 1024;
    ASSERT_GT(whole.st_size, (off_t)(2 * limit));
    // A child whose files may not grow past the limit: its write fails part way.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit small = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &small);
        TAVIX_clear_window();
        int saved = TAVIX_save_picture("cut.png");
        bool said = newest_message() == "Cannot save picture cut.png: File too large\n";
        int replaced = TAVIX_save_picture("whole.png");
        _exit(saved == 0 && said && replaced == 0 && !exists("cut.png") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(exists("cut.png"));
    struct stat after;
    ASSERT_EQ(stat("whole.png", &after), 0);
    EXPECT_EQ(after.st_size, whole.st_size);
    PngPicture png;
    ASSERT_TRUE(read_png("whole.png", &png));
    EXPECT_EQ(png.at(library_state.window.origin_x + 100, library_state.window.origin_y - 100),
              0x0000FFu);
    std::string names;
    if (DIR *folder = opendir(".")) {
        while (dirent *entry = readdir(folder)) names += std::string(entry->d_name) + " ";
        closedir(folder);
    }
    EXPECT_EQ(names.find(".png."), std::string::npos) << names;
}

TEST_F(PictureTest, RecordingUsesTheScriptFileNamedInTheEnvironment) {
    handle_command(ID_RECORD);
    harness::post_char(library_state.window.graphics, 'q');
    EXPECT_EQ(harness::next_event().code, TAVIX_KBD);
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file("named.scr"), "TAVIX_KBD(113);\n");
    EXPECT_FALSE(exists(SCRIPT_FILE_NAME));

    // Its messages name it too.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 10;
    handle_command(ID_RECORD);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    record_event(TAVIX_KBD, 0, 0, 'q');
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(newest_message(), "Cannot write script file named.scr: File too large\n");
}

}  // namespace
