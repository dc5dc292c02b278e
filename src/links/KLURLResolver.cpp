#include "KLURLResolver.h"

#include <libxml/uri.h>
#include <libxml/xmlmemory.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Characters that may stand unencoded in a URL reference (RFC 3986 unreserved, reserved and '%').
bool mayStandInURL(unsigned char c) {
    if (std::isalnum(c) != 0) {
        return true;
    }
    static constexpr std::string_view allowed = "-._~:/?#[]@!$&'()*+,;=";
    return allowed.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

KLURLResolver::KLURLResolver(std::string base) : m_base(std::move(base)) {}

std::string KLURLResolver::clean(std::string_view value) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    while (!value.empty() && isSpace(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && isSpace(value.back())) {
        value.remove_suffix(1);
    }
    std::string cleaned;
    cleaned.reserve(value.size());
    std::copy_if(value.begin(), value.end(), std::back_inserter(cleaned),
                 [](char c) { return c != '\t' && c != '\n' && c != '\r'; });
    return cleaned;
}

std::string KLURLResolver::escape(std::string_view value) {
    static constexpr std::array<char, 16> hex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                 '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    std::string escaped;
    escaped.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        const bool encodedAlready =
            c == '%' && i + 2 < value.size() && isHexDigit(value[i + 1]) && isHexDigit(value[i + 2]);
        if ((c != '%' && mayStandInURL(c)) || encodedAlready) {
            escaped.push_back(static_cast<char>(c));
        } else {
            escaped.push_back('%');
            escaped.push_back(hex[c >> 4]);
            escaped.push_back(hex[c & 0xF]);
        }
    }
    return escaped;
}

std::string KLURLResolver::schemeOf(std::string_view value) {
    if (value.empty() || std::isalpha(static_cast<unsigned char>(value.front())) == 0) {
        return std::string();
    }
    for (size_t i = 1; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c == ':') {
            std::string scheme(value.substr(0, i));
            std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                           [](unsigned char s) { return static_cast<char>(std::tolower(s)); });
            return scheme;
        }
        if (std::isalnum(c) == 0 && c != '+' && c != '-' && c != '.') {
            break;
        }
    }
    return std::string();
}

bool KLURLResolver::isAbsolute(std::string_view value) {
    return !schemeOf(value).empty();
}

bool KLURLResolver::isSkipped(std::string_view cleaned) {
    if (cleaned.empty() || cleaned.front() == '#') {
        return true;
    }
    // about:blank frames, blob: object URLs and the like only mean something inside the browser.
    static constexpr std::array<std::string_view, 7> skippedSchemes = {
        "javascript", "vbscript", "data", "mailto", "tel", "about", "blob"};
    const std::string scheme = schemeOf(cleaned);
    return std::find(skippedSchemes.begin(), skippedSchemes.end(), scheme) != skippedSchemes.end();
}

std::optional<std::string> KLURLResolver::resolve(std::string_view value) const {
    const std::string cleaned = clean(value);
    if (isSkipped(cleaned)) {
        return std::nullopt;
    }
    const std::string reference = escape(cleaned);
    if (isAbsolute(reference)) {
        return normalisePath(reference);
    }
    if (m_base.empty()) {
        // A network-path reference names its host; only the scheme is missing, and the web is https now.
        if (reference.starts_with("//")) {
            return "https:" + reference;
        }
        return std::nullopt;
    }
    xmlChar *built = xmlBuildURI(reinterpret_cast<const xmlChar *>(reference.c_str()),
                                 reinterpret_cast<const xmlChar *>(m_base.c_str()));
    if (built == nullptr) {
        return std::nullopt;
    }
    // libxml2 decodes the authority of a network-path reference ("//x%0Ay/" gives a host with a line
    // break in it), so the result is escaped again: one URL must stay one word on one line.
    const std::string resolved = escape(reinterpret_cast<const char *>(built));
    xmlFree(built);
    if (!isAbsolute(resolved)) {
        return std::nullopt;
    }
    return normalisePath(resolved);
}

std::string KLURLResolver::normalisePath(const std::string &url) {
    const size_t authority = url.find("://");
    if (authority == std::string::npos || schemeOf(url).size() != authority) {
        return url; // mailto:-like and opaque URLs have no path to normalise
    }
    const size_t pathStart = url.find_first_of("/?#", authority + 3);
    if (pathStart == std::string::npos || url[pathStart] != '/') {
        return url;
    }
    const size_t pathEnd = std::min(url.find_first_of("?#", pathStart), url.size());
    return url.substr(0, pathStart) +
           removeDotSegments(std::string_view(url).substr(pathStart, pathEnd - pathStart)) +
           url.substr(pathEnd);
}

std::string KLURLResolver::removeDotSegments(std::string_view path) {
    // RFC 3986, section 5.2.4, on an absolute path.
    std::string input(path);
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.erase(0, 3);
        } else if (input.starts_with("./")) {
            input.erase(0, 2);
        } else if (input.starts_with("/./")) {
            input.erase(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input == "/.." ? std::string("/") : input.substr(3);
            const size_t lastSlash = output.rfind('/');
            output.erase(lastSlash == std::string::npos ? 0 : lastSlash);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            const size_t next = input.find('/', 1);
            const size_t length = next == std::string::npos ? input.size() : next;
            output.append(input, 0, length);
            input.erase(0, length);
        }
    }
    return output;
}
