// Without any font installed: text is not drawn, one warning goes to stderr, metrics stay
// usable for layout, and nothing fails. Runs in its own process with a font configuration that
// lists no font folders, set before the first text call.
#include "paint_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(NoFonts, TextIsSkippedWithOneWarning) {
    char dir[] = "/tmp/tavix-nofonts-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string conf = std::string(dir) + "/fonts.conf";
    FILE *f = fopen(conf.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n", dir);
    fclose(f);
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);

    Canvas32 c(100, 40);
    HFONT font =
        CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "TAVIX-font");
    testing::internal::CaptureStderr();
    for (HGDIOBJ choice : {(HGDIOBJ)font, GetStockObject(ANSI_FIXED_FONT)}) {
        SelectObject(c.dc, choice);
        EXPECT_TRUE(TextOutA(c.dc, 2, 2, "Hello", 5));
        EXPECT_TRUE(TextOutA(c.dc, 2, 20, "again", 5));
        SIZE size;
        EXPECT_TRUE(GetTextExtentPointA(c.dc, "Hello", 5, &size));
        EXPECT_GT(size.cx, 0);
        EXPECT_GT(size.cy, 0);
        TEXTMETRICA tm;
        EXPECT_TRUE(GetTextMetricsA(c.dc, &tm));
        EXPECT_EQ(tm.tmHeight, size.cy);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(coverage(c.dc, 100, 40), "");
    EXPECT_NE(err.find("no font"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;

    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
    unlink(conf.c_str());
    std::string cleanup = "rm -rf '" + std::string(dir) + "'";
    EXPECT_EQ(system(cleanup.c_str()), 0);
}

}  // namespace
