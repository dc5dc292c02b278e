// kinolark-links' URL resolution: an address value of a page against a base. The input is the base, a line
// feed, then the value.

#include "KLFuzzEnvironment.h"
#include "KLURLResolver.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const size_t lineEnd = input.find('\n');
    const std::string base(lineEnd == std::string_view::npos ? std::string_view() : input.substr(0, lineEnd));
    const std::string_view value = lineEnd == std::string_view::npos ? input : input.substr(lineEnd + 1);
    if (const std::optional<std::string> url = KLURLResolver(base).resolve(value)) {
        KLFuzzEnvironment::require(KLURLResolver::isAbsolute(*url), "a resolved URL is absolute");
        KLFuzzEnvironment::require(url->find_first_of("\n\r\t ") == std::string::npos,
                                   "a resolved URL is one word");
        // Escaping is done once: a second pass changes nothing.
        KLFuzzEnvironment::require(KLURLResolver::escape(*url) == *url, "a resolved URL is escaped");
    }
    KLURLResolver::removeDotSegments(value);
    return 0;
}
