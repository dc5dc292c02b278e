#include "Utils/KLLog.h"

#include <QDebug>
#include <QRegularExpression>

void KLLog::log(const QString &line) {
    qInfo().noquote() << redactCredentials(line);
}

QString KLLog::redactCredentials(const QString &text) {
    // The user part may be empty ("://:secret@host"); the password ends at the last '@' before the host.
    static const QRegularExpression credentials(QStringLiteral("(://[^/\\s:@'\"]*):[^/\\s'\"]*@"));
    QString redacted = text;
    redacted.replace(credentials, QStringLiteral("\\1:***@"));
    return redacted;
}
