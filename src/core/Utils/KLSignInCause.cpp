#include "Utils/KLSignInCause.h"

#include <QRegularExpression>

bool KLSignInCause::asksToSignIn(const QString &cause) {
    // What the downloader and the sites it reads say when they want a session ("Sign in to confirm your
    // age", "This video is only available for registered users", "login required", "Use --cookies ..."),
    // and the statuses a server answers a request without one with.
    static const QRegularExpression signIn(
        QStringLiteral(
            "\\b(sign[ -]?in|log[ -]?in)\\b|registered users|members[ -]only|requires authentication|"
            "--cookies|HTTP Error 40[13]\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return signIn.match(cause).hasMatch();
}

QString KLSignInCause::explained(const QString &cause) {
    return asksToSignIn(cause) ? cause + QStringLiteral("; ") + advice : cause;
}
