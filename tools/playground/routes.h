// The requests tavix-playground answers: the editor page, compiles and their status, the runs'
// files, downloads and shared programs.
#ifndef TAVIX_TOOLS_PLAYGROUND_ROUTES_H
#define TAVIX_TOOLS_PLAYGROUND_ROUTES_H

#include <httplib.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>

#include "tools/playground/builds.h"
#include "tools/playground/shares.h"

// The largest program the page may send; a larger request is refused before it is read whole.
constexpr size_t SOURCE_LIMIT = 256 * 1024;

// What the server's requests share, made once at its start.
struct Playground {
    std::string run_address;      // where the page loads the programs' frames from, if not here
    std::string kit;              // the browser kit's prefix
    std::set<std::string> fonts;  // the font files its pages may fetch
    std::string scratch;          // this run's own folder: the builds, the downloads being made
    std::map<std::string, std::string> page_files;  // the editor page's files, by name
    Builds *builds = nullptr;
    Shares *shares = nullptr;
};

// The editor page's files read from its folder, by name; an empty map when one is missing.
std::map<std::string, std::string> read_page_files(const std::string &folder);
// Every request the server answers, over what p holds (which must outlive the server).
void add_routes(httplib::Server &server, const Playground &p);

#endif
