#pragma once

#include <optional>
#include <string>

// The command line of kinolark-links: MODE [--base URL] [FILE].
class KLLinksOptions final {
public:
    enum class Mode { links, media, iframes };

    // The options, or nothing with `error` set for a usage error. `help` is set for -h/--help.
    static std::optional<KLLinksOptions> parse(int argc, const char *const *argv, std::string &error,
                                               bool &help);
    static std::string usage();

    Mode mode() const { return m_mode; }
    // An absolute URL, or empty when none was given.
    const std::string &base() const { return m_base; }
    // The HTML file to read; empty means standard input.
    const std::string &file() const { return m_file; }

private:
    static std::optional<Mode> modeNamed(const std::string &name);

    Mode m_mode = Mode::links;
    std::string m_base;
    std::string m_file;
};
