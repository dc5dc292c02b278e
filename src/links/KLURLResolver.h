#pragma once

#include <optional>
#include <string>
#include <string_view>

// Turns the address values found in a page into absolute URLs: cleans and escapes them, drops the ones
// that lead nowhere a downloader could follow, and resolves relative ones against the base.
class KLURLResolver final {
public:
    // `base` is an absolute URL or empty.
    explicit KLURLResolver(std::string base);

    // The absolute URL for the value, or nothing when it is skipped or cannot be made absolute.
    std::optional<std::string> resolve(std::string_view value) const;

    const std::string &base() const { return m_base; }

    // Leading and trailing white space removed, tabs and line breaks inside removed (as browsers do).
    static std::string clean(std::string_view value);
    // Percent-encodes what may not stand in a URL (blanks, non-ASCII bytes, stray '%'...), keeping what
    // is already encoded.
    static std::string escape(std::string_view value);
    // True when the value starts with a scheme ("http:", "file:"...).
    static bool isAbsolute(std::string_view value);
    // Empty values, fragments of the page itself and schemes that name no fetchable resource.
    static bool isSkipped(std::string_view cleaned);

    // "." and ".." segments taken out of the path of an absolute hierarchical URL ("http://a/./b/../c" ->
    // "http://a/c"), which libxml2 leaves in absolute-path references.
    static std::string normalisePath(const std::string &url);
    static std::string removeDotSegments(std::string_view path);

private:
    static std::string schemeOf(std::string_view value);

    std::string m_base;
};
