// The escapes that stand between a submission's output and the report page and the formats:
// whatever bytes a program wrote, what comes out is valid UTF-8 with no markup of its own.
#include "tools/grade/grade.h"

#include <gtest/gtest.h>

namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

TEST(GradeEscape, HostileTextComesOutInert) {
    struct Case {
        std::string in, html, xml, utf8;
    } cases[] = {
        {"plain text", "plain text", "plain text", "plain text"},
        {"", "", "", ""},
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;",
         "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;", "<script>alert('x')</script>"},
        // An attribute value cannot be closed from inside it, in either quotes.
        {"\" onerror=\"x' a='", "&quot; onerror=&quot;x&#39; a=&#39;",
         "&quot; onerror=&quot;x&#39; a=&#39;", "\" onerror=\"x' a='"},
        {"&amp; &#60;", "&amp;amp; &amp;#60;", "&amp;amp; &amp;#60;", "&amp; &#60;"},
        {"a\tb\nc\rd", "a\tb\nc\rd", "a\tb\nc?d", "a\tb\nc\rd"},
        // NUL, escape sequences, DEL and the C1 controls (a reference to 0x80 would show a euro
        // sign in a browser).
        {std::string("a\0b", 3), "a" + R + "b", "a" + R + "b", "a" + R + "b"},
        {"\x1b[31mred\x1b[0m", R + "[31mred" + R + "[0m", "?[31mred?[0m",
         "\x1b[31mred\x1b[0m"},
        {"\x7f\xC2\x80\xC2\x9F", R + R + R, "&#x7f;&#x80;&#x9f;", "\x7f\xC2\x80\xC2\x9F"},
        // Valid UTF-8 of every length is kept.
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        // Invalid bytes, one U+FFFD each: a stray continuation, a lone lead byte, a sequence cut
        // short at the end, overlong forms (of '<' too, which must not become markup),
        // surrogates, past U+10FFFF, bytes UTF-8 never uses.
        {"a\x80z", "a" + R + "z", "a" + R + "z", "a" + R + "z"},
        {"\xC3(", R + "(", R + "(", R + "("},
        {"ab\xE2\x82", "ab" + R + R, "ab" + R + R, "ab" + R + R},
        {"\xC0\xBC\xE0\x80\xBC", R + R + R + R + R, R + R + R + R + R, R + R + R + R + R},
        {"\xED\xA0\x80", R + R + R, R + R + R, R + R + R},
        {"\xF4\x90\x80\x80", R + R + R + R, R + R + R + R, R + R + R + R},
        {"\xF5\xFE\xFF", R + R + R, R + R + R, R + R + R},
        // Characters XML 1.0 cannot hold.
        {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBE\xEF\xBF\xBF", "??",
         "\xEF\xBF\xBE\xEF\xBF\xBF"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(html_escape(c.in), c.html) << c.in;
        EXPECT_EQ(xml_escape(c.in), c.xml) << c.in;
        EXPECT_EQ(valid_utf8(c.in), c.utf8) << c.in;
    }
    struct Encoded {
        std::string in, out;
    } encoded[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {std::string("\0\xFF\xFE\x89PNG", 7), "AP/+iVBORw=="},
    };
    for (const Encoded &e : encoded) EXPECT_EQ(base64(e.in), e.out) << e.in;
}

}  // namespace
