// Small helpers of tavix-playground: digests, JSON text, files written whole.
#ifndef TAVIX_TOOLS_PLAYGROUND_TEXT_H
#define TAVIX_TOOLS_PLAYGROUND_TEXT_H

#include <string>

// The SHA-256 of data in lower-case hex.
std::string sha256_hex(const std::string &data);
// The SHA-256 of a file's bytes in lower-case hex, read a piece at a time; empty if it cannot be
// read.
std::string sha256_file_hex(const std::string &path);
// text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string json_string(const std::string &text);
// Writes data to path through a temporary file beside it and a rename, so that a reader sees
// the whole file or none; mode as open's.
bool write_file_whole(const std::string &path, const std::string &data, int mode);

#endif
