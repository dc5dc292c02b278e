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
    static const QString punctuation = QStringLiteral(".,;:!?'*");
    // A closing bracket stays only when the link opened one (as Wikipedia-style links do). The brackets are
    // counted once and the count follows what is cut, so that a pasted run of brackets costs linear time.
    static const QString pairs = QStringLiteral(")(][}{");
    qsizetype closed[3] = {};
    qsizetype opened[3] = {};
    for (const QChar character : candidate) {
        const qsizetype kind = pairs.indexOf(character);
        if (kind >= 0) {
            ++(kind % 2 == 0 ? closed : opened)[kind / 2];
        }
    }
    qsizetype end = candidate.size();
    while (end > 0) {
        const QChar last = candidate.at(end - 1);
        const qsizetype kind = pairs.indexOf(last);
        if (punctuation.contains(last)) {
            --end;
        } else if (kind >= 0 && kind % 2 == 0 && closed[kind / 2] > opened[kind / 2]) {
            --closed[kind / 2];
            --end;
        } else {
            break;
        }
    }
    return candidate.left(end);
}
