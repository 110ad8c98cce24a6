// tavix-playground's shared programs: a program shared from the page is stored under the data
// folder as one file named by its digest (the language in the name's ending), and nothing else
// is stored. The store holds at most a given number of programs, each at most a given size.
#ifndef TAVIX_TOOLS_PLAYGROUND_SHARES_H
#define TAVIX_TOOLS_PLAYGROUND_SHARES_H

#include <cstddef>
#include <mutex>
#include <string>

// Whether text is a share's name as shares make them (32 lower-case hex digits).
bool is_share_id(const std::string &text);

class Shares {
   public:
    // folder: made if missing (the data folder's shares/); limits on count and size.
    bool open(const std::string &folder, size_t max_count, size_t max_size, std::string *why);

    enum class Stored { stored, too_large, full, failed };
    // Stores a program (or finds it stored) and gives its name.
    Stored store(const std::string &language, const std::string &source, std::string *id);
    // Reads a stored program; false for a name not stored.
    bool load(const std::string &id, std::string *language, std::string *source);
    size_t count();

   private:
    std::mutex mutex_;
    std::string folder_;
    size_t max_count_ = 0, max_size_ = 0, count_ = 0;
};

#endif
