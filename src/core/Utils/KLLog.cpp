#include "Utils/KLLog.h"

#include <QRegularExpression>
#include <QStringList>

#include <mutex>

namespace {

// Where the main thread adding a secret meets any thread that logs (a pool job placing a file may).
std::mutex secretsLock;
QStringList secrets;

} // namespace

Q_LOGGING_CATEGORY(kinolarkDiagnostic, "kinolark.diagnostic")

void KLLog::log(const QString &line) {
    // With the category off the macro skips the whole statement: no line is searched for credentials.
    qCInfo(kinolarkDiagnostic).noquote() << redactCredentials(line);
}

QString KLLog::redactCredentials(const QString &text) {
    // The user part may be empty ("://:secret@host"); the password ends at the last '@' before the host.
    static const QRegularExpression credentials(QStringLiteral("(://[^/\\s:@'\"]*):[^/\\s'\"]*@"));
    QString redacted = text;
    redacted.replace(credentials, QStringLiteral("\\1:***@"));
    std::lock_guard lock(secretsLock);
    for (const QString &secret : secrets) {
        redacted.replace(secret, QStringLiteral("***"));
    }
    return redacted;
}

void KLLog::addSecret(const QString &secret) {
    // Very short secrets would blank out ordinary words of every line; they are left to the URL rule.
    if (secret.size() < 3) {
        return;
    }
    std::lock_guard lock(secretsLock);
    if (!secrets.contains(secret)) {
        secrets << secret;
    }
}
