#pragma once

#include <QString>

// A failure's cause that says a site refused because the user is not signed in (the downloader's sign-in and
// login messages, HTTP 401 or 403), told with what the user can do about it.
class KLSignInCause final {
public:
    static inline const QString advice = QStringLiteral(
        "the site serves this only to a signed-in session: sign in with your browser, then press the browser "
        "button on the video's page to hand the session over, or send that browser's cookies (Preferences > "
        "General, or kinolark --cookies-from-browser)");

    static bool asksToSignIn(const QString &cause);
    // The cause with the advice after it when it asks to sign in; otherwise the cause as it is.
    static QString explained(const QString &cause);
};
