// tavix-playground: a class's playground in the browser. One command serves an editor page;
// each program typed there is compiled by the browser kit inside the sandbox that tavix-grade
// runs submissions in, and runs in a sandboxed frame of the page, apart from the editor.
//
//   tavix-playground [--listen ADDRESS:PORT] [--jobs N] [--data DIR] [--kit DIR]
//                    [--queue N] [--compile-seconds S] [--run-address URL]
#include <httplib.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
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
#include "tools/playground/files.h"
#include "tools/playground/routes.h"
#include "tools/playground/shares.h"
#include "tools/playground/text.h"

namespace {

const char USAGE[] =
    "usage: tavix-playground [--listen ADDRESS:PORT] [--jobs N] [--data DIR] [--kit DIR]\n"
    "                        [--queue N] [--compile-seconds S] [--run-address URL]\n";

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
            if (colon == std::string::npos ||
                !whole_number(listen.c_str() + colon + 1, 0, 65535, &number))
                fail("--listen takes ADDRESS:PORT (127.0.0.1:8080; port 0 for any free one)");
            options.host = listen.substr(0, colon);
            if (options.host.size() > 2 && options.host.front() == '[' &&
                options.host.back() == ']')
                options.host = options.host.substr(1, options.host.size() - 2);
            options.port = (int)number;
        } else if (a == "--jobs") {
            if (!whole_number(value(), 1, 64, &number)) fail("--jobs takes a number from 1 to 64");
            options.jobs = (int)number;
        } else if (a == "--queue") {
            if (!whole_number(value(), 0, 10000, &number))
                fail("--queue takes a number from 0 to 10000");
            options.queue = (size_t)number;
        } else if (a == "--compile-seconds") {
            if (!whole_number(value(), 5, 3600, &number)) fail("--compile-seconds takes 5 to 3600");
            options.compile_seconds = (double)number;
        } else if (a == "--data") {
            options.data = value();
        } else if (a == "--run-address") {
            options.run_address = value();
            // Only an address of a web server: it goes into the page and its policy as it is.
            static const std::regex address(
                "https?://[A-Za-z0-9.-]+(:[0-9]{1,5})?(/[A-Za-z0-9._~/-]*)?");
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

}  // namespace

int main(int argc, char **argv) {
    Options options = parse(argc, argv);
    std::string own = own_folder();

    // The browser kit: given, or installed beside this program.
    std::string kit = options.kit.empty() ? own + "/.." : options.kit;
    kit = absolute(kit);
    if (!is_file(kit + "/bin/tavix-web"))
        fail("no browser kit in " + kit +
             " (bin/tavix-web): give its prefix with --kit DIR (cmake --install build-web --prefix "
             "DIR)");
    // The editor page: installed beside this program, or in the build tree.
    std::string page = own + "/../share/tavix/playground";
#ifdef TAVIX_PLAYGROUND_PAGE
    if (!is_file(page + "/index.html")) page = TAVIX_PLAYGROUND_PAGE;
#endif
    std::map<std::string, std::string> page_files = read_page_files(page);
    if (page_files.empty()) fail("the editor page is missing in " + page);
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
    if (!mkdtemp(&scratch[0]))
        fail("cannot make a folder for the builds: " + std::string(strerror(errno)));
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
        fail(
            "the browser kit cannot compile a program: is emscripten installed (apt-get install "
            "emscripten) and its cache writable for this first compile?");

    Playground playground;
    playground.run_address = options.run_address;
    playground.kit = kit;
    playground.fonts = kit_fonts(kit);
    playground.scratch = scratch;
    playground.shares = &shares;
    playground.page_files = page_files;

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
        if (port == 0)
            port = server.bind_to_any_port(options.host);
        else if (!server.bind_to_port(options.host, port))
            port = -1;
        if (port < 0) fail("cannot listen on " + options.host + ":" + std::to_string(options.port));
        std::string shown =
            options.host.find(':') != std::string::npos ? "[" + options.host + "]" : options.host;
        printf(
            "tavix-playground: http://%s:%d/ (%d compiles at once, %zu waiting at most; shared "
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
