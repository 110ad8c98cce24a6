// The store of shared programs: <data>/shares/<id>.c or .cpp, written whole, read back without
// following links or reading more than the size limit.
#include "tools/playground/shares.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/grade/sandbox.h"
#include "tools/playground/text.h"

bool is_share_id(const std::string &text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool Shares::open(const std::string &folder, size_t max_count, size_t max_size,
                  std::string *why) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = "cannot make " + folder + ": " + strerror(errno);
        return false;
    }
    struct stat status;
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        *why = folder + " is not a folder";
        return false;
    }
    folder_ = folder;
    max_count_ = max_count;
    max_size_ = max_size;
    count_ = 0;
    DIR *dir = opendir(folder.c_str());
    if (!dir) {
        *why = "cannot read " + folder + ": " + strerror(errno);
        return false;
    }
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        size_t dot = name.find('.');
        if (dot != std::string::npos && is_share_id(name.substr(0, dot))) ++count_;
    }
    closedir(dir);
    return true;
}

Shares::Stored Shares::store(const std::string &language, const std::string &source,
                             std::string *id) {
    if (source.size() > max_size_) return Stored::too_large;
    *id = sha256_hex(language + "\n" + source).substr(0, 32);
    std::string path = folder_ + "/" + *id + (language == "cpp" ? ".cpp" : ".c");
    std::lock_guard<std::mutex> lock(mutex_);
    struct stat status;
    if (lstat(path.c_str(), &status) == 0) return Stored::stored;
    if (count_ >= max_count_) return Stored::full;
    if (!write_file_whole(path, source, 0600)) return Stored::failed;
    ++count_;
    return Stored::stored;
}

bool Shares::load(const std::string &id, std::string *language, std::string *source) {
    if (!is_share_id(id)) return false;
    std::string why;
    for (const char *ending : {".c", ".cpp"}) {
        source->clear();
        if (read_regular_file(AT_FDCWD, folder_ + "/" + id + ending, max_size_, source, &why)) {
            *language = ending[2] == 'p' ? "cpp" : "c";
            return true;
        }
    }
    return false;
}

size_t Shares::count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}
