#include "App/KLURLDetector.h"

#include <QRegularExpression>

QList<QUrl> KLURLDetector::detectURLs(const QString &text) {
    // A link starts at a scheme or "www." that does not continue a word, and runs to the next blank,
    // control character, angle bracket or double quote.
    static const QRegularExpression candidates(
        QStringLiteral(
            "(?<![\\w@.\\-])((?:https?|ftp|file)://[^\\s<>\"\\x00-\\x1f]+|www\\.[^\\s<>\"\\x00-\\x1f]+)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QList<QUrl> found;
    QRegularExpressionMatchIterator matches = candidates.globalMatch(text);
    while (matches.hasNext()) {
        QString candidate = trimTrailingPunctuation(matches.next().captured(1));
        if (candidate.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) {
            if (!candidate.mid(4).contains(QLatin1Char('.'))) {
                continue; // "www.something" with no domain after it is a word, not a host
            }
            candidate.prepend(QStringLiteral("http://"));
        }
        const QUrl url(candidate, QUrl::TolerantMode);
        if (url.isValid() && !url.scheme().isEmpty() && (!url.host().isEmpty() || url.isLocalFile())) {
            found << url;
        }
    }
    return found;
}

QString KLURLDetector::trimTrailingPunctuation(const QString &candidate) {
    QString link = candidate;
    for (;;) {
        if (link.isEmpty()) {
            return link;
        }
        const QChar last = link.back();
        if (QStringLiteral(".,;:!?'*").contains(last)) {
            link.chop(1);
            continue;
        }
        // A closing bracket stays only when the link opened one (as Wikipedia-style links do).
        const QString pairs = QStringLiteral(")(][}{");
        const qsizetype closing = pairs.indexOf(last);
        if (closing >= 0 && closing % 2 == 0 && link.count(last) > link.count(pairs.at(closing + 1))) {
            link.chop(1);
            continue;
        }
        return link;
    }
}
