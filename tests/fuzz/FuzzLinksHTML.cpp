// kinolark-links: a page parsed by libxml2, its links, media sources and inline frames resolved against a
// base. The input is the base URL, a line feed, then the page.

#include "KLFuzzEnvironment.h"
#include "KLHTMLPage.h"
#include "KLLinkExtractor.h"
#include "KLURLResolver.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const size_t lineEnd = input.find('\n');
    const std::string base(lineEnd == std::string_view::npos ? std::string_view() : input.substr(0, lineEnd));
    const std::string bytes(lineEnd == std::string_view::npos ? input : input.substr(lineEnd + 1));
    const KLHTMLPage page(bytes);
    for (const auto mode :
         {KLLinksOptions::Mode::links, KLLinksOptions::Mode::media, KLLinksOptions::Mode::iframes}) {
        // The scripts read the list one URL a line and hand each to curl or the downloader.
        for (const std::string &url : KLLinkExtractor::extract(page, mode, base)) {
            KLFuzzEnvironment::require(KLURLResolver::isAbsolute(url) &&
                                           url.find_first_of("\n\r\t ") == std::string::npos,
                                       "a listed URL is absolute and one word");
        }
    }
    return 0;
}
