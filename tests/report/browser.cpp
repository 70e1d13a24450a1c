// Runs Debian's chromium headless on a page file, with a fresh profile and a time limit.
#include "tests/report/browser.h"

#include <cstdlib>
#include <regex>
#include <unistd.h>

namespace report_test {
namespace {

Result browse(const Scratch& dir, std::vector<std::string> what, const std::string& url) {
    static int profiles = 0;
    const std::string profile = dir.file("chromium-profile-" + std::to_string(++profiles));
    // A browser that hangs fails its case after two minutes, not the suite.
    std::vector<std::string> args = {"-k", "5", "120", chromium(),
        "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--disable-extensions", "--user-data-dir=" + profile, "--enable-logging=stderr", "--v=0",
        "--window-size=1280,900", "--virtual-time-budget=10000"};
    args.insert(args.end(), what.begin(), what.end());
    args.push_back(url);
    return run(dir.path(), "/usr/bin/timeout", args);
}

} // namespace

std::string chromium() {
    const char* env = std::getenv("PREFLISTER_CHROMIUM");
    if (env && *env) return env;
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (::access(path, X_OK) == 0) return path;
    return "";
}

Result dump_dom(const Scratch& dir, const std::string& url) { return browse(dir, {"--dump-dom"}, url); }

Result screenshot(const Scratch& dir, const std::string& url, const std::string& png) {
    return browse(dir, {"--screenshot=" + dir.file(png), "--hide-scrollbars"}, url);
}

std::string firefox() {
    const char* env = std::getenv("PREFLISTER_FIREFOX");
    if (env && *env) return env;
    for (const char* path : {"/usr/bin/firefox-esr", "/usr/bin/firefox"})
        if (::access(path, X_OK) == 0) return path;
    return "";
}

Result firefox_screenshot(const Scratch& dir, const std::string& url, const std::string& png) {
    const std::string profile = dir.file("firefox-profile");
    if (run(dir.path(), "/bin/mkdir", {"-p", profile}).status != 0) return Result{};
    return run(dir.path(), "/usr/bin/env",
               {"HOME=" + profile, "/usr/bin/timeout", "-k", "5", "120", firefox(), "--headless", "--no-remote",
                "--profile", profile, "--window-size=1280,900", "--screenshot", dir.file(png), url});
}

std::vector<std::string> attribute(const std::string& name, const std::string& dom) {
    const std::regex re(" " + name + "=\"([^\"]*)\"");
    std::vector<std::string> values;
    for (auto it = std::sregex_iterator(dom.begin(), dom.end(), re); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    return values;
}

std::size_t count(const std::string& s, const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = s.find(text); at != std::string::npos; at = s.find(text, at + text.size())) ++n;
    return n;
}

} // namespace report_test
