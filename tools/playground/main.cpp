// tavix-playground: a class's playground in the browser. One command serves an editor page;
// each program typed there is compiled by the browser kit inside the sandbox that tavix-grade
// runs submissions in, and runs in a sandboxed frame of the page, apart from the editor.
//
//   tavix-playground [--listen ADDRESS:PORT] [--jobs N] [--data DIR] [--kit DIR]
//                    [--queue N] [--compile-seconds S] [--run-address URL]
#include <httplib.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/grade/sandbox.h"
#include "tools/playground/builds.h"
#include "tools/playground/shares.h"
#include "tools/playground/text.h"

namespace {

const char USAGE[] =
    "usage: tavix-playground [--listen ADDRESS:PORT] [--jobs N] [--data DIR] [--kit DIR]\n"
    "                        [--queue N] [--compile-seconds S] [--run-address URL]\n";

// The largest program the page may send; a larger request is refused before it is read whole.
const size_t SOURCE_LIMIT = 256 * 1024;
// The editor page's files, from the page folder.
const char *const PAGE_FILES[][2] = {{"index.html", "text/html; charset=utf-8"},
                                     {"playground.js", "text/javascript; charset=utf-8"},
                                     {"playground.css", "text/css; charset=utf-8"},
                                     {"bridge.js", "text/javascript; charset=utf-8"},
                                     {"examples.json", "application/json"}};

struct Options {
    std::string host = "127.0.0.1";
    int port = 8080;
    int jobs = 2;
    std::string data = "tavix-playground-data";
    std::string kit;
    size_t queue = 32;
    double compile_seconds = 90;
    std::string run_address;  // where the page loads the programs' frames from, if not here
};

[[noreturn]] void fail(const std::string &message) {
    fprintf(stderr, "tavix-playground: %s\n", message.c_str());
    exit(2);
}

bool whole_number(const char *text, long low, long high, long *value) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high) return false;
    *value = v;
    return true;
}

Options parse(int argc, char **argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc) fail(a + " needs a value\n" + USAGE);
            return argv[++i];
        };
        long number = 0;
        if (a == "--help" || a == "-h") {
            fputs(USAGE, stdout);
            exit(0);
        } else if (a == "--listen") {
            std::string listen = value();
            size_t colon = listen.rfind(':');
            if (colon == std::string::npos || !whole_number(listen.c_str() + colon + 1, 0, 65535, &number))
                fail("--listen takes ADDRESS:PORT (127.0.0.1:8080; port 0 for any free one)");
            options.host = listen.substr(0, colon);
            if (options.host.size() > 2 && options.host.front() == '[' && options.host.back() == ']')
                options.host = options.host.substr(1, options.host.size() - 2);
            options.port = (int)number;
        } else if (a == "--jobs") {
            if (!whole_number(value(), 1, 64, &number)) fail("--jobs takes a number from 1 to 64");
            options.jobs = (int)number;
        } else if (a == "--queue") {
            if (!whole_number(value(), 0, 10000, &number)) fail("--queue takes a number from 0 to 10000");
            options.queue = (size_t)number;
        } else if (a == "--compile-seconds") {
            if (!whole_number(value(), 5, 3600, &number)) fail("--compile-seconds takes 5 to 3600");
            options.compile_seconds = (double)number;
        } else if (a == "--data") {
            options.data = value();
        } else if (a == "--run-address") {
            options.run_address = value();
            // Only an address of a web server: it goes into the page and its policy as it is.
            static const std::regex address("https?://[A-Za-z0-9.-]+(:[0-9]{1,5})?(/[A-Za-z0-9._~/-]*)?");
            if (!std::regex_match(options.run_address, address))
                fail("--run-address takes an address such as https://runs.example.org/");
            if (options.run_address.back() != '/') options.run_address += '/';
        } else if (a == "--kit") {
            options.kit = value();
        } else {
            fail("unknown option " + a + "\n" + USAGE);
        }
    }
    return options;
}

std::string own_folder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    path[length] = 0;
    std::string text = path;
    return text.substr(0, text.rfind('/'));
}

bool is_file(const std::string &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string absolute(const std::string &path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

std::string find_program(const char *name) {
    const char *path = getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (end > at && access(candidate.c_str(), X_OK) == 0) return absolute(candidate);
        at = end + 1;
    }
    return "";
}

// The fonts a run's page may fetch from its fonts/ folder: the font files of the kit's
// share/tavix/web/fonts, whatever faces the kit was built with.
std::set<std::string> kit_fonts(const std::string &kit) {
    std::set<std::string> fonts;
    static const std::regex font_name("[A-Za-z0-9_-]+\\.ttf");
    std::string folder = kit + "/share/tavix/web/fonts";
    if (DIR *dir = opendir(folder.c_str())) {
        while (struct dirent *entry = readdir(dir))
            if (std::regex_match(entry->d_name, font_name) && is_file(folder + "/" + entry->d_name))
                fonts.insert(entry->d_name);
        closedir(dir);
    }
    return fonts;
}

std::string read_trusted(const std::string &path, size_t max) {
    std::string data, why;
    if (!read_regular_file(AT_FDCWD, path, max, &data, &why)) return "";
    return data;
}

// Runs a program (no shell) in folder, its errors on ours (its output too unless quiet); its
// exit status, or -1.
int run_program(const std::vector<std::string> &args, const std::string &folder,
                const std::vector<std::string> *env, bool quiet = true) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        int null_fd = quiet ? open("/dev/null", O_WRONLY) : -1;
        if (null_fd >= 0) dup2(null_fd, 1);
        std::vector<char *> argv, envp;
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if (env) {
            for (const std::string &e : *env) envp.push_back(const_cast<char *>(e.c_str()));
            envp.push_back(nullptr);
            execve(argv[0], argv.data(), envp.data());
        } else {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The library's version and the identity of the kit's files that make a page, for the keys:
// another kit makes other pages of the same source.
std::string kit_version(const std::string &kit) {
    std::string header = read_trusted(kit + "/include/tavix_version.h", 1 << 16);
    std::string identity = header;
    for (const char *file : {"/bin/tavix-web", "/lib/libtavix.a", "/lib/libtavix_platform.a",
                             "/lib/libtavix_main.a", "/share/tavix/web/library_web.js",
                             "/share/tavix/web/tavix-page.js", "/lib/cmake/tavix/page.html.in"})
        identity += sha256_file_hex(kit + file);
    std::smatch match;
    std::string version = "unknown";
    static const std::regex named("TAVIX_VERSION_STRING\\s+\"([^\"]*)\"");
    if (std::regex_search(header, match, named)) version = match[1];
    return version + "+" + sha256_hex(identity).substr(0, 16);
}

// The first program of the guide, the warm-up compile's.
const char WARM_PROGRAM[] =
    "#include <tavix.h>\n"
    "int main(void) {\n"
    "    int x, y;\n"
    "    char key;\n"
    "    TAVIX_start(NULL, NULL, NULL, 1);\n"
    "    TAVIX_draw_circle(RED, 0, 0, 100);\n"
    "    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {\n"
    "    }\n"
    "    TAVIX_finish();\n"
    "    return 0;\n"
    "}\n";

// One compile outside the sandbox, with the options the sandboxed ones use: emscripten builds
// the system libraries they need into its cache now, where the sandboxed compiles only read.
bool warm_cache(const BuildSettings &settings, const std::string &scratch) {
    std::string folder = scratch + "/warm";
    mkdir(folder.c_str(), 0700);
    if (!write_file_whole(folder + "/main.c", WARM_PROGRAM, 0600)) return false;
    std::vector<std::string> env = passed_environment(false, {});
    env.push_back("HOME=" + folder);
    env.push_back("TMPDIR=" + folder);
    env.push_back("NODE_PATH=/usr/share/nodejs");
    int status = run_program({settings.node, settings.kit + "/bin/tavix-web", "main.c", "-o", ".",
                              "--max-memory", std::to_string(settings.run_memory_mb)},
                             folder, &env);
    run_program({"/bin/rm", "-rf", folder}, "", nullptr);
    return status == 0;
}

void send_json(httplib::Response &response, int code, const std::string &body) {
    response.status = code;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body, "application/json");
}

void send_error(httplib::Response &response, int code, const std::string &message) {
    send_json(response, code, "{\"error\":" + json_string(message) + "}");
}

std::string status_json(const std::string &key, const BuildStatus &status) {
    static const char *const names[] = {"queued", "compiling", "done", "failed"};
    std::string body = "{\"id\":\"" + key + "\",\"state\":\"" + names[(int)status.state] + "\"";
    if (status.state == BuildState::queued)
        body += ",\"position\":" + std::to_string(status.position);
    if (!status.log.empty()) body += ",\"log\":" + json_string(status.log);
    if (!status.message.empty()) body += ",\"message\":" + json_string(status.message);
    return body + "}";
}

// The language a request names: "c" (the default) or "cpp"; empty for anything else.
std::string language_of(const httplib::Request &request) {
    std::string language = request.has_param("lang") ? request.get_param_value("lang") : "c";
    return language == "c" || language == "cpp" ? language : "";
}

// A page folder as a learner downloads it: program/main.c and program/page/ (the run's page,
// its fonts beside it), which any static web server serves. Made once per build, with zip.
bool make_download(const std::string &build, const std::string &kit,
                   const std::set<std::string> &fonts, const std::string &scratch, std::string *zip) {
    std::string ready = build + "/program.zip";
    if (is_file(ready)) return read_regular_file(AT_FDCWD, ready, 256u << 20, zip, &ready);
    std::string stage = scratch + "/zip-XXXXXX";
    if (!mkdtemp(&stage[0])) return false;
    std::string top = stage + "/program";
    bool ok = mkdir(top.c_str(), 0755) == 0 && mkdir((top + "/page").c_str(), 0755) == 0 &&
              mkdir((top + "/page/fonts").c_str(), 0755) == 0;
    auto copy = [&](const std::string &from, const std::string &to) {
        std::string data;
        ok = ok && read_regular_file(AT_FDCWD, from, 256u << 20, &data, &ready) &&
             write_file_whole(to, data, 0644);
    };
    std::string source = is_file(build + "/main.cpp") ? "main.cpp" : "main.c";
    copy(build + "/" + source, top + "/" + source);
    for (int i = 0; BUILD_FILES[i]; ++i) copy(build + "/" + BUILD_FILES[i], top + "/page/" + BUILD_FILES[i]);
    copy(build + "/main.html", top + "/page/index.html");
    for (const std::string &font : fonts)
        copy(kit + "/share/tavix/web/fonts/" + font, top + "/page/fonts/" + font);
    std::string zip_program = find_program("zip");
    ok = ok && !zip_program.empty() &&
         run_program({zip_program, "-q", "-r", "-X", "program.zip", "program"}, stage, nullptr) == 0;
    std::string made = stage + "/program.zip";
    if (ok) ok = read_regular_file(AT_FDCWD, made, 256u << 20, zip, &ready);
    if (ok) write_file_whole(build + "/program.zip", *zip, 0644);
    run_program({"/bin/rm", "-rf", stage}, "", nullptr);
    return ok;
}

// What the server's requests share, made once at its start.
struct Playground {
    Options options;
    std::string kit;      // the browser kit's prefix
    std::set<std::string> fonts;  // the font files its pages may fetch
    std::string scratch;  // this run's own folder: the builds, the downloads being made
    std::map<std::string, std::string> page_files;  // the editor page's files, by name
    Builds *builds = nullptr;
    Shares *shares = nullptr;
};

void send_page_file(const Playground &p, const std::string &name, httplib::Response &response) {
    for (const auto &file : PAGE_FILES)
        if (name == file[0]) {
            response.set_header("Cache-Control", "no-cache");
            response.set_content(p.page_files.at(name), file[1]);
            return;
        }
    response.status = 404;
}

// Every request the server answers: the editor page, compiles, the runs' files, downloads and
// shared programs.
void add_routes(httplib::Server &server, const Playground &p) {
    // Programs are sent from the playground's own page only: not from a program's frame
    // (its origin is opaque, "null"), nor from another site's page in the learner's browser.
    server.set_pre_routing_handler([](const httplib::Request &request,
                                      httplib::Response &response) {
        if (request.method != "POST") return httplib::Server::HandlerResponse::Unhandled;
        std::string origin = request.get_header_value("Origin");
        std::string site = request.get_header_value("Sec-Fetch-Site");
        if (origin == "null" || (!site.empty() && site != "same-origin" && site != "none")) {
            send_error(response, 403, "The playground takes programs from its own page only.");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler([](const httplib::Request &, httplib::Response &response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Referrer-Policy", "no-referrer");
    });

    // The programs' frames come from another site than the page's where one is at hand (the
    // other name of this machine, or --run-address), so that the browser runs them in a
    // process of their own even where it does not isolate sandboxed frames by themselves.
    std::string frames = "'self' http://127.0.0.1:* http://localhost:*";
    if (!p.options.run_address.empty()) frames += " " + p.options.run_address;
    // The editor page: its own scripts only, frames only from here, never framed itself.
    server.Get("/", [&p, frames](const httplib::Request &, httplib::Response &response) {
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; style-src 'self' 'unsafe-inline'; "
                            "img-src 'self' data: blob:; frame-src " + frames + "; "
                            "frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
        send_page_file(p, "index.html", response);
    });
    server.Get("/config.json", [&](const httplib::Request &, httplib::Response &response) {
        send_json(response, 200, "{\"runAddress\":" + json_string(p.options.run_address) + "}");
    });
    server.Get("/(playground\\.js|playground\\.css|examples\\.json)",
               [&](const httplib::Request &request, httplib::Response &response) {
                   send_page_file(p, request.matches[1], response);
               });

    // Compiles: POST the source, then ask for its status until it is done or failed.
    server.Post("/api/build", [&](const httplib::Request &request, httplib::Response &response) {
        std::string language = language_of(request);
        if (language.empty()) return send_error(response, 400, "The language is c or cpp.");
        if (request.body.size() > SOURCE_LIMIT)
            return send_error(response, 413, "The program is larger than 256 KB: the playground "
                                             "takes programs up to 256 KB.");
        std::string key;
        BuildStatus status;
        if (p.builds->submit(language, request.body, &key, &status) == Builds::Submitted::busy) {
            response.set_header("Retry-After", "5");
            return send_error(response, 503, "The playground is busy: every place in the queue "
                                             "is taken. Try again in a moment.");
        }
        send_json(response, 200, status_json(key, status));
    });
    server.Get("/api/build/([0-9a-f]{64})",
               [&](const httplib::Request &request, httplib::Response &response) {
                   BuildStatus status;
                   if (!p.builds->status(request.matches[1], &status))
                       return send_error(response, 404, "No such program: Run it again.");
                   send_json(response, 200, status_json(request.matches[1], status));
               });

    // A finished build's files, for the run's frame. The frame's origin is opaque (its
    // page is sandboxed, here and by its frame), so its fetches are cross-origin: allowed
    // to anyone, as the files are public by their key.
    server.Get("/run/([0-9a-f]{64})/(index\\.html|main\\.js|main\\.wasm|bridge\\.js|fonts/[A-Za-z0-9_-]+\\.ttf)",
               [&](const httplib::Request &request, httplib::Response &response) {
                   std::string key = request.matches[1], name = request.matches[2];
                   std::string folder = p.builds->folder(key);
                   response.set_header("Access-Control-Allow-Origin", "*");
                   response.set_header("Cross-Origin-Resource-Policy", "cross-origin");
                   if (folder.empty()) {
                       response.status = 404;
                       response.set_content("No such program: Run it again.\n", "text/plain");
                       return;
                   }
                   if (name == "bridge.js") return send_page_file(p, name, response);
                   std::string data, type = "application/octet-stream", why;
                   if (name.compare(0, 6, "fonts/") == 0) {
                       if (!p.fonts.count(name.substr(6))) {
                           response.status = 404;
                           return;
                       }
                       data = read_trusted(p.kit + "/share/tavix/web/" + name, 64u << 20);
                       type = "font/ttf";
                   } else {
                       std::string file = name == "index.html" ? "main.html" : name;
                       read_regular_file(AT_FDCWD, folder + "/" + file, 256u << 20, &data, &why);
                       if (name == "main.js") type = "text/javascript";
                       if (name == "main.wasm") type = "application/wasm";
                   }
                   if (name == "index.html") {
                       type = "text/html; charset=utf-8";
                       // The frame tells the editor what the program does.
                       const std::string script = "<script src=\"main.js\"></script>";
                       size_t at = data.find(script);
                       if (at != std::string::npos) {
                           data.insert(at + script.size(), "\n<script src=\"bridge.js\"></script>");
                           // The WebAssembly is fetched while the script loads, not after.
                           data.insert(at, "<link rel=\"preload\" href=\"main.wasm\" as=\"fetch\" "
                                           "type=\"application/wasm\" crossorigin>\n");
                       }
                       // Opened alone, the page is as sandboxed as in its frame.
                       response.set_header("Content-Security-Policy",
                                           "sandbox allow-scripts allow-downloads");
                       response.set_header("Cache-Control", "no-cache");
                   } else {
                       response.set_header("Cache-Control", "public, max-age=86400, immutable");
                   }
                   response.set_content(data, type.c_str());
               });

    server.Get("/api/download/([0-9a-f]{64})",
               [&](const httplib::Request &request, httplib::Response &response) {
                   std::string folder = p.builds->folder(request.matches[1]);
                   if (folder.empty()) return send_error(response, 404, "No such program: Run it again.");
                   std::string zip;
                   if (!make_download(folder, p.kit, p.fonts, p.scratch, &zip))
                       return send_error(response, 500, "The download could not be made.");
                   response.set_header("Content-Disposition", "attachment; filename=\"program.zip\"");
                   response.set_content(zip, "application/zip");
               });

    // Sharing: the source stored by its digest; the link opens the editor with it.
    server.Post("/api/share", [&](const httplib::Request &request, httplib::Response &response) {
        std::string language = language_of(request);
        if (language.empty()) return send_error(response, 400, "The language is c or cpp.");
        std::string id;
        switch (p.shares->store(language, request.body, &id)) {
            case Shares::Stored::stored:
                return send_json(response, 200, "{\"id\":\"" + id + "\"}");
            case Shares::Stored::too_large:
                return send_error(response, 413, "The program is larger than 256 KB: it cannot be shared.");
            case Shares::Stored::full:
                return send_error(response, 507, "The playground holds as many shared programs as it may: ask its keeper.");
            case Shares::Stored::failed:
                break;
        }
        send_error(response, 500, "The program could not be stored.");
    });
    server.Get("/api/share/([0-9a-f]{32})", [&](const httplib::Request &request, httplib::Response &response) {
        std::string language, source;
        if (!p.shares->load(request.matches[1], &language, &source))
            return send_error(response, 404, "No program is shared under this link.");
        send_json(response, 200, "{\"lang\":\"" + language + "\",\"source\":" + json_string(source) + "}");
    });
}

}  // namespace

int main(int argc, char **argv) {
    Options options = parse(argc, argv);
    std::string own = own_folder();

    // The browser kit: given, or installed beside this program.
    std::string kit = options.kit.empty() ? own + "/.." : options.kit;
    kit = absolute(kit);
    if (!is_file(kit + "/bin/tavix-web"))
        fail("no browser kit in " + kit +
             " (bin/tavix-web): give its prefix with --kit DIR (cmake --install build-web --prefix DIR)");
    // The editor page: installed beside this program, or in the build tree.
    std::string page = own + "/../share/tavix/playground";
#ifdef TAVIX_PLAYGROUND_PAGE
    if (!is_file(page + "/index.html")) page = TAVIX_PLAYGROUND_PAGE;
#endif
    if (!is_file(page + "/index.html") || !is_file(page + "/playground.js"))
        fail("the editor page is missing in " + page);
    std::string node = find_program("node");
    if (node.empty()) node = find_program("nodejs");
    if (node.empty()) fail("node is not installed (Debian: apt-get install nodejs)");

    // The sandbox is found while this process has one thread.
    SandboxHost host;
    std::string why;
    if (!SandboxHost::probe("", &host, &why)) fail(why);
    // A compile's clock is the machine's: the compiler compares the dates of its files.
    host.faketime.clear();
    host.tool = "tavix-playground";

    if (mkdir(options.data.c_str(), 0700) != 0 && errno != EEXIST)
        fail("cannot make the data folder " + options.data + ": " + strerror(errno));
    options.data = absolute(options.data);
    Shares shares;
    if (!shares.open(options.data + "/shares", 10000, SOURCE_LIMIT, &why)) fail(why);

    // The builds live in a folder of this run's own, gone when it ends.
    const char *tmp = getenv("TMPDIR");
    std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavix-playground-XXXXXX";
    if (!mkdtemp(&scratch[0])) fail("cannot make a folder for the builds: " + std::string(strerror(errno)));
    chmod(scratch.c_str(), 0711);
    mkdir((scratch + "/runs").c_str(), 0711);

    BuildSettings settings;
    settings.kit = kit;
    settings.node = node;
    settings.cache = scratch;
    settings.version = kit_version(kit);
    settings.jobs = options.jobs;
    settings.queue = options.queue;
    settings.limits.timeout_s = options.compile_seconds;
    // emscripten's compiler runs node, which reserves much address space: a compile's limits
    // are its own, not a program's.
    settings.limits.memory_mb = 2048;
    settings.limits.disk_mb = 512;
    settings.limits.processes = 64;
    settings.limits.open_files = 512;

    printf("tavix-playground: warming the compiler's cache...\n");
    fflush(stdout);
    if (!warm_cache(settings, scratch))
        fail("the browser kit cannot compile a program: is emscripten installed (apt-get install "
             "emscripten) and its cache writable for this first compile?");

    Playground playground;
    playground.options = options;
    playground.kit = kit;
    playground.fonts = kit_fonts(kit);
    playground.scratch = scratch;
    playground.shares = &shares;
    for (const auto &file : PAGE_FILES)
        playground.page_files[file[0]] = read_trusted(page + "/" + file[0], 16u << 20);

    // Signals end the server from a thread of their own; the others never see them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    int result = 0;
    {
        Builds builds(host, settings);
        playground.builds = &builds;
        httplib::Server server;
        server.set_payload_max_length(SOURCE_LIMIT * 4);
        // The address is this server's alone: a second one started on it by mistake fails,
        // rather than sharing it (SO_REUSEPORT) and answering half the page's requests.
        server.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        server.set_read_timeout(10);
        server.set_write_timeout(30);
        server.new_task_queue = [] { return new httplib::ThreadPool(16); };

        add_routes(server, playground);

        int port = options.port;
        if (port == 0) port = server.bind_to_any_port(options.host);
        else if (!server.bind_to_port(options.host, port)) port = -1;
        if (port < 0) fail("cannot listen on " + options.host + ":" + std::to_string(options.port));
        std::string shown = options.host.find(':') != std::string::npos ? "[" + options.host + "]" : options.host;
        printf("tavix-playground: http://%s:%d/ (%d compiles at once, %zu waiting at most; shared "
               "programs in %s)\n%s\n",
               shown.c_str(), port, options.jobs, options.queue, (options.data + "/shares").c_str(),
               host.describe(settings.limits).c_str());
        fflush(stdout);

        std::thread waiter([&] {
            int signal_number = 0;
            sigwait(&signals, &signal_number);
            server.stop();
        });
        if (!server.listen_after_bind()) result = 1;
        // Ended by a signal, or the listening failed: the waiter is told to go.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
    }
    run_program({"/bin/rm", "-rf", scratch}, "", nullptr);
    return result;
}
