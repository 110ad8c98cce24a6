// The server's own files and programs: found, read and run.
#ifndef TAVIX_TOOLS_PLAYGROUND_FILES_H
#define TAVIX_TOOLS_PLAYGROUND_FILES_H

#include <set>
#include <string>
#include <vector>

bool is_file(const std::string &path);
// The path with links and dots resolved, or the path as given when it cannot be.
std::string absolute(const std::string &path);
// The program name on the PATH, resolved; empty when there is none.
std::string find_program(const char *name);
// A file of the server's own (the kit's, the page's) whole, or empty.
std::string read_trusted(const std::string &path, size_t max);
// Runs a program (no shell) in folder, its errors on ours (its output too unless quiet); its
// exit status, or -1.
int run_program(const std::vector<std::string> &args, const std::string &folder,
                const std::vector<std::string> *env, bool quiet = true);
// The fonts a run's page may fetch from its fonts/ folder: the font files of the kit's
// share/tavix/web/fonts, whatever faces the kit was built with.
std::set<std::string> kit_fonts(const std::string &kit);

#endif
