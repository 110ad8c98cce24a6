// Digests, JSON text and files written whole.
#include "tools/playground/text.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

std::string hex_of(const unsigned char *digest, unsigned int length) {
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

}  // namespace

std::string sha256_hex(const std::string &data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    return hex_of(digest, length);
}

std::string sha256_file_hex(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    bool ok = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    char buffer[65536];
    ssize_t got;
    while (ok && (got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        ok = got > 0 && EVP_DigestUpdate(context, buffer, (size_t)got) == 1;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    ok = ok && EVP_DigestFinal_ex(context, digest, &length) == 1;
    EVP_MD_CTX_free(context);
    close(fd);
    return ok ? hex_of(digest, length) : "";
}

namespace {

// The length of the well-formed UTF-8 sequence at s[at], or 0.
size_t utf8_length(const std::string &s, size_t at) {
    unsigned char c = (unsigned char)s[at];
    size_t n;
    unsigned int min;
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) n = 2, min = 0x80;
    else if (c >= 0xe0 && c <= 0xef) n = 3, min = 0x800;
    else if (c >= 0xf0 && c <= 0xf4) n = 4, min = 0x10000;
    else return 0;
    if (at + n > s.size()) return 0;
    unsigned int code = c & (0x7f >> n);
    for (size_t i = 1; i < n; ++i) {
        unsigned char d = (unsigned char)s[at + i];
        if ((d & 0xc0) != 0x80) return 0;
        code = code << 6 | (d & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (code < min || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) return 0;
    return n;
}

}  // namespace

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        unsigned char c = (unsigned char)text[at];
        size_t n = utf8_length(text, at);
        if (n == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (n > 1) {
            out.append(text, at, n);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f || c == '<' || c == '>' || c == '&') {
            // Control characters, and what could end a script element, as escapes.
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += (char)c;
        }
        at += n;
    }
    return out + "\"";
}

bool write_file_whole(const std::string &path, const std::string &data, int mode) {
    std::string temporary = path + ".part-" + std::to_string(getpid()) + "-" +
                            std::to_string((unsigned long)gettid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < data.size()) {
        ssize_t put = write(fd, data.data() + done, data.size() - done);
        if (put <= 0) break;
        done += (size_t)put;
    }
    bool ok = done == data.size();
    if (close(fd) != 0) ok = false;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}
