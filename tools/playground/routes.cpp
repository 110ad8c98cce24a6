// The requests tavix-playground answers: the editor page, compiles and their status, the runs'
// files, downloads and shared programs.
#include "tools/playground/routes.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "tools/grade/sandbox.h"
#include "tools/playground/files.h"
#include "tools/playground/text.h"

namespace {

// The editor page's files, from the page folder.
const char *const PAGE_FILES[][2] = {{"index.html", "text/html; charset=utf-8"},
                                     {"playground.js", "text/javascript; charset=utf-8"},
                                     {"playground.css", "text/css; charset=utf-8"},
                                     {"bridge.js", "text/javascript; charset=utf-8"},
                                     {"examples.json", "application/json"}};

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
                   const std::set<std::string> &fonts, const std::string &scratch,
                   std::string *zip) {
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
    for (int i = 0; BUILD_FILES[i]; ++i)
        copy(build + "/" + BUILD_FILES[i], top + "/page/" + BUILD_FILES[i]);
    copy(build + "/main.html", top + "/page/index.html");
    for (const std::string &font : fonts)
        copy(kit + "/share/tavix/web/fonts/" + font, top + "/page/fonts/" + font);
    std::string zip_program = find_program("zip");
    ok =
        ok && !zip_program.empty() &&
        run_program({zip_program, "-q", "-r", "-X", "program.zip", "program"}, stage, nullptr) == 0;
    std::string made = stage + "/program.zip";
    if (ok) ok = read_regular_file(AT_FDCWD, made, 256u << 20, zip, &ready);
    if (ok) write_file_whole(build + "/program.zip", *zip, 0644);
    run_program({"/bin/rm", "-rf", stage}, "", nullptr);
    return ok;
}

void send_page_file(const Playground &p, const std::string &name, httplib::Response &response) {
    for (const auto &file : PAGE_FILES)
        if (name == file[0]) {
            response.set_header("Cache-Control", "no-cache");
            response.set_content(p.page_files.at(name), file[1]);
            return;
        }
    response.status = 404;
}

}  // namespace

std::map<std::string, std::string> read_page_files(const std::string &folder) {
    std::map<std::string, std::string> files;
    for (const auto &file : PAGE_FILES) {
        if (!is_file(folder + "/" + file[0])) return {};
        files[file[0]] = read_trusted(folder + "/" + file[0], 16u << 20);
    }
    return files;
}

// Every request the server answers: the editor page, compiles, the runs' files, downloads and
// shared programs.
void add_routes(httplib::Server &server, const Playground &p) {
    // Programs are sent from the playground's own page only: not from a program's frame
    // (its origin is opaque, "null"), nor from another site's page in the learner's browser.
    server.set_pre_routing_handler(
        [](const httplib::Request &request, httplib::Response &response) {
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
    if (!p.run_address.empty()) frames += " " + p.run_address;
    // The editor page: its own scripts only, frames only from here, never framed itself.
    server.Get("/", [&p, frames](const httplib::Request &, httplib::Response &response) {
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; style-src 'self' 'unsafe-inline'; "
                            "img-src 'self' data: blob:; frame-src " +
                                frames +
                                "; "
                                "frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
        send_page_file(p, "index.html", response);
    });
    server.Get("/config.json", [&](const httplib::Request &, httplib::Response &response) {
        send_json(response, 200, "{\"runAddress\":" + json_string(p.run_address) + "}");
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
            return send_error(response, 413,
                              "The program is larger than 256 KB: the playground "
                              "takes programs up to 256 KB.");
        std::string key;
        BuildStatus status;
        if (p.builds->submit(language, request.body, &key, &status) == Builds::Submitted::busy) {
            response.set_header("Retry-After", "5");
            return send_error(response, 503,
                              "The playground is busy: every place in the queue "
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
    server.Get(
        "/run/([0-9a-f]{64})/(index\\.html|main\\.js|main\\.wasm|bridge\\.js|fonts/"
        "[A-Za-z0-9_-]+\\.ttf)",
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
                    data.insert(at,
                                "<link rel=\"preload\" href=\"main.wasm\" as=\"fetch\" "
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

    server.Get("/api/download/([0-9a-f]{64})", [&](const httplib::Request &request,
                                                   httplib::Response &response) {
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
                return send_error(response, 413,
                                  "The program is larger than 256 KB: it cannot be shared.");
            case Shares::Stored::full:
                return send_error(
                    response, 507,
                    "The playground holds as many shared programs as it may: ask its keeper.");
            case Shares::Stored::failed:
                break;
        }
        send_error(response, 500, "The program could not be stored.");
    });
    server.Get("/api/share/([0-9a-f]{32})", [&](const httplib::Request &request,
                                                httplib::Response &response) {
        std::string language, source;
        if (!p.shares->load(request.matches[1], &language, &source))
            return send_error(response, 404, "No program is shared under this link.");
        send_json(response, 200,
                  "{\"lang\":\"" + language + "\",\"source\":" + json_string(source) + "}");
    });
}
