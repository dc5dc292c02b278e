#include "Utils/KLScriptErrorOutput.h"

#include "Utils/KLKinolarkUtils.h"

#include <QRegularExpression>

namespace {

// Closing remarks that say only that something failed, not why.
bool isGenericRemark(const QString &line) {
    static const QStringList remarks = {QStringLiteral("Conversion failed!"),
                                        QStringLiteral("Error while filtering: Immediate exit requested")};
    for (const QString &remark : remarks) {
        if (line.startsWith(remark)) {
            return true;
        }
    }
    return line.startsWith(QStringLiteral("frame=")) || line.startsWith(QStringLiteral("size=")) ||
           line.startsWith(QStringLiteral("WARNING:"));
}

bool reportsAnError(const QString &line) {
    static const QRegularExpression words(
        QStringLiteral("error|failed|no space left|denied|not found|no such|invalid|unable|refused|timed out|"
                       "could not|cannot|reset by peer"),
        QRegularExpression::CaseInsensitiveOption);
    return words.match(line).hasMatch();
}

// The downloader's and ffmpeg's own prefixes ("ERROR: [generic] VIDEO-ID: ", "[out#0/mp4 @ 0x55d0] ") and
// the downloader's trailers (an exception's repetition, a request to report a bug) say nothing to a user.
QString withoutDecoration(QString line) {
    static const QRegularExpression extractorPrefix(
        QStringLiteral("^ERROR:\\s*\\[[^\\]]*\\]\\s*(\\S+:\\s)?"));
    static const QRegularExpression prefix(QStringLiteral("^(ERROR:\\s*)?(\\[[^\\]]*\\]\\s*)*"));
    const qsizetype before = line.size();
    line.remove(extractorPrefix);
    if (line.size() == before) {
        line.remove(prefix);
    }
    for (const QString &trailer : {QStringLiteral(" (caused by "), QStringLiteral("; please report this"),
                                   QStringLiteral("; please report")}) {
        const qsizetype at = line.indexOf(trailer);
        if (at > 0) {
            line.truncate(at);
        }
    }
    return line;
}

} // namespace

void KLScriptErrorOutput::addLine(const QString &line) {
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) {
        text.chop(1);
    }
    m_lines.append(text);
    if (m_lines.size() > keptLines) {
        m_lines.removeFirst();
    }
}

void KLScriptErrorOutput::finish() {
    m_finished = true;
}

bool KLScriptErrorOutput::finished() const {
    return m_finished;
}

QStringList KLScriptErrorOutput::lines() const {
    return m_lines;
}

QString KLScriptErrorOutput::cause() const {
    return causeIn(m_lines);
}

QString KLScriptErrorOutput::causeIn(const QStringList &lines) {
    QString errorLine;
    QString reportingLine;
    QString lastLine;
    // ffmpeg that catches a stop signal ends with this remark: the signal, not its last report, is the cause.
    static const QRegularExpression stopped(QStringLiteral("^Exiting normally, received signal (\\d+)"));
    for (const QString &raw : lines) {
        const QString line = KLKinolarkUtils::printableText(raw).trimmed();
        if (const QRegularExpressionMatch match = stopped.match(line); match.hasMatch()) {
            errorLine = QStringLiteral("ffmpeg was stopped by signal ") + match.captured(1);
            continue;
        }
        if (line.isEmpty() || isGenericRemark(line)) {
            continue;
        }
        if (line.startsWith(QStringLiteral("ERROR:"))) {
            errorLine = line;
        }
        if (reportsAnError(line)) {
            reportingLine = line;
        }
        lastLine = line;
    }
    QString cause = withoutDecoration(!errorLine.isEmpty()       ? errorLine
                                      : !reportingLine.isEmpty() ? reportingLine
                                                                 : lastLine)
                        .trimmed();
    if (cause.size() > longestCause) {
        cause = cause.left(longestCause - 3) + QStringLiteral("...");
    }
    return cause;
}
