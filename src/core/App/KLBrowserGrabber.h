#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Asks a browser for the page its user is looking at (through the browser extension). A browser that is
// not running or does not answer gives nothing; a page without HTML only loses the fallback source.
class KLBrowserGrabber {
public:
    enum class Browser { Firefox, Chrome };

    struct Page {
        QUrl url;
        std::optional<QString> html;
    };

    virtual ~KLBrowserGrabber() = default;
    virtual std::optional<Page> grabPage(Browser browser) = 0;
};
