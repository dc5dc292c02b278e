#pragma once

#include "KLLinksOptions.h"

#include <string>
#include <vector>

class KLHTMLPage;

// Lists the absolute URLs that one mode looks for in a page.
class KLLinkExtractor final {
public:
    // The XPath expression that selects the address attributes of the mode.
    static std::string expressionForMode(KLLinksOptions::Mode mode);
    // The base that relative addresses of the page resolve against: the page's own <base href>, resolved
    // against `givenBase`, when it gives an absolute URL, else `givenBase` (possibly empty).
    static std::string effectiveBase(const KLHTMLPage &page, const std::string &givenBase);
    // Every address of the mode in document order, resolved; skipped and unresolvable ones left out.
    // Duplicates stay: callers count and order them, and each decides for itself whether to merge.
    static std::vector<std::string> extract(const KLHTMLPage &page, KLLinksOptions::Mode mode,
                                            const std::string &givenBase);
};
