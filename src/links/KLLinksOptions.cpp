#include "KLLinksOptions.h"

#include "KLURLResolver.h"

#include <vector>

std::optional<KLLinksOptions::Mode> KLLinksOptions::modeNamed(const std::string &name) {
    if (name == "links") {
        return Mode::links;
    }
    if (name == "media") {
        return Mode::media;
    }
    if (name == "iframes") {
        return Mode::iframes;
    }
    return std::nullopt;
}

std::string KLLinksOptions::usage() {
    return "usage: kinolark-links links|media|iframes [--base URL] [FILE]\n"
           "Prints the absolute URLs of the page's links (a href), media sources (a, video, audio, source,\n"
           "embed, object) or inline frames (iframe src), one a line, in document order. The page is read\n"
           "from FILE, or from standard input when FILE is missing or \"-\". Relative addresses are "
           "resolved\n"
           "against the page's <base href> (itself resolved against URL) or else against URL; without\n"
           "either, relative addresses are left out and //host/... addresses are taken as https.\n";
}

std::optional<KLLinksOptions> KLLinksOptions::parse(int argc, const char *const *argv, std::string &error,
                                                    bool &help) {
    help = false;
    std::vector<std::string> words(argv + 1, argv + argc);
    for (const std::string &word : words) {
        if (word == "-h" || word == "--help") {
            help = true;
            return std::nullopt;
        }
    }
    if (words.empty()) {
        error = "no mode given";
        return std::nullopt;
    }
    KLLinksOptions options;
    const std::optional<Mode> mode = modeNamed(words.front());
    if (!mode) {
        error = "unknown mode \"" + words.front() + "\"";
        return std::nullopt;
    }
    options.m_mode = *mode;

    bool fileSeen = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (word == "--base" || word.starts_with("--base="))) {
            if (word == "--base" && i + 1 >= words.size()) {
                error = "--base needs a URL";
                return std::nullopt;
            }
            options.m_base = word == "--base" ? words[++i] : word.substr(7);
        } else if (!optionsEnded && word.size() > 1 && word.front() == '-') {
            error = "unknown option \"" + word + "\"";
            return std::nullopt;
        } else if (fileSeen) {
            error = "more than one file given";
            return std::nullopt;
        } else {
            fileSeen = true;
            options.m_file = word == "-" ? std::string() : word;
        }
    }
    // An empty base is allowed and means none, so that scripts may always pass their optional argument.
    if (!options.m_base.empty()) {
        options.m_base = KLURLResolver::escape(KLURLResolver::clean(options.m_base));
        if (!KLURLResolver::isAbsolute(options.m_base)) {
            error = "the base \"" + options.m_base + "\" is not an absolute URL";
            return std::nullopt;
        }
    }
    return options;
}
