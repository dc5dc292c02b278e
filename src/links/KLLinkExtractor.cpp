#include "KLLinkExtractor.h"

#include "KLHTMLPage.h"
#include "KLURLResolver.h"

std::string KLLinkExtractor::expressionForMode(KLLinksOptions::Mode mode) {
    switch (mode) {
    case KLLinksOptions::Mode::links:
        return "//a/@href";
    case KLLinksOptions::Mode::media:
        return "//a/@href | //video/@src | //audio/@src | //source/@src | //embed/@src | //object/@data";
    case KLLinksOptions::Mode::iframes:
        return "//iframe/@src";
    }
    return std::string();
}

std::string KLLinkExtractor::effectiveBase(const KLHTMLPage &page, const std::string &givenBase) {
    const std::optional<std::string> href = page.baseHref();
    if (href) {
        // The resolver leaves out what cannot be made absolute, so a relative <base> without a given base
        // is ignored; a protocol-relative one becomes https like any other such address.
        const std::optional<std::string> resolved = KLURLResolver(givenBase).resolve(*href);
        if (resolved) {
            return *resolved;
        }
    }
    return givenBase;
}

std::vector<std::string> KLLinkExtractor::extract(const KLHTMLPage &page, KLLinksOptions::Mode mode,
                                                  const std::string &givenBase) {
    const KLURLResolver resolver(effectiveBase(page, givenBase));
    std::vector<std::string> urls;
    for (const std::string &value : page.values(expressionForMode(mode))) {
        std::optional<std::string> url = resolver.resolve(value);
        if (url) {
            urls.push_back(std::move(*url));
        }
    }
    return urls;
}
