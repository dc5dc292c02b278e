#pragma once

#include <QJsonArray>
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
    // A starting application may take a few seconds to answer its first call. The browser waits for the
    // answer meanwhile, so the wait ends here, long before the bus gives up on an activation (two minutes).
    static constexpr int answerTimeoutMs = 10000;
    // The URL travels as the only string in Open's array of strings. The application's D-Bus library stops
    // reading its connection while the messages it holds come to 63 MiB, and Qt cannot make it read again
    // (it is told so from the wrong thread): a larger call would arrive but leave the application deaf to
    // the bus. The call's header (names, path, the sender's name) and framing take well under the 1 KiB
    // kept for them. The bus carries more: D-Bus caps an array's contents at 64 MiB and a message at
    // 128 MiB, and dbus-daemon's session max_message_size (1000000000) lies above both; past 64 MiB it
    // drops the caller's connection, and Qt's blocking call then never returns.
    static constexpr qsizetype maximumURLBytes = 63 * 1024 * 1024 - 1024;

    struct Result {
        std::optional<QString> url;
        QString error; // why there is no URL
    };

    // The URL for the page, or why it cannot be handed over.
    static Result handOverURL(const QString &pageURL, const QString &source);
    // Empty when the application took the URL, otherwise what went wrong. The page's session cookies, if
    // any, travel beside it in the call's platform data, never in the URL (which the application remembers).
    static QString open(const QString &url, const QJsonArray &cookies = {});
};
