#pragma once

#include <QString>

#include <optional>

// Hands a page the user sent from the browser to the application: its address with the "kinlkurl" scheme
// for http and "kinlkurls" for https, then the application's data marker and the page's source as the
// application's URL decoder reads it, through org.freedesktop.Application.Open on the session bus (which
// starts the application when it does not run).
class KLPageHandOver final {
public:
    static inline const QString applicationService = QStringLiteral("org.kinolark.KinolarkPro");
    static inline const QString applicationPath = QStringLiteral("/org/kinolark/KinolarkPro");
    // A starting application may take a while to answer its first call.
    static constexpr int answerTimeoutMs = 25000;
    // A D-Bus message holds at most 128 MiB; the rest of the call needs a little room.
    static constexpr qsizetype maximumURLLength = 120 * 1024 * 1024;

    struct Result {
        std::optional<QString> url;
        QString error; // why there is no URL
    };

    // The URL for the page, or why it cannot be handed over.
    static Result handOverURL(const QString &pageURL, const QString &source);
    // Empty when the application took the URL, otherwise what went wrong.
    static QString open(const QString &url);
};
