// kinolark-links: lists the links, media sources or inline frames of an HTML page as absolute URLs, one a
// line. The scraping scripts run it on pages fetched by curl and on saved page sources.

#include "KLHTMLPage.h"
#include "KLLinkExtractor.h"
#include "KLLinksOptions.h"

#include <libxml/parser.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

std::optional<std::string> readAll(const std::string &file, std::string &error) {
    FILE *input = file.empty() ? stdin : std::fopen(file.c_str(), "rb");
    if (input == nullptr) {
        error = "cannot open \"" + file + "\": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
        bytes.append(buffer, read);
    }
    const bool failed = std::ferror(input) != 0;
    const int readError = errno;
    if (input != stdin) {
        std::fclose(input);
    }
    if (failed) {
        error = "cannot read \"" + (file.empty() ? std::string("standard input") : file) +
                "\": " + std::strerror(readError);
        return std::nullopt;
    }
    return bytes;
}

int fail(const std::string &message, bool showUsage) {
    std::fprintf(stderr, "kinolark-links: %s\n", message.c_str());
    if (showUsage) {
        std::fputs(KLLinksOptions::usage().c_str(), stderr);
    }
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    std::string error;
    bool help = false;
    const std::optional<KLLinksOptions> options = KLLinksOptions::parse(argc, argv, error, help);
    if (help) {
        std::fputs(KLLinksOptions::usage().c_str(), stdout);
        return 0;
    }
    if (!options) {
        return fail(error, true);
    }
    const std::optional<std::string> bytes = readAll(options->file(), error);
    if (!bytes) {
        return fail(error, false);
    }

    xmlInitParser();
    {
        const KLHTMLPage page(*bytes);
        for (const std::string &url : KLLinkExtractor::extract(page, options->mode(), options->base())) {
            std::fputs(url.c_str(), stdout);
            std::fputc('\n', stdout);
        }
    }
    xmlCleanupParser();
    if (std::fflush(stdout) != 0) {
        return fail(std::string("cannot write the list: ") + std::strerror(errno), false);
    }
    return 0;
}
