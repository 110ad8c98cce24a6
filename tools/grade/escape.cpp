// The programs' text made safe for the report and the formats: their output is whatever they
// wrote, bytes that need not be UTF-8, control characters, markup.
#include "tools/grade/grade.h"

#include <cstdio>

namespace {

const char REPLACEMENT[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at text[i] (1 to 4) with its code point in *code, or 0
// when the bytes there begin none: a stray continuation byte, an overlong form, a surrogate,
// past U+10FFFF, cut short, or a NUL.
size_t sequence(const std::string &text, size_t i, unsigned *code) {
    unsigned char c = (unsigned char)text[i];
    if (c == 0) return 0;
    if (c < 0x80) {
        *code = c;
        return 1;
    }
    size_t length;
    unsigned value, least;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, value = c & 0x1F, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, value = c & 0x0F, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, value = c & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = (unsigned char)text[i + k];
        if ((next & 0xC0) != 0x80) return 0;
        value = value << 6 | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

// A control character of C0 (but for tab, line feed and carriage return), DEL or C1.
bool control(unsigned code) {
    return (code < 0x20 && code != '\t' && code != '\n' && code != '\r') ||
           (code >= 0x7F && code <= 0x9F);
}

// Markup's five characters, or null.
const char *entity(unsigned code) {
    switch (code) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    default: return nullptr;
    }
}

}  // namespace

std::string valid_utf8(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned code;
        size_t length = sequence(text, i, &code);
        if (length == 0) {
            out += REPLACEMENT;
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string html_escape(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned code;
        size_t length = sequence(text, i, &code);
        if (length == 0 || control(code)) {
            // HTML has no way to show these: a reference to one is itself an error.
            out += REPLACEMENT;
            i += length ? length : 1;
        } else if (const char *e = entity(code)) {
            out += e;
            i += 1;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string xml_escape(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned code;
        size_t length = sequence(text, i, &code);
        if (length == 0) {
            out += REPLACEMENT;
            i += 1;
            continue;
        }
        if ((code < 0x20 && code != '\t' && code != '\n') || code == 0xFFFE || code == 0xFFFF) {
            out += '?';  // characters XML 1.0 cannot hold at all
        } else if (const char *e = entity(code)) {
            out += e;
        } else if (code >= 0x7F && code <= 0x9F) {
            char reference[16];
            snprintf(reference, sizeof reference, "&#x%x;", code);
            out += reference;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

std::string base64(const std::string &bytes) {
    static const char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        size_t left = bytes.size() - i;
        unsigned group = (unsigned char)bytes[i] << 16;
        if (left > 1) group |= (unsigned char)bytes[i + 1] << 8;
        if (left > 2) group |= (unsigned char)bytes[i + 2];
        out += digits[group >> 18 & 63];
        out += digits[group >> 12 & 63];
        out += left > 1 ? digits[group >> 6 & 63] : '=';
        out += left > 2 ? digits[group & 63] : '=';
    }
    return out;
}
