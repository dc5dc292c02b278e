#include "KLHTMLPage.h"

#include <libxml/xpath.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>

namespace {

bool isValidUTF8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || i + length > bytes.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 0x2) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

bool declaresCharset(std::string_view bytes) {
    std::string head(bytes.substr(0, 4096));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head.find("charset") != std::string::npos || head.find("encoding") != std::string::npos;
}

bool hasByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFE\xFF") ||
           bytes.starts_with("\xFF\xFE");
}

// libxml2 reads a page without a declared encoding as UTF-8 and mangles it when it is not. Browsers read
// such pages as windows-1252, the superset of Latin-1 that old pages are written in; so do we.
const char *encodingFor(std::string_view bytes) {
    if (hasByteOrderMark(bytes) || declaresCharset(bytes) || isValidUTF8(bytes)) {
        return nullptr;
    }
    return "windows-1252";
}

} // namespace

KLHTMLPage::KLHTMLPage(const std::string &bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) {
        return;
    }
    constexpr int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                            HTML_PARSE_NOWARNING | HTML_PARSE_COMPACT | XML_PARSE_HUGE;
    m_document =
        htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, encodingFor(bytes), options);
}

KLHTMLPage::~KLHTMLPage() {
    if (m_document != nullptr) {
        xmlFreeDoc(m_document);
    }
}

std::optional<std::string> KLHTMLPage::baseHref() const {
    const std::vector<std::string> found = values("(//base[@href])[1]/@href");
    if (found.empty()) {
        return std::nullopt;
    }
    return found.front();
}

std::vector<std::string> KLHTMLPage::values(const std::string &expression) const {
    std::vector<std::string> found;
    if (m_document == nullptr) {
        return found;
    }
    xmlXPathContextPtr context = xmlXPathNewContext(m_document);
    if (context == nullptr) {
        return found;
    }
    xmlXPathObjectPtr selected =
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(expression.c_str()), context);
    if (selected != nullptr && selected->nodesetval != nullptr) {
        // A union is evaluated into a node set, which libxml2 keeps in document order.
        const xmlNodeSetPtr nodes = selected->nodesetval;
        for (int i = 0; i < nodes->nodeNr; ++i) {
            xmlChar *text = xmlNodeGetContent(nodes->nodeTab[i]);
            found.emplace_back(text != nullptr ? reinterpret_cast<const char *>(text) : "");
            xmlFree(text);
        }
    }
    xmlXPathFreeObject(selected);
    xmlXPathFreeContext(context);
    return found;
}
