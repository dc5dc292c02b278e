#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Reads the URLs the browser extension and other senders hand to the application: "kinlkurl://" stands
// for "http://", "kinlkurls://" for "https://", and a "kinlkdata::" marker may follow the URL with the
// page's source in three layers (percent-escapes, Base64, percent-encoded UTF-8).
class KLURLSchemeDecoder final {
public:
    static inline const QString dataMarker = QStringLiteral("kinlkdata::");

    struct Request {
        QString urlText;               // the URL part, schemes already replaced
        std::optional<QString> source; // the decoded page source, when a payload was there and decodable
        bool hasPayload = false;
    };

    static Request decode(const QString &text);
    // The page source carried by a payload, or nothing when any layer fails.
    static std::optional<QString> decodePayload(const QString &payload);
    // The payload for a page source, as the extension builds it.
    static QString encodePayload(const QString &source);
    static QString replaceSchemes(const QString &text);
    // Only web and file URLs are taken in; anything else could make a script do what it should not.
    static bool isAcceptedURL(const QUrl &url);
};
