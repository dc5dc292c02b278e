#pragma once

#include <libxml/HTMLparser.h>

#include <optional>
#include <string>
#include <vector>

// A page parsed with libxml2's HTML parser: broken markup is repaired, the encoding is taken from the
// byte order mark or the page's meta charset (else guessed), and the parser never touches the network.
class KLHTMLPage final {
public:
    explicit KLHTMLPage(const std::string &bytes);
    ~KLHTMLPage();
    KLHTMLPage(const KLHTMLPage &) = delete;
    KLHTMLPage &operator=(const KLHTMLPage &) = delete;

    // False for input that holds no document at all (an empty file, for instance).
    bool isValid() const { return m_document != nullptr; }
    // The href of the first <base> that has one, as written.
    std::optional<std::string> baseHref() const;
    // The text of every node the expression selects, in document order.
    std::vector<std::string> values(const std::string &expression) const;

private:
    htmlDocPtr m_document = nullptr;
};
